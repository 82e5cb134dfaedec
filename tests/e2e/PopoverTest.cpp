// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastOnScreen.h"

#include <QRegularExpression>

namespace {

struct Frame {
    int x = 0, y = 0, width = 0, height = 0;
};

Frame frameOf(const QString& window)
{
    const QString text = runTool("xdotool", {"getwindowgeometry", window});
    const auto position = QRegularExpression("Position: (-?\\d+),(-?\\d+)").match(text);
    const auto size = QRegularExpression("Geometry: (\\d+)x(\\d+)").match(text);
    if (!position.hasMatch() || !size.hasMatch())
        return {};
    return {position.captured(1).toInt(), position.captured(2).toInt(), size.captured(1).toInt(),
            size.captured(2).toInt()};
}

// The tray's icon hosted by trayer along the top edge, on the right.
class PopoverTest : public ToastOnScreen {
protected:
    void prepare(VantleProcess& vantle) override
    {
        m_tray.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request",
                                "--height", "24", "--transparent", "false", "--tint", "0x000000"});
        ASSERT_TRUE(m_tray.waitForStarted());
        // The popover's lists and countdowns say what they show.
        vantle.environment().insert("QT_LOGGING_RULES", "vantle.app.debug=true");
    }
    void TearDown() override
    {
        ToastOnScreen::TearDown();
        m_tray.terminate();
        m_tray.waitForFinished(5000);
    }

    QString log() { return m_log += QString::fromUtf8(m_process.readAllStandardError()); }

    // The program's visible window of `width`×`height`, or empty.
    QString windowSized(int width, int height)
    {
        for (const QString& id : runTool("xdotool", {"search", "--onlyvisible", "--pid",
                                                     QString::number(m_process.processId())})
                                     .split('\n', Qt::SkipEmptyParts)) {
            const Frame f = frameOf(id);
            if (f.width == width && f.height == height)
                return id;
        }
        return {};
    }

    // Clicks the icon until the popover is up; its frame.
    Frame openPopover()
    {
        // The tray may dock the icon again in a new window: look it up on each try.
        QString icon;
        QString popover;
        EXPECT_TRUE(waitUntil(
            [&] {
                if (!(popover = windowSized(360, 440)).isEmpty())
                    return true;
                if (!(icon = embeddedIconWindow()).isEmpty()) {
                    m_icon = frameOf(icon);
                    runTool("xdotool", {"mousemove", "--window", icon, "11", "11", "click", "1"});
                }
                return !(popover = windowSized(360, 440)).isEmpty();
            },
            std::chrono::seconds(15)));
        return m_popover = frameOf(popover);
    }

    // Clicks at a point of the popover.
    void click(int x, int y)
    {
        runTool("xdotool", {"mousemove", QString::number(m_popover.x + x),
                            QString::number(m_popover.y + y), "click", "1"});
    }
    // Opens the "⋯" menu of the first row under the section header at
    // `headerY` and chooses its item `index` with the arrow keys.
    void chooseFromFirstRow(int headerY, int index)
    {
        const int rowCentre = headerY + 27 + 26;
        click(360 - 16 - 15, rowCentre);
        ASSERT_TRUE(waitUntil([&] {
            for (const QString& id : runTool("xdotool", {"search", "--onlyvisible", "--pid",
                                                         QString::number(m_process.processId())})
                                         .split('\n', Qt::SkipEmptyParts)) {
                const Frame f = frameOf(id);
                if (f.width > 60 && f.width < 300 && f.height > 20 && f.height < 300)
                    return true;
            }
            return false;
        }));
        QStringList keys{"key", "--delay", "30"};
        for (int i = 0; i <= index; ++i)
            keys << "Down";
        runTool("xdotool", keys << "Return");
    }

    QProcess m_tray;
    QString m_log;
    Frame m_icon;
    Frame m_popover;
};

// Below the header (about 46 high) and its divider: the first section header.
constexpr int firstSectionY = 47;

} // namespace

TEST_F(PopoverTest, TheToastsTemporaryFileIsListedAndKeepAndDeleteWork)
{
    const QString path = download("report.pdf");
    ASSERT_TRUE(waitUntil([&] { return !toastWindows().isEmpty(); }, std::chrono::seconds(1)));
    runTool("xdotool", {"key", "super+shift+t"});
    ASSERT_TRUE(waitUntil([&] { return recordState("report.pdf") == "temporary"; }));
    ASSERT_TRUE(waitUntil([&] { return toastWindows().isEmpty(); }));

    const Frame popover = openPopover();
    ASSERT_GT(popover.width, 0);
    // Under the icon, inside the screen.
    EXPECT_GE(popover.y, m_icon.y + m_icon.height);
    EXPECT_LE(popover.y, m_icon.y + m_icon.height + 8);
    EXPECT_LE(popover.x + popover.width, 1920);
    EXPECT_LT(popover.x, m_icon.x + m_icon.width);
    ASSERT_TRUE(waitUntil([&] {
        return log().contains("PopoverContentView body: count=1 files=[report.pdf[temporary") &&
               log().contains("CountdownIndicator.content");
    }));
    screenshot("popover-list.png");

    chooseFromFirstRow(firstSectionY, 0); // Keep
    ASSERT_TRUE(waitUntil([&] { return recordState("report.pdf") == "dismissed"; }));
    ASSERT_TRUE(waitUntil([&] { return log().contains("count=1 files=[report.pdf[dismissed"); }));
    // The ignored section, now first, opens on its header.
    click(180, firstSectionY + 13);
    screenshot("popover-ignored.png");
    chooseFromFirstRow(firstSectionY, 0); // Mark as temporary
    ASSERT_TRUE(waitUntil([&] { return recordState("report.pdf") == "temporary"; }));
    chooseFromFirstRow(firstSectionY, 1); // Delete
    const QString trashed = m_vantle->home() + "/.local/share/Trash/files/report.pdf";
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(trashed); }));
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_TRUE(waitUntil([&] { return log().contains("count=0 files=[]"); }));
    // "Recently trashed", folded, is now the first section: open it and restore.
    click(180, firstSectionY + 13);
    screenshot("popover-recently-trashed.png");
    click(360 - 16 - 25, firstSectionY + 27 + 26);
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(path); }));
    EXPECT_FALSE(QFile::exists(trashed));
    ASSERT_TRUE(waitUntil([&] { return recordState("report.pdf") == "dismissed"; }));

    // The gear shows the settings; Escape closes the popover.
    click(360 - 16 - 10, 23);
    QImage settings;
    EXPECT_TRUE(
        waitUntil([&] { return !(settings = screenshot("popover-settings.png")).isNull(); }));
    runTool("xdotool", {"key", "Escape"});
    ASSERT_TRUE(waitUntil([&] { return windowSized(360, 440).isEmpty(); }));
}
