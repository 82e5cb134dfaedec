// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TestSupport.h"
#include "VantleProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>

inline QString activeWindow()
{
    return runTool("xdotool", {"getactivewindow"});
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
    void SetUp() override
    {
        ASSERT_TRUE(VantleProcess::hasDisplay()) << "DISPLAY is not set; run scripts/test.sh";
        // A window that holds the keyboard focus while the toast comes and goes.
        m_focus.start("xev", {"-geometry", "1900x1000+10+0", "-name", "toast-focus-target"});
        ASSERT_TRUE(waitUntil([&] {
            m_focusId = runTool("xdotool", {"search", "--name", "toast-focus-target"});
            return !m_focusId.isEmpty();
        }));
        m_focusId = m_focusId.section('\n', 0, 0); // in xdotool's decimal form
        runTool("xdotool", {"windowactivate", "--sync", m_focusId});
        ASSERT_TRUE(waitUntil([&] { return activeWindow() == m_focusId; }));
        m_vantle = std::make_unique<VantleProcess>(testenv::freshFolder("toast-home"));
        // A folder for the move input to find; it is crawled at start.
        QDir().mkpath(m_vantle->home() + "/Projects/Alpha");
        prepare(*m_vantle);
        ASSERT_TRUE(m_vantle->launch(m_process));
    }

    void TearDown() override
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_focus.kill();
        m_focus.waitForFinished();
    }

    // Runs before the program starts.
    virtual void prepare(VantleProcess&) {}

    // What xev printed so far.
    QString focusEvents() { return m_events += QString::fromUtf8(m_focus.readAllStandardOutput()); }

    // The program's visible windows as wide as the toast panel.
    QStringList toastWindows()
    {
        QStringList toasts;
        for (const QString& id : runTool("xdotool", {"search", "--onlyvisible", "--pid",
                                                     QString::number(m_process.processId())})
                                     .split('\n', Qt::SkipEmptyParts)) {
            if (runTool("xdotool", {"getwindowgeometry", id}).contains("Geometry: 820x"))
                toasts.append(id);
        }
        return toasts;
    }

    // A download lands: written beside Downloads, then renamed in.
    QString download(const QString& name)
    {
        const QString target = m_vantle->downloads() + "/" + name;
        moveOver(testenv::writeFile(m_vantle->home() + "/" + name, QByteArray(2048, 'd')), target);
        return target;
    }

    QString recordState(const QString& name)
    {
        return m_vantle->text("SELECT state FROM TrackedFile WHERE fileName = '" + name + "'")
            .value_or("(no store)");
    }

    // Hovers the island, then clicks the badge at `x` until its panel has
    // the keyboard (a click before the hover registers does nothing).
    bool openPanelFrom(const QString& x, const QStringList& keysHeld = {})
    {
        runTool("xdotool", QStringList{"mousemove", "770", "60"} + keysHeld +
                               QStringList{"mousemove", x, "62"});
        return waitUntil([&] {
            runTool("xdotool", {"click", "1"});
            return activeWindow() != m_focusId;
        });
    }

    QImage screenshot(const QString& name)
    {
        const QString path = QCoreApplication::applicationDirPath() + "/" + name;
        runTool("import", {"-window", "root", path});
        return QImage(path);
    }

    QProcess m_focus;
    QString m_focusId;
    QString m_events;
    std::unique_ptr<VantleProcess> m_vantle;
    QProcess m_process;
};
