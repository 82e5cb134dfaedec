// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/IslandPainter.h"

#include "platform/KeyGrabber.h"
#include "platform/Session.h"
#include "toast/DynamicIslandShape.h"
#include "toast/ToastGeometry.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace islandpainter {

namespace {

const QColor ringGreen(52, 199, 89);
const QColor accent(10, 132, 255);
constexpr double badgeGap = 6;
constexpr double labelToKeycap = 4;
// Keycaps spell "Super" and "Alt": small type and tight padding keep three
// badges clear of the ring.
constexpr double keycapPadding = 3;
constexpr double keycapToEdge = 3;

QFont font(int pixels, QFont::Weight weight)
{
    QFont f = QApplication::font();
    f.setPixelSize(pixels);
    f.setWeight(weight);
    return f;
}

QFont nameFont()
{
    return font(15, QFont::DemiBold);
}
QFont labelFont()
{
    return font(11, QFont::Medium);
}
QFont keycapFont()
{
    return font(9, QFont::DemiBold);
}
QFont countFont()
{
    return font(10, QFont::Bold);
}

QColor white(double opacity)
{
    QColor c(Qt::white);
    c.setAlphaF(float(opacity));
    return c;
}

double keycapWidth(const QString& glyphs)
{
    return QFontMetricsF(keycapFont()).horizontalAdvance(glyphs) + 2 * keycapPadding;
}
double keycapHeight()
{
    return QFontMetricsF(keycapFont()).height() + 4;
}
double badgeHeight()
{
    return std::max(QFontMetricsF(labelFont()).height(), keycapHeight()) + 6;
}
double badgeWidth(const BadgeText& text)
{
    const double label = QFontMetricsF(labelFont()).horizontalAdvance(text.label);
    if (text.shortcut.isEmpty())
        return 6 + label + 10;
    return 6 + label + labelToKeycap + keycapWidth(text.shortcut) + keycapToEdge;
}

double textLeft(int width)
{
    return islandRect(width, 0).left() + leadingInset + iconSide + spacing;
}

// Top of the name line: the text block is centred in the 52-point row.
double textTop(int topInset)
{
    const double block = QFontMetricsF(nameFont()).height() + 6 + badgeHeight();
    return topInset + toastgeometry::islandTopGap + (iconSide - block) / 2;
}

void paintBadge(QPainter& p, const QRectF& rect, const BadgeText& text, bool interactive,
                double opacity)
{
    p.save();
    p.setOpacity(p.opacity() * opacity);
    const double radius = rect.height() / 2;
    p.setPen(QPen(white(interactive ? 0.18 : 0.06), 0.5));
    p.setBrush(white(interactive ? 0.16 : 0.08));
    p.drawRoundedRect(rect, radius, radius);

    p.setFont(labelFont());
    p.setPen(white(interactive ? 1.0 : 0.85));
    const double labelWidth = QFontMetricsF(labelFont()).horizontalAdvance(text.label);
    const QRectF labelRect(rect.left() + 6, rect.top(), labelWidth, rect.height());
    p.drawText(labelRect, Qt::AlignLeft | Qt::AlignVCenter, text.label);
    if (text.shortcut.isEmpty()) {
        p.restore();
        return;
    }

    const QRectF cap(labelRect.right() + labelToKeycap, rect.center().y() - keycapHeight() / 2,
                     keycapWidth(text.shortcut), keycapHeight());
    p.setPen(QPen(white(0.18), 0.5));
    p.setBrush(white(0.14));
    p.drawRoundedRect(cap, 4, 4);
    p.setFont(keycapFont());
    p.setPen(white(0.95));
    p.drawText(cap, Qt::AlignCenter, text.shortcut);
    p.restore();
}

void paintStackBadge(QPainter& p, const QRectF& icon, int count)
{
    const QString text = QString::number(count);
    const QFontMetricsF metrics(countFont());
    const double w = std::max(16.0, metrics.horizontalAdvance(text) + 6);
    const double h = std::max(16.0, metrics.height());
    const QRectF badge(icon.right() + 6 - w, icon.top() - 6, w, h);
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(accent);
    p.drawRoundedRect(badge, h / 2, h / 2);
    p.setFont(countFont());
    p.setPen(Qt::white);
    p.drawText(badge, Qt::AlignCenter, text);
}

void paintIcon(QPainter& p, const QRectF& rect, const QIcon& icon)
{
    QPainterPath clip;
    clip.addRoundedRect(rect, 8, 8);
    p.save();
    p.setClipPath(clip);
    if (!icon.isNull()) {
        const QPixmap pixmap = icon.pixmap(QSize(iconSide, iconSide),
                                           p.device() ? p.device()->devicePixelRatioF() : 1);
        p.drawPixmap(rect, pixmap, QRectF(pixmap.rect()));
    } else {
        p.fillRect(rect, QColor(90, 90, 96));
    }
    p.restore();
}

// Maps island coordinates to the widget: bump about the centre, collapse
// about the top centre.
QTransform islandTransform(const IslandFrame& frame, int width)
{
    const QRectF island = islandRect(width, frame.topInset);
    const double sx = collapsedWidthScale + (1.0 - collapsedWidthScale) * frame.expansion;
    const double sy = collapsedHeightScale + (1.0 - collapsedHeightScale) * frame.expansion;
    QTransform t;
    t.translate(island.center().x(), island.center().y());
    t.scale(frame.bumpScale, frame.bumpScale);
    t.translate(-island.center().x(), -island.center().y());
    t.translate(island.center().x(), island.top());
    t.scale(std::max(sx, 0.0), std::max(sy, 0.0));
    t.translate(-island.center().x(), -island.top());
    return t;
}

} // namespace

