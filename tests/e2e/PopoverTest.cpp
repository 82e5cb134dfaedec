// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastOnScreen.h"

namespace {

// Below the header (about 46 high) and its divider: the first section header,
// and the first row under it.
constexpr int firstSectionY = 47, firstRowY = firstSectionY + 27 + 26;

class PopoverTest : public ToastOnScreen {
protected:
    void prepare(VantleProcess& vantle) override
    {
        startTray();
        // The popover's lists and countdowns say what they show.
        vantle.environment().insert("QT_LOGGING_RULES", "vantle.app.debug=true");
    }
    QString log() { return m_log += QString::fromUtf8(m_process.readAllStandardError()); }

    QString popoverWindow()
    {
        return windowsWhere([](QSize size) { return size == QSize(360, 440); }).value(0);
    }

    // Clicks at a point of the popover.
    void click(int x, int y)
    {
        runTool("xdotool", {"mousemove", QString::number(m_popover.x() + x),
                            QString::number(m_popover.y() + y), "click", "1"});
    }
    // Opens the "⋯" menu of the first row and chooses its item `index` with the arrow keys.
    void chooseFromFirstRow(int index)
    {
        click(360 - 16 - 15, firstRowY);
        ASSERT_TRUE(waitUntil([&] { return !windowsWhere(isMenu).isEmpty(); }));
        runTool("xdotool", QStringList{"key", "--delay", "30"} +
                               QStringList(index + 1, QString("Down")) + QStringList{"Return"});
    }

    QString m_log;
    QRect m_popover;
};

} // namespace

TEST_F(PopoverTest, TheToastsTemporaryFileIsListedAndKeepAndDeleteWork)
{
    const QString path = download("report.pdf");
    key("super+shift+t");
    ASSERT_TRUE(waitUntil([&] { return recordState("report.pdf") == "temporary"; }));
    ASSERT_TRUE(waitUntil([&] { return toastWindows().isEmpty(); }));

    // The icon is clicked until the popover is up. The tray may dock the icon
    // again in a new window: it is looked up on each try.
    QString window;
    ASSERT_TRUE(waitUntil(
        [&] {
            const QString icon = embeddedIconWindow();
            if ((window = popoverWindow()).isEmpty() && !icon.isEmpty())
                runTool("xdotool", {"mousemove", "--window", icon, "11", "11", "click", "1"});
            return !window.isEmpty();
        },
        std::chrono::seconds(15)));
    m_popover = frameOf(window);
    const QRect icon = frameOf(embeddedIconWindow());
    // Under the icon, inside the screen.
    EXPECT_GT(m_popover.top(), icon.bottom());
    EXPECT_LE(m_popover.top(), icon.bottom() + 9);
    EXPECT_LT(m_popover.right(), 1920);
    EXPECT_LE(m_popover.left(), icon.right());
    ASSERT_TRUE(waitUntil([&] {
        return log().contains("PopoverContentView body: count=1 files=[report.pdf[temporary") &&
               log().contains("CountdownIndicator.content");
    }));

    chooseFromFirstRow(0); // Keep
    ASSERT_TRUE(waitUntil([&] { return recordState("report.pdf") == "dismissed"; }));
    ASSERT_TRUE(waitUntil([&] { return log().contains("count=1 files=[report.pdf[dismissed"); }));
    // The ignored section, now first, opens on its header.
    click(180, firstSectionY + 13);
    chooseFromFirstRow(0); // Mark as temporary
    ASSERT_TRUE(waitUntil([&] { return recordState("report.pdf") == "temporary"; }));
    chooseFromFirstRow(1); // Delete
    const QString trashed = m_vantle->home() + "/.local/share/Trash/files/report.pdf";
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(trashed); }));
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_TRUE(waitUntil([&] { return log().contains("count=0 files=[]"); }));
    // "Recently trashed", folded, is now the first section: open it and restore.
    click(180, firstSectionY + 13);
    click(360 - 16 - 25, firstRowY);
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(path); }));
    EXPECT_FALSE(QFile::exists(trashed));
    ASSERT_TRUE(waitUntil([&] { return recordState("report.pdf") == "dismissed"; }));

    // The gear shows the settings in place of the list; Escape closes the popover.
    const QRect body = m_popover.adjusted(0, 70, 0, 0); // below the gear's tooltip
    const QImage list = settled(body);
    click(360 - 16 - 10, 23);
    EXPECT_TRUE(waitUntil([&] { return screenshot().copy(body) != list; }));
    key("Escape");
    ASSERT_TRUE(waitUntil([&] { return popoverWindow().isEmpty(); }));
}
