// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toast/ToastTypes.h"

#include <QIcon>
#include <QRectF>
#include <QString>
#include <array>
#include <vector>

class QPainter;

// Everything one frame of the island needs, already animated.
struct IslandFrame {
    std::vector<ToastFileItem> files;
    QIcon icon;            // the first file's icon
    double progress = 0.0; // remaining fraction of the countdown
    int topInset = 14;
    bool hasNotch = false;
    double expansion = 0.0; // 0 collapsed, 1 expanded (a spring may overshoot)
    double bumpScale = 1.0;
    double optionBlend = 0.0; // 0 "Mark temporary", 1 "Custom time…"
    bool isInteractive = false;
    int pressedBadge = -1;
    bool showsUndo = false; // the files were just trashed: one "Undo" badge
    bool drawRing = true;   // off when the ring is drawn over a cached island
};

// The island's look: measurements in points, drawn at the top centre of a
// widget of the given width.
namespace islandpainter {

inline constexpr double collapsedWidthScale = 140.0 / 520.0;
inline constexpr double collapsedHeightScale = 0.15;
inline constexpr int leadingInset = 18;
inline constexpr int trailingInset = 32;
inline constexpr int spacing = 12;
inline constexpr int iconSide = 52;
inline constexpr int ringSide = 26;
inline constexpr double ringLineWidth = 3.5;
inline constexpr double minimumArc = 0.001;

struct BadgeText {
    QString label;
    QString shortcut; // the keys as the keycap shows them
    QString toolTip;  // the keys spelled out
};
// The three badges; the first swaps while Option is held.
std::array<BadgeText, 3> badgeTexts(bool optionHeld);

// The island's expanded rectangle inside a widget `width` wide.
QRectF islandRect(int width, int topInset);
QRectF ringRect(int width, int topInset);
QRectF iconRect(int width, int topInset);
// The badges' rectangles (expanded, unscaled), in widget coordinates.
std::array<QRectF, 3> badgeRects(int width, int topInset, bool optionHeld);
// While a delete can be taken back: the caption saying so, then one badge.
QString trashedCaption();
BadgeText undoBadgeText();
QRectF undoBadgeRect(int width, int topInset);

// How opaque the island is drawn: it fades in and out with its size where
// no housing hides it.
double islandOpacity(const IslandFrame& frame);
// The outline actually drawn this frame (empty when nothing is drawn).
QPainterPath drawnOutline(const IslandFrame& frame, int width);
void paint(QPainter& painter, const IslandFrame& frame, int width);
// The ring alone, in `rect`.
void paintRing(QPainter& painter, const QRectF& rect, double progress);

} // namespace islandpainter
