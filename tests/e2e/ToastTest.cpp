// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "VantleProcess.h"
#include "store/Tags.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLockFile>
#include <QThread>

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString activeWindow()
{
    return run("xdotool", {"getactivewindow"});
}

// The program's visible windows that are as wide as the toast panel.
QStringList visibleToastWindows(qint64 pid)
{
    QStringList toasts;
    const QStringList ids =
        run("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid)})
            .split('\n', Qt::SkipEmptyParts);
    for (const QString& id : ids) {
        if (run("xdotool", {"getwindowgeometry", id}).contains("Geometry: 820x"))
            toasts.append(id);
    }
    return toasts;
}

// A window that holds the keyboard focus while the toast comes and goes.
class FocusWindow {
public:
    FocusWindow()
    {
        m_process.start("xev", {"-geometry", "1900x1000+10+0", "-name", "toast-focus-target"});
        m_process.waitForStarted();
        waitUntil([&] {
            m_id = run("xdotool", {"search", "--name", "toast-focus-target"}).section('\n', 0, 0);
            return !m_id.isEmpty();
        });
        if (!m_id.isEmpty())
            run("xdotool", {"windowactivate", "--sync", m_id});
    }
    ~FocusWindow()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    // The active window's id in xdotool's decimal form.
    QString id() const { return m_id; }
    // What xev printed so far.
    QString events()
    {
        m_events += QString::fromUtf8(m_process.readAllStandardOutput());
        return m_events;
    }

private:
    QProcess m_process;
    QString m_id;
    QString m_events;
};

// Focus, pointer and screen are shared by every test on the display: the
// toast tests take turns even when CTest runs them side by side.
QString displayLockPath()
{
    QString display = qEnvironmentVariable("DISPLAY");
    display.replace(QLatin1Char(':'), QLatin1Char('_')).replace(QLatin1Char('/'), QLatin1Char('_'));
    return QDir::tempPath() + "/vantle-toast-e2e" + display + ".lock";
}

class ToastTest : public testing::Test {
protected:
    ToastTest() : m_displayLock(displayLockPath())
    {
        m_displayLock.setStaleLockTime(120000);
        m_displayLock.lock();
    }

    void SetUp() override
    {
        ASSERT_TRUE(VantleProcess::hasDisplay()) << "DISPLAY is not set; run scripts/test.sh";
        ASSERT_TRUE(m_displayLock.isLocked());
        m_focus = std::make_unique<FocusWindow>();
        m_vantle = std::make_unique<VantleProcess>(testenv::freshFolder("toast-home"));
        m_vantle->environment().insert("QT_LOGGING_RULES", "vantle.*.debug=true");
        ASSERT_FALSE(m_focus->id().isEmpty());
        ASSERT_TRUE(waitUntil([&] { return activeWindow() == m_focus->id(); }));
        m_vantle->start(m_process);
        ASSERT_TRUE(m_process.waitForStarted());
        // The login item is written last: the watcher is running by then.
        ASSERT_TRUE(waitUntil(
            [&] { return QFile::exists(m_vantle->home() + "/.config/autostart/vantle.desktop"); },
            std::chrono::seconds(15)));
    }

    void TearDown() override
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }

    // A download lands: written beside Downloads, then renamed in.
    QString download(const QString& name)
    {
        const QString staging = m_vantle->home() + "/" + name;
        testenv::writeFile(staging, QByteArray(2048, 'd'));
        const QString target = m_vantle->downloads() + "/" + name;
        EXPECT_TRUE(QFile::rename(staging, target));
        return target;
    }

    QString recordState(const QString& name)
    {
        return run(
            "sqlite3",
            {"-readonly", m_vantle->storeFile(),
             QStringLiteral("SELECT state FROM TrackedFile WHERE fileName = '%1'").arg(name)});
    }

    QString screenshot(const QString& name)
    {
        const QString path = QCoreApplication::applicationDirPath() + "/" + name;
        run("import", {"-window", "root", path});
        return path;
    }

    QLockFile m_displayLock;
    std::unique_ptr<FocusWindow> m_focus;
    std::unique_ptr<VantleProcess> m_vantle;
    QProcess m_process;
};

