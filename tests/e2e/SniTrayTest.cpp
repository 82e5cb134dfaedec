// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastOnScreen.h"

namespace {

const QString watcherName = "org.kde.StatusNotifierWatcher";
const QString itemInterface = "org.kde.StatusNotifierItem";
const QString getProperty = "org.freedesktop.DBus.Properties.Get";

// A StatusNotifierItem panel as Debian ships one, a watcher and a standalone
// host, on a session bus of the test's own that the program uses too. It is
// there before the program starts and is restarted midway: its return is what
// a panel that starts late looks like to the program.
class SniTrayTest : public ToastOnScreen {
protected:
    void prepare(VantleProcess& vantle) override
    {
        startBus(vantle);
        startPanel();
    }
    void TearDown() override
    {
        stop(m_host);
        stop(m_watcher);
        ToastOnScreen::TearDown();
    }

    void startPanel()
    {
        for (QProcess* process : {&m_watcher, &m_host})
            process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_watcher.start("status-notifier-watcher", {});
        m_host.start("gtk-sni-tray-standalone", {"--top"});
        ASSERT_TRUE(m_watcher.waitForStarted() && m_host.waitForStarted());
        // A panel is clicked once it shows; a popover opened before the
        // panel's window maps may be closed by its mapping.
        ASSERT_TRUE(waitUntil([&] {
            return !runTool("xdotool", {"search", "--onlyvisible", "--pid",
                                        QString::number(m_host.processId())})
                        .isEmpty();
        })) << "the panel did not show";
    }
    QString itemName() const
    {
        return QString("org.kde.StatusNotifierItem-%1-vantle").arg(m_process.processId());
    }
    // A left click as the panel reports it, at a point on the screen.
    void activate(QPoint at)
    {
        EXPECT_EQ(busCall(itemName(), "/StatusNotifierItem", itemInterface + ".Activate",
                          {QString::number(at.x()), QString::number(at.y())}),
                  "()");
    }

    QProcess m_watcher, m_host;
};

} // namespace

TEST_F(SniTrayTest, APanelThatStartsFirstOrRestartsGetsTheIconItsClickPlacesThePopoverAndQuits)
{
    // Far from every point the panel names, so that opening at the pointer shows.
    runTool("xdotool", {"mousemove", "100", "540"});
    const struct {
        QPoint click;
        bool below; // a panel along the top, else along the bottom
    } rounds[] = {{{1000, 300}, true}, {{1900, 1000}, false}};
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.click.y());
        if (&round != &rounds[0]) { // the panel is replaced
            stop(m_host);
            stop(m_watcher);
            startPanel();
        }
        const auto registered = [&] {
            return busCall(watcherName, "/StatusNotifierWatcher", getProperty,
                           {watcherName, "RegisteredStatusNotifierItems"});
        };
        ASSERT_TRUE(waitUntil([&] { return registered().contains("'" + itemName() + "'"); }))
            << registered().toStdString();
        EXPECT_EQ(
            busCall(itemName(), "/StatusNotifierItem", getProperty, {itemInterface, "IconName"}),
            "(<'app.vantle.Vantle'>,)");
        activate(round.click);
        QString window;
        const auto shown = [&] { return !(window = popoverWindow()).isEmpty(); };
        // A panel that has just started can take the focus, and with it the
        // popover, as its window settles: the user clicks again.
        if (!waitUntil(shown, std::chrono::seconds(3)))
            activate(round.click);
        ASSERT_TRUE(waitUntil(shown));
        // Within 9 px of the point, on the side away from the panel, across
        // the point and on the screen; under a point of a top panel, centred.
        const QRect frame = frameOf(window);
        const int x = round.click.x(), y = round.click.y();
        const int gap = round.below ? frame.top() - y : y - frame.bottom();
        EXPECT_TRUE(gap > 0 && gap <= 9) << gap;
        EXPECT_TRUE(frame.left() <= x && x <= frame.right()) << frame.left() << " " << x;
        EXPECT_LE(frame.right(), 1919);
        EXPECT_TRUE(!round.below || std::abs(frame.center().x() - x) <= 1) << frame.center().x();
        activate(round.click); // a second click closes it
        ASSERT_TRUE(waitUntil([&] { return popoverWindow().isEmpty(); }));
    }
    // The panel draws the menu itself: its "Quit Vantle" ends the program cleanly.
    const QString layout =
        busCall(itemName(), "/MenuBar", "com.canonical.dbusmenu.GetLayout", {"0", "-1", "[]"});
    const auto quit =
        QRegularExpression("\\((\\d+), \\{[^}]*'label': <'Quit Vantle'>").match(layout);
    ASSERT_TRUE(quit.hasMatch()) << layout.toStdString();
    EXPECT_EQ(busCall(itemName(), "/MenuBar", "com.canonical.dbusmenu.Event",
                      {quit.captured(1), "clicked", "<0>", "0"}),
              "()");
    expectCleanExit(m_process);
}
