// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastOnScreen.h"

namespace {

class AccessibilityTest : public ToastOnScreen {
protected:
    // Qt then speaks AT-SPI without a screen reader running.
    void prepare(VantleProcess& vantle) override
    {
        vantle.environment().insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    }

    // Reads or acts on the program's notification through the accessibility bus
    // (pyatspi is Debian's, hence its Python); nothing when the helper failed.
    std::optional<QString> accessibleTree(const QStringList& arguments)
    {
        QProcess helper;
        helper.start("/usr/bin/python3",
                     QStringList{VANTLE_SOURCE_DIR "/tests/e2e/accessible_tree.py",
                                 QString::number(m_process.processId())} +
                         arguments);
        const bool ok = helper.waitForFinished(30000) &&
                        helper.exitStatus() == QProcess::NormalExit && helper.exitCode() == 0;
        EXPECT_TRUE(ok) << arguments.join(' ').toStdString() << ": "
                        << helper.readAllStandardError().toStdString();
        return ok ? std::optional(QString::fromUtf8(helper.readAllStandardOutput())) : std::nullopt;
    }
};

} // namespace

TEST_F(AccessibilityTest, TheIslandsBadgesAreButtonsAScreenReaderCanPress)
{
    download("report.pdf");
    // The pointer rests on the island so that the countdown waits for the reader.
    runTool("xdotool", {"mousemove", "770", "60"});
    EXPECT_EQ(accessibleTree({"list"}).value_or("(none)"),
              QString("notification\treport.pdf\n"
                      "push button\tMark temporary (Super+Shift+T)\n"
                      "push button\tMove (Super+Shift+M)\n"
                      "push button\tMore (Super+Shift+.)\n"));
    ASSERT_TRUE(accessibleTree({"press", "Mark temporary (Super+Shift+T)"}));
    EXPECT_TRUE(waitUntil([&] { return recordState("report.pdf") == "temporary"; }));
}