// Where the first badge is: the island is centred on the 1920-wide screen
// (left edge 700), the badges start after the 52-point icon, 14 + 8 down.
const QPoint markTemporaryBadge(810, 60);

} // namespace

TEST_F(ToastTest, ADownloadShowsTheToastAndMarkTemporaryWorksWithoutStealingFocus)
{
    QElapsedTimer clock;
    clock.start();
    const QString path = download("report.pdf");
    ASSERT_TRUE(waitUntil([&] { return !visibleToastWindows(m_process.processId()).isEmpty(); },
                          std::chrono::seconds(1)))
        << "no toast within 1 s";
    const qint64 shownAfter = clock.elapsed();
    EXPECT_LT(shownAfter, 1000);
    EXPECT_EQ(activeWindow(), m_focus->id());
    const QStringList windows = visibleToastWindows(m_process.processId());
    ASSERT_EQ(windows.size(), 1);
    EXPECT_TRUE(run("xprop", {"-id", windows[0], "_NET_WM_DESKTOP"}).contains("4294967295"));

    // The island is drawn black across the top centre, the screen stays
    // visible beside it (no black box without a compositor).
    QImage one;
    EXPECT_TRUE(waitUntil([&] {
        one = QImage(screenshot("toast-one-file.png"));
        // Settled: the body's left edge at 710, white beside it.
        return !one.isNull() && qGray(one.pixel(960, 40)) == 0 && qGray(one.pixel(714, 40)) == 0 &&
               qGray(one.pixel(705, 40)) > 200;
    }));

    download("archive.zip");
    // The stack badge shows in the icon's top-right corner.
    auto hasStackBadge = [](const QImage& image) {
        int accent = 0;
        for (int x = 760; x < 780; ++x)
            for (int y = 14; y < 34; ++y)
                accent += qBlue(image.pixel(x, y)) > 200 && qRed(image.pixel(x, y)) < 60;
        return accent > 30;
    };
    EXPECT_FALSE(hasStackBadge(one));
    QImage two;
    EXPECT_TRUE(waitUntil([&] {
        two = QImage(screenshot("toast-two-files.png"));
        return !two.isNull() && hasStackBadge(two);
    }));

    // Hover, then click "Mark temporary": both queued files become temporary.
    run("xdotool", {"mousemove", QString::number(markTemporaryBadge.x() - 40),
                    QString::number(markTemporaryBadge.y())});
    run("xdotool", {"mousemove", QString::number(markTemporaryBadge.x()),
                    QString::number(markTemporaryBadge.y())});
    QThread::msleep(100);
    run("xdotool", {"click", "1"});
    ASSERT_TRUE(waitUntil([&] { return recordState("report.pdf") == "temporary"; }));
    EXPECT_EQ(recordState("archive.zip"), "temporary");
    EXPECT_TRUE(tags::readTags(path).contains(tags::programTag));
    ASSERT_TRUE(waitUntil([&] { return visibleToastWindows(m_process.processId()).isEmpty(); }));
    EXPECT_EQ(activeWindow(), m_focus->id());
}

TEST_F(ToastTest, TimeoutLeavesTheFileDismissed)
{
    download("ignored.iso");
    ASSERT_TRUE(waitUntil([&] { return !visibleToastWindows(m_process.processId()).isEmpty(); },
                          std::chrono::seconds(1)));
    EXPECT_EQ(recordState("ignored.iso"), "unprocessed");
    // A click on the toast window's transparent part reaches the window below.
    const QString before = m_focus->events();
    run("xdotool", {"mousemove", "600", "110", "click", "1"});
    EXPECT_TRUE(waitUntil(
        [&] { return m_focus->events().mid(before.size()).contains("ButtonPress event"); }));
    // Seven seconds, then the collapse and the fade.
    ASSERT_TRUE(waitUntil([&] { return visibleToastWindows(m_process.processId()).isEmpty(); },
                          std::chrono::seconds(10)));
    ASSERT_TRUE(waitUntil([&] { return recordState("ignored.iso") == "dismissed"; }));
    EXPECT_TRUE(QFile::exists(m_vantle->downloads() + "/ignored.iso"));
    EXPECT_EQ(activeWindow(), m_focus->id());
}
