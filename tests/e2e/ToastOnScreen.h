// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TestSupport.h"
#include "VantleProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QRegularExpression>

// Where a window's own area is on the screen; all zero when it cannot be told.
// The server translates the window's origin to the root, so a frame the window
// manager put around it does not count: xdotool's geometry adds the offset in
// the frame twice once a window is reparented (weston's XWM keeps a 32 px
// margin around every window it manages).
inline QRect frameOf(const QString& window)
{
    const auto match = QRegularExpression("Absolute upper-left X: +(-?\\d+)\\s+"
                                          "Absolute upper-left Y: +(-?\\d+)"
                                          ".*Width: (\\d+)\\s+Height: (\\d+)",
                                          QRegularExpression::DotMatchesEverythingOption)
                           .match(runTool("xwininfo", {"-id", window}));
    return match.hasMatch() ? QRect(match.captured(1).toInt(), match.captured(2).toInt(),
                                    match.captured(3).toInt(), match.captured(4).toInt())
                            : QRect();
}

// Where `window` is once its window manager has put it where it asked to be (a
// managed window may show elsewhere first: weston's XWM maps it at the top left
// and moves it a moment later). Qt asks with static gravity, which places the
// window's own area, not its frame, at the spot. As frameOf when the window
// named no spot; all zero when it does not get there.
inline QRect placedFrameOf(const QString& window)
{
    QRect frame;
    const bool placed = waitUntil([&] {
        const auto asked = QRegularExpression("specified location: (-?\\d+), (-?\\d+)")
                               .match(runTool("xprop", {"-id", window, "WM_NORMAL_HINTS"}));
        frame = frameOf(window);
        return !asked.hasMatch() ||
               frame.topLeft() == QPoint(asked.captured(1).toInt(), asked.captured(2).toInt());
    });
    return placed ? frame : QRect();
}

// The program ends within 10 s, cleanly.
inline void expectCleanExit(QProcess& process)
{
    ASSERT_TRUE(process.waitForFinished(10000)) << "the program did not end";
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
}

// The id of a window of class vantle inside one of trayer's windows, or empty.
inline QString embeddedIconWindow()
{
    for (const QString& panel :
         runTool("xdotool", {"search", "--class", "trayer"}).split('\n', Qt::SkipEmptyParts)) {
        for (const QString& line : runTool("xwininfo", {"-tree", "-id", panel}).split('\n')) {
            if (line.contains("(\"vantle\" \"Vantle\")"))
                return line.trimmed().section(' ', 0, 0);
        }
    }
    return {};
}

// The display is shared: CTest runs these tests one at a time (RESOURCE_LOCK display).
class ToastOnScreen : public testing::Test {
protected:
    static QString activeWindow() { return runTool("xdotool", {"getactivewindow"}); }
    void SetUp() override
    {
        ASSERT_TRUE(VantleProcess::hasDisplay()) << "DISPLAY is not set; run scripts/test.sh";
        // Away from where the toast and its panels appear: a pointer an earlier
        // test left over a menu row would take the keyboard's selection.
        runTool("xdotool", {"mousemove", "10", "700"});
        // A window that holds the keyboard focus while the toast comes and goes.
        m_focus.start("xev", {"-geometry", "1900x1000+10+0", "-name", "toast-focus-target"});
        // In xdotool's decimal form. A search gives up when a window it walks
        // past is destroyed meanwhile (an earlier test's): it is asked again.
        ASSERT_TRUE(waitUntil([&] {
            m_focusId =
                runTool("xdotool", {"search", "--limit", "1", "--name", "toast-focus-target"});
            return !m_focusId.isEmpty();
        }));
        // The window can be found before the window manager has taken it on, and
        // an activation asked for then is dropped: it is asked for again.
        QElapsedTimer asked;
        ASSERT_TRUE(waitUntil(
            [&] {
                if (activeWindow() == m_focusId)
                    return true;
                if (!asked.isValid() || asked.hasExpired(500)) {
                    runTool("xdotool", {"windowactivate", m_focusId});
                    asked.start();
                }
                return false;
            },
            std::chrono::seconds(15)));
        m_vantle = std::make_unique<VantleProcess>(testenv::freshFolder("toast-home"));
        // A folder for the move input to find; it is crawled at start.
        QDir().mkpath(m_vantle->home() + "/Projects/Alpha");
        prepare(*m_vantle);
        ASSERT_TRUE(m_vantle->launch(m_process));
    }

