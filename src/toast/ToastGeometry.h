// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <optional>
#include <vector>

// Where the toast and its panels go, as pure functions over screen
// rectangles in Qt's coordinates (origin top left, y downwards). Linux
// screens have no camera housing, so the fallback rectangle applies.
namespace toastgeometry {

struct ScreenFacts {
    QRect geometry;  // the whole screen
    QRect available; // without panels and docks
};

inline constexpr int panelWidth = 820;
inline constexpr int panelExtraHeight = 120;
inline constexpr int islandWidth = 520;
inline constexpr int collapsedIslandWidth = 140;
inline constexpr int islandRowHeight = 52;
inline constexpr int islandTopGap = 8;
inline constexpr int islandBottomGap = 12;
inline constexpr int hitMargin = 6;
inline constexpr int inputPanelWidth = 500;
inline constexpr int inputGap = 12;
inline constexpr int minimumBarHeight = 24;
inline constexpr int maximumTopInset = 14;
inline constexpr int fallbackTopInset = 16; // no screen at all
inline constexpr int minimumWindowSide = 100;

// The housing stand-in: 200 wide, as high as the top panel strut (at least 24).
QRect notchRect(const ScreenFacts& screen);
// How far the island's content starts below the top of the screen.
int topInset(const ScreenFacts& screen);
// How far the expanded island reaches down from the top of the screen.
int islandBottom(int topInset);
// Expanded island height: top inset + 8 + 52 + 12.
int expandedIslandHeight(int topInset);

// The toast panel: 820 wide, centred, hanging from the top of the screen.
QRect toastPanelFrame(const ScreenFacts& screen);
// The clickable area inside a container of `size`: the island with a
// 6-point margin, measured from the container's top.
QRect hitTestRect(QSize size, int topInset, bool visible);

// Input panels hang 24 points below the island, centred under it.
QRect inputPanelFrame(const ScreenFacts& screen, int height);
int moveInputHeight(int rows, bool showingResults);
int timeInputHeight(bool showsResultRow);
int moreMenuHeight(int itemCount);
// Row `index` of the More menu whose body is at `body`.
QRect moreMenuRow(const QRect& body, int index);
// A message in the island's place: its width, hanging from the top edge,
// `height` below the island's inset.
QRect noticeFrame(const ScreenFacts& screen, int height);
// A 2×2 square just under the island's bottom centre.
QRect shareAnchorRect(const ScreenFacts& screen);

// The screen holding the centre of the active window (only windows wider and
// higher than 100), else the one under the pointer, else the primary one.
// Returns an index into `screens`, or nothing when there are none.
std::optional<int> chooseScreen(const std::vector<ScreenFacts>& screens,
                                std::optional<QRect> activeWindow, std::optional<QPoint> pointer,
                                int primaryIndex);

} // namespace toastgeometry