double islandOpacity(const IslandFrame& frame)
{
    if (frame.hasNotch)
        return 1.0;
    return std::clamp(frame.expansion, 0.0, 1.0);
}

namespace {
// A badge names its global shortcut only where such shortcuts work: under
// Wayland they reach Vantle only while an X11 window has focus.
BadgeText badge(const QString& label, const QString& spelled)
{
    if (!session::globalShortcutsWork())
        return {label, {}, {}};
    return {label, KeyGrabber::keycap(spelled), spelled};
}
} // namespace

std::array<BadgeText, 3> badgeTexts(bool optionHeld)
{
    const auto badge = [](const char* label, const char* keys) {
        return islandpainter::badge(QString::fromUtf8(label), QString::fromUtf8(keys));
    };
    return {optionHeld ? badge("Custom time…", "Super+Shift+Alt+T")
                       : badge("Mark temporary", "Super+Shift+T"),
            badge("Move", "Super+Shift+M"), badge("More", "Super+Shift+.")};
}

BadgeText undoBadgeText()
{
    return badge(QStringLiteral("Undo"), QStringLiteral("Super+Shift+Z"));
}

QString trashedCaption()
{
    return QStringLiteral("Moved to Trash");
}

QRectF undoBadgeRect(int width, int topInset)
{
    // After the caption that says what it undoes.
    const QRectF first = badgeRects(width, topInset, false)[0];
    const double caption = QFontMetricsF(labelFont()).horizontalAdvance(trashedCaption());
    return QRectF(first.left() + caption + badgeGap, first.top(), badgeWidth(undoBadgeText()),
                  first.height());
}

QRectF islandRect(int width, int topInset)
{
    return QRectF((width - toastgeometry::islandWidth) / 2.0, 0, toastgeometry::islandWidth,
                  toastgeometry::expandedIslandHeight(topInset));
}

QRectF ringRect(int width, int topInset)
{
    const QRectF island = islandRect(width, topInset);
    return QRectF(island.right() - trailingInset - ringSide,
                  topInset + toastgeometry::islandTopGap + (iconSide - ringSide) / 2.0, ringSide,
                  ringSide);
}

QRectF iconRect(int width, int topInset)
{
    const QRectF island = islandRect(width, topInset);
    return QRectF(island.left() + leadingInset, topInset + toastgeometry::islandTopGap, iconSide,
                  iconSide);
}

std::array<QRectF, 3> badgeRects(int width, int topInset, bool optionHeld)
{
    const auto texts = badgeTexts(optionHeld);
    const double top = textTop(topInset) + QFontMetricsF(nameFont()).height() + 6;
    double x = textLeft(width);
    std::array<QRectF, 3> rects;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        rects[i] = QRectF(x, top, badgeWidth(texts[i]), badgeHeight());
        x = rects[i].right() + badgeGap;
    }
    return rects;
}

