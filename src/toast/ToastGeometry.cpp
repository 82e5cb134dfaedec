// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/ToastGeometry.h"

#include <QString>
#include <algorithm>

namespace toastgeometry {

namespace {

int midX(const QRect& r)
{
    return r.x() + r.width() / 2;
}

} // namespace

QRect notchRect(const ScreenFacts& screen)
{
    const int strut = screen.available.top() - screen.geometry.top();
    const int h = std::max(strut, minimumBarHeight);
    return QRect(midX(screen.geometry) - 100, screen.geometry.top(), 200, h);
}

int topInset(const ScreenFacts& screen)
{
    return std::min(notchRect(screen).height(), maximumTopInset);
}

int islandBottom(int inset)
{
    return inset + islandTopGap + islandRowHeight;
}

int expandedIslandHeight(int inset)
{
    return islandBottom(inset) + islandBottomGap;
}

QRect toastPanelFrame(const ScreenFacts& screen)
{
    const QRect n = notchRect(screen);
    return QRect(midX(screen.geometry) - panelWidth / 2, screen.geometry.top(), panelWidth,
                 n.height() + panelExtraHeight);
}

QRect hitTestRect(QSize size, int inset, bool visible)
{
    const int v = visible ? expandedIslandHeight(inset) : std::max(inset, islandBottomGap);
    const int i = visible ? islandWidth : collapsedIslandWidth;
    return QRect((size.width() - i) / 2 - hitMargin, -hitMargin, i + 2 * hitMargin,
                 v + 2 * hitMargin);
}

QRect inputPanelFrame(const ScreenFacts& screen, int height)
{
    const int inset = topInset(screen);
    const int y = screen.geometry.top() + islandBottom(inset) + islandBottomGap + inputGap;
    return QRect(midX(screen.geometry) - inputPanelWidth / 2, y, inputPanelWidth, height);
}

int moveInputHeight(int rows, bool showingResults)
{
    const int base = rows > 0 ? rows * 32 + 13 + 2 * (rows - 1) + 52 : 52;
    return base + (showingResults ? 28 : 0);
}

int timeInputHeight(bool showsResultRow)
{
    return showsResultRow ? 80 : 52;
}

namespace {
constexpr int moreRowHeight = 33, moreRowGap = 2, moreMenuPadding = 8;
} // namespace

int moreMenuHeight(int itemCount)
{
    return itemCount * moreRowHeight + 2 * moreMenuPadding +
           moreRowGap * std::max(itemCount - 1, 0);
}

QRect moreMenuRow(const QRect& body, int index)
{
    return QRect(body.left(), body.top() + moreMenuPadding + index * (moreRowHeight + moreRowGap),
                 body.width(), moreRowHeight);
}

QRect noticeFrame(const ScreenFacts& screen, int height)
{
    // Hanging from the top edge, as the island does, with the island's inset above.
    return QRect(midX(screen.geometry) - islandWidth / 2, screen.geometry.top(), islandWidth,
                 topInset(screen) + islandTopGap + height);
}

QRect shareAnchorRect(const ScreenFacts& screen)
{
    const int y = screen.geometry.top() + expandedIslandHeight(topInset(screen));
    return QRect(midX(screen.geometry) - 1, y, 2, 2);
}

std::optional<int> chooseScreen(const std::vector<ScreenFacts>& screens,
                                std::optional<QRect> activeWindow, std::optional<QPoint> pointer,
                                int primaryIndex)
{
    if (screens.empty())
        return std::nullopt;
    auto holding = [&](QPoint point) -> std::optional<int> {
        for (std::size_t i = 0; i < screens.size(); ++i) {
            if (screens[i].geometry.contains(point))
                return int(i);
        }
        return std::nullopt;
    };
    if (activeWindow && activeWindow->width() > minimumWindowSide &&
        activeWindow->height() > minimumWindowSide) {
        if (auto index = holding(activeWindow->center()))
            return index;
    }
    if (pointer) {
        if (auto index = holding(*pointer))
            return index;
    }
    if (primaryIndex >= 0 && primaryIndex < int(screens.size()))
        return primaryIndex;
    return 0;
}

} // namespace toastgeometry
