// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastOnScreen.h"

#include <QSettings>

namespace {

// A real notification server: dunst on the test's display, on a session bus
// of the test's own. Its context menu (dunst hands it to a dmenu-like
// program) picks "Mark as Temporary" once the file `pick` exists.
// Vantle answers with notifications because the user chose them, or because
// it has no X11 at all: a Wayland client of a headless weston.
class DunstNotificationTest : public ToastOnScreen, public testing::WithParamInterface<bool> {
protected:
    void prepare(VantleProcess& vantle) override
    {
        if (GetParam()) { // without X11
            // The compositor's socket goes where the program looks for it.
            m_weston.setProcessEnvironment(vantle.environment());
            m_weston.start("weston", {"--backend=headless-backend.so", "--use-pixman",
                                      "--idle-time=0", "--socket=wayland-vantle"});
            ASSERT_TRUE(waitUntil(
                [&] { return QFile::exists(vantle.home() + "/runtime/wayland-vantle"); }));
            vantle.environment().remove("DISPLAY");
            vantle.environment().insert("WAYLAND_DISPLAY", "wayland-vantle");
        } else {
            QSettings(vantle.home() + "/.config/Vantle/Vantle.conf", QSettings::IniFormat)
                .setValue("DownloadNotifier.enabled", true);
        }
        startBus(vantle);
        m_menu = vantle.home() + "/menu.txt";
        m_pick = vantle.home() + "/pick";
        const QString chooser = testenv::writeFile(
            vantle.home() + "/choose.sh",
            ("#!/bin/sh\ntee '" + m_menu + "' | if [ -e '" + m_pick +
             "' ]; then grep -m1 'Mark as Temporary (2 new downloads)'; else cat >/dev/null; fi\n")
                .toUtf8());
        QFile::setPermissions(chooser, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString config = testenv::writeFile(
            vantle.home() + "/dunstrc", ("[global]\n    dmenu = " + chooser + "\n").toUtf8());
        m_dunst.start("dunst", {"-config", config});
        ASSERT_TRUE(m_dunst.waitForStarted());
        // Asked before ours owns the name, the bus would start a second dunst
        // of default settings from the system's service file; asking whether
        // the name has an owner starts nothing.
        ASSERT_TRUE(waitUntil([&] {
            return busCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                           "org.freedesktop.DBus.NameHasOwner",
                           {"org.freedesktop.Notifications"}) == "(true,)";
        }));
    }
    void TearDown() override
    {
        ToastOnScreen::TearDown();
        stop(m_dunst);
        stop(m_weston);
    }

    QProcess m_weston, m_dunst;
    QString m_menu, m_pick;
};

} // namespace

TEST_P(DunstNotificationTest, TwoDownloadsAreOneNotificationThatMarksBothTemporary)
{
    for (const QString name : {"report.pdf", "photo.jpg"})
        moveOver(testenv::writeFile(m_vantle->home() + "/" + name, "data"),
                 m_vantle->downloads() + "/" + name);
    // The context menu lists the actions of the notification on screen.
    ASSERT_TRUE(waitUntil(
        [&] {
            runTool("dunstctl", {"context"});
            return testenv::contentOf(m_menu).contains("(2 new downloads)");
        },
        std::chrono::seconds(10)))
        << testenv::contentOf(m_menu).toStdString()
        << m_process.readAllStandardError().toStdString() << " displayed "
        << runTool("dunstctl", {"count", "displayed"}).toStdString() << " history "
        << runTool("dunstctl", {"history"}).toStdString() << " waiting "
        << runTool("dunstctl", {"count", "waiting"}).toStdString();
    EXPECT_EQ(runTool("dunstctl", {"count", "displayed"}), "1"); // replaced, not stacked
    testenv::writeFile(m_pick);
    ASSERT_TRUE(waitUntil([&] {
        if (recordState("report.pdf") == "temporary" && recordState("photo.jpg") == "temporary")
            return true;
        runTool("dunstctl", {"context"});
        return false;
    }));
    EXPECT_TRUE(waitUntil([&] { return runTool("dunstctl", {"count", "displayed"}) == "0"; }));
    EXPECT_TRUE(toastWindows().isEmpty()); // the notification answered them, not the toast
}

INSTANTIATE_TEST_SUITE_P(ChosenOrWithoutX11, DunstNotificationTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "WaylandWithoutX11" : "ChosenInSettings";
                         });