QPainterPath drawnOutline(const IslandFrame& frame, int width)
{
    if (islandOpacity(frame) <= 0.0)
        return {};
    const QPainterPath shape = DynamicIslandShape{}.path(islandRect(width, frame.topInset));
    return islandTransform(frame, width).map(shape);
}

void paintRing(QPainter& p, const QRectF& rect, double progress)
{
    const double inset = ringLineWidth / 2;
    const QRectF circle = rect.adjusted(inset, inset, -inset, -inset);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(white(0.18), ringLineWidth));
    p.drawEllipse(circle);
    const double fraction = std::clamp(std::max(progress, minimumArc), 0.0, 1.0);
    QPen arc(ringGreen, ringLineWidth);
    arc.setCapStyle(Qt::FlatCap);
    p.setPen(arc);
    // From the top, clockwise.
    p.drawArc(circle, 90 * 16, -int(std::round(fraction * 360 * 16)));
    p.restore();
}

void paint(QPainter& p, const IslandFrame& frame, int width)
{
    const double opacity = islandOpacity(frame);
    if (opacity <= 0.0)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setOpacity(opacity);
    p.setTransform(islandTransform(frame, width), true);

    const QRectF island = islandRect(width, frame.topInset);
    const QPainterPath shape = DynamicIslandShape{}.path(island);
    p.fillPath(shape, Qt::black);
    p.setClipPath(shape);

    const QRectF icon = iconRect(width, frame.topInset);
    if (!frame.files.empty()) {
        paintIcon(p, icon, frame.icon);
        if (frame.files.size() >= 2)
            paintStackBadge(p, icon, int(frame.files.size()));

        const double left = textLeft(width);
        const double right = ringRect(width, frame.topInset).left() - spacing;
        const QFontMetricsF metrics(nameFont());
        p.setFont(nameFont());
        p.setPen(Qt::white);
        const QString name =
            metrics.elidedText(frame.files.front().fileName, Qt::ElideMiddle, right - left);
        p.drawText(QRectF(left, textTop(frame.topInset), right - left, metrics.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, name);
    }

    if (frame.showsUndo) {
        const QRectF rect = undoBadgeRect(width, frame.topInset);
        p.save();
        p.setFont(labelFont());
        p.setPen(white(0.85));
        p.drawText(
            QRectF(textLeft(width), rect.top(), rect.left() - textLeft(width), rect.height()),
            Qt::AlignLeft | Qt::AlignVCenter, trashedCaption());
        if (frame.pressedBadge == 0 && frame.isInteractive)
            p.setOpacity(p.opacity() * 0.75);
        paintBadge(p, rect, undoBadgeText(), frame.isInteractive, 1.0);
        p.restore();
        if (frame.drawRing)
            paintRing(p, ringRect(width, frame.topInset), frame.progress);
        p.restore();
        return;
    }
    // The first badge cross-fades between its two labels.
    const auto plain = badgeRects(width, frame.topInset, false);
    const auto option = badgeRects(width, frame.topInset, true);
    const auto plainTexts = badgeTexts(false);
    const auto optionTexts = badgeTexts(true);
    const double b = std::clamp(frame.optionBlend, 0.0, 1.0);
    for (int i = 0; i < 3; ++i) {
        auto lerp = [b](const QRectF& from, const QRectF& to) {
            return QRectF(from.x() + (to.x() - from.x()) * b, from.y(),
                          from.width() + (to.width() - from.width()) * b, from.height());
        };
        QRectF rect = lerp(plain[i], option[i]);
        p.save();
        if (i == frame.pressedBadge && frame.isInteractive) {
            p.translate(rect.center());
            p.scale(0.97, 0.97);
            p.translate(-rect.center());
            p.setOpacity(p.opacity() * 0.75);
        }
        if (i == 0 && b > 0.0 && b < 1.0) {
            paintBadge(p, rect, plainTexts[0], frame.isInteractive, 1.0 - b);
            paintBadge(p, rect, optionTexts[0], frame.isInteractive, b);
        } else {
            paintBadge(p, rect, b >= 1.0 ? optionTexts[i] : plainTexts[i], frame.isInteractive,
                       1.0);
        }
        p.restore();
    }

    if (frame.drawRing)
        paintRing(p, ringRect(width, frame.topInset), frame.progress);
    p.restore();
}

} // namespace islandpainter
