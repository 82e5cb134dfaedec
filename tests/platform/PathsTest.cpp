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
    for (const QString& location : {h + "/Downloads", h + "/.local/share/Vantle-old"})
        EXPECT_TRUE(paths::adoptableAsDownloads(location, h, {data, config}))
            << location.toStdString();
    // Links to the folder holding the store or to the settings' folder; a
    // relative path, as the user-dirs file may hold anything.
    for (const QString& location : {h, h + "/..", QString("/"), h + "/.local/share", h + "/.local",
                                    data, data + "/inbox", h + "/.config", config, h + "/shared",
                                    h + "/settings", QString("Downloads"), QString("\"\"")})
        EXPECT_FALSE(paths::adoptableAsDownloads(location, h, {data, config}))
            << location.toStdString();
}
