// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Paths.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

// Downloads is never the home folder nor Vantle's own files, however the
// user-dirs file spells it: the store and the settings are never recorded
// or trashed as downloads.
TEST(Paths, ADownloadsFolderTouchingHomeOrVantlesOwnFoldersIsRefused)
{
    const QString h = testenv::freshFolder("home");
    const QString data = h + "/.local/share/Vantle";
    const QString config = h + "/.config/Vantle";
    for (const QString& folder : {data, config, h + "/Downloads", h + "/.local/share/Vantle-old"})
        QDir().mkpath(folder);
    QFile::link(h + "/.local/share", h + "/shared");
    QFile::link(config, h + "/settings");

    const struct {
        QString location;
        bool adoptable;
    } cases[] = {
        {h + "/Downloads", true},
        {h + "/.local/share/Vantle-old", true},
        {h, false},
        {h + "/..", false},
        {"/", false},
        {h + "/.local/share", false},
        {h + "/.local", false},
        {data, false},
        {data + "/inbox", false},
        {h + "/.config", false},
        {config, false},
        {h + "/shared", false},   // a link to the folder holding the store
        {h + "/settings", false}, // a link to the settings' folder
        {"Downloads", false},     // relative: the user-dirs file may hold anything
        {"\"\"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(paths::adoptableAsDownloads(c.location, h, {data, config}), c.adoptable)
            << c.location.toStdString();
    }
}