    void TearDown() override
    {
        runTool("xdotool", {"keyup", "alt"}); // when a test ended while holding it
        for (QProcess* process : {&m_process, &m_tray, &m_focus, &m_bus})
            stop(*process);
    }
    static void stop(QProcess& process)
    {
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
    }

    // Runs before the program starts.
    virtual void prepare(VantleProcess&) {}
    // A session bus of the test's own, for the program and whatever the test starts.
    void startBus(VantleProcess& vantle)
    {
        m_bus.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        ASSERT_TRUE(waitUntil([&] { return m_bus.canReadLine(); })) << "dbus-daemon did not start";
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.readLine().trimmed());
        qputenv("NO_AT_BRIDGE", "1"); // GTK programs find no accessibility bus on it
        vantle.environment().insert("DBUS_SESSION_BUS_ADDRESS",
                                    qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
    }
    // Calls a method on that bus; the answer as gdbus prints it, nothing on an error.
    static QString busCall(const QString& service, const QString& path, const QString& method,
                           const QStringList& arguments)
    {
        return runTool("gdbus", QStringList{"call", "--session", "--dest", service, "--object-path",
                                            path, "--method", method, "--"} +
                                    arguments);
    }
    // A real XEmbed tray along the top edge, on the right; its panel is light grey.
    void startTray()
    {
        m_tray.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request",
                                "--height", "24", "--transparent", "false", "--tint", "0x000000"});
        ASSERT_TRUE(m_tray.waitForStarted());
    }

    // What xev printed so far.
    QString focusEvents() { return m_events += QString::fromUtf8(m_focus.readAllStandardOutput()); }
    // Waits until xev has reported `count` presses of `keysym` ("T", "Escape"), and no more.
    bool seesPresses(const QString& keysym, int count)
    {
        const QRegularExpression press(
            "KeyPress event[^\\n]*\\n[^\\n]*\\n[^\\n]*\\(keysym 0x[0-9a-f]+, " +
            QRegularExpression::escape(keysym) + "\\)");
        auto seen = [&] { return int(focusEvents().count(press)); };
        waitUntil([&] { return seen() >= count; }, std::chrono::milliseconds(1500));
        return seen() == count;
    }

    // The program's visible windows whose size `fits`.
    QStringList windowsWhere(const std::function<bool(QSize)>& fits)
    {
        QStringList windows = runTool("xdotool", {"search", "--onlyvisible", "--pid",
                                                  QString::number(m_process.processId())})
                                  .split('\n', Qt::SkipEmptyParts);
        windows.removeIf([&](const QString& id) { return !fits(frameOf(id).size()); });
        return windows;
    }
    // As wide as the toast panel.
    QStringList toastWindows()
    {
        return windowsWhere([](QSize size) { return size.width() == 820; });
    }
    // The popover: 360 by 440, or a multiple at a larger scale.
    QString popoverWindow()
    {
        return windowsWhere([](QSize size) {
                   return size.width() >= 360 && size.width() * 440 == size.height() * 360;
               })
            .value(0);
    }
    // A menu: smaller than any panel, larger than the tray icon.
    static bool isMenu(QSize size)
    {
        return size.width() > 60 && size.width() < 300 && size.height() > 20 && size.height() < 300;
    }

    // A download lands (written beside Downloads, then renamed in); its toast
    // shows within 1 s, and the island expands (its keys are taken then).
    QString download(const QString& name)
    {
        const QString target = m_vantle->downloads() + "/" + name;
        moveOver(testenv::writeFile(m_vantle->home() + "/" + name, QByteArray(2048, 'd')), target);
        EXPECT_TRUE(waitUntil([&] { return !toastWindows().isEmpty(); }, std::chrono::seconds(1)))
            << "no toast within 1 s for " << name.toStdString();
        expandedIsland();
        return target;
    }
    void key(const QString& combination) { runTool("xdotool", {"key", combination}); }

    QString recordState(const QString& name)
    {
        return m_vantle->text("SELECT state FROM TrackedFile WHERE fileName = '" + name + "'")
            .value_or("(no store)");
    }

    // Hovers the island, then clicks its badge `index` (0 the first) until its
    // panel has the keyboard (a click before the hover registers does nothing).
    bool openPanelFrom(int index, const QStringList& keysHeld = {})
    {
        const std::vector<int> badges = badgeCentres();
        if (index >= int(badges.size()))
            return false;
        runTool("xdotool", QStringList{"mousemove", "770", "60"} + keysHeld +
                               QStringList{"mousemove", QString::number(badges[index]), "62"});
        // A second click while the panel maps would close it again.
        return waitUntil([&] {
            runTool("xdotool", {"click", "1"});
            return waitUntil([&] { return panelHasKeyboard(); }, std::chrono::seconds(1));
        });
    }
    // Where the island's badges are across, left to right, as the screen shows
    // them: each a lit shape on the island's black, right of the file's icon.
    // Their widths follow their labels, which name keys only where global
    // shortcuts work, so their places differ between sessions.
    std::vector<int> badgeCentres()
    {
        const QRect row(776, 62, 380, 1); // short of the countdown ring
        const QImage strip = settled(row);
        std::vector<int> centres;
        int start = -1;
        for (int x = 0; x <= strip.width(); ++x) {
            const bool lit = x < strip.width() && qGray(strip.pixel(x, 0)) > 16;
            if (lit && start < 0)
                start = x;
            if (!lit && start >= 0) {
                if (x - start > 20)
                    centres.push_back(row.left() + (start + x) / 2);
                start = -1;
            }
        }
        return centres;
    }

    // One of Vantle's windows is active. While the focus moves no window is,
    // and keys typed then would reach no panel.
    bool panelHasKeyboard()
    {
        const QString active = activeWindow();
        return !active.isEmpty() && active != QLatin1String("0") && active != m_focusId;
    }

    static QImage screenshot()
    {
        const QString path = QCoreApplication::applicationDirPath() + "/screen.png";
        // XWayland's root window holds no picture: scripts/weston-session.sh names its capture.
        const QString capture = qEnvironmentVariable("VANTLE_E2E_SCREENSHOT");
        if (capture.isEmpty())
            runTool("import", {"-window", "root", path});
        else
            runTool(capture, {path});
        return QImage(path);
    }
    // The screen once the island is expanded: black across the top centre out
    // to its left edge at 710, and the screen visible beside it (no black box
    // without a compositor).
    QImage expandedIsland()
    {
        QImage screen;
        EXPECT_TRUE(waitUntil([&] {
            screen = screenshot();
            return !screen.isNull() && qGray(screen.pixel(960, 40)) == 0 &&
                   qGray(screen.pixel(714, 40)) == 0 && qGray(screen.pixel(705, 40)) > 200;
        }));
        return screen;
    }
    // The part `area` of the screen once two shots in a row agree (animations have settled).
    QImage settled(const QRect& area)
    {
        QImage shot, last;
        EXPECT_TRUE(waitUntil([&] {
            last = std::exchange(shot, screenshot().copy(area));
            return !shot.isNull() && shot == last;
        }));
        return shot;
    }

    QProcess m_focus, m_tray, m_bus;
    QString m_focusId;
    QString m_events;
    std::unique_ptr<VantleProcess> m_vantle;
    QProcess m_process;
};
