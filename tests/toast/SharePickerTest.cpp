// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/SharePicker.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMenu>

namespace {

QStringList titles(const QMenu* menu)
{
    QStringList shown;
    for (const QAction* action : menu->actions())
        shown.append(action->text());
    return shown;
}

} // namespace

// A stand-in for kdeconnect-cli that answers only once the test says so:
// building the picker must not wait for it, and the open menu takes in its
// answer when it comes.
TEST(SharePicker, AskedForDevicesWhenItOpensWithoutWaitingForTheAnswer)
{
    allowWarning(QStringLiteral("This plugin does not support"));
    const QString bin = testenv::freshFolder("bin");
    const QString go = bin + "/go";
    testenv::writeFile(bin + "/kdeconnect-cli", "#!/bin/sh\nwhile [ ! -e '" + go.toUtf8() +
                                                    "' ]; do sleep 0.02; done\necho phone-1\n");
    QFile::setPermissions(bin + "/kdeconnect-cli", QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin) + ":" + path);
    QElapsedTimer clock;
    clock.start();
    SharePicker picker;
    std::optional<QString> chosen;
    picker.present(QRect(0, 0, 10, 10), {"/tmp/a.pdf"}, [&](auto service) { chosen = service; });
    const qint64 spent = clock.elapsed();
    qputenv("PATH", path);
    EXPECT_LT(spent, 1000) << "the device query kept the main thread";
    ASSERT_TRUE(picker.menu());
    EXPECT_FALSE(titles(picker.menu()).contains("Phone (KDE Connect)"));
    testenv::writeFile(go);
    EXPECT_TRUE(waitUntil([&] { return titles(picker.menu()).contains("Phone (KDE Connect)"); }))
        << titles(picker.menu()).join(", ").toStdString();
}
