// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/FileRows.h"

#include "menus/SymbolicIcon.h"
#include "popover/CountdownIndicator.h"
#include "popover/FileRowIcon.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int menuButtonSide = 30;
constexpr int nameFontPixelSize = 13;
constexpr int captionPixelSize = 11;
constexpr int menuGlyphPixelSize = 16;
constexpr int minimumFlexibleSpace = 12;

// The popover is dark whatever the desktop theme, so the rows bring their own
// text colours; the pill's calm colour is the secondary one.
QPalette rowPalette(QPalette palette)
{
    const QColor primary(245, 245, 245);
    const QColor secondary(255, 255, 255, 140);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, primary);
    palette.setColor(QPalette::PlaceholderText, secondary);
    return palette;
}

QFont sized(QFont font, int pixelSize, QFont::Weight weight = QFont::Normal)
{
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

// One line of text that gives up width by eliding rather than being cut
// mid-letter; the middle by default, which keeps a file name's extension in sight.
class RowLabel : public QLabel {
public:
    RowLabel(const QString& text, QWidget* parent, Qt::TextElideMode mode = Qt::ElideMiddle)
        : QLabel(text, parent), m_mode(mode)
    {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override
    {
        const QFontMetrics metrics(font());
        return {metrics.horizontalAdvance(text()), metrics.height()};
    }
    QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        const QString shown = fontMetrics().elidedText(text(), m_mode, width());
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, shown);
    }

private:
    Qt::TextElideMode m_mode;
};

// Copies the callback first: running it may replace the one the row holds.
void call(const std::function<void()>& callback)
{
    if (auto copy = callback)
        copy();
}

} // namespace

QString wrappedToolTip(const QString& text)
{
    return QStringLiteral("<p style='white-space:pre-wrap'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

QLabel* warningPill(const QString& text, QWidget* parent)
{
    auto* pill = new QLabel(QStringLiteral("⚠ ") + text, parent);
    QFont font = pill->font();
    font.setPixelSize(captionPixelSize);
    font.setWeight(QFont::DemiBold);
    pill->setFont(font);
    pill->setStyleSheet(QStringLiteral("color: #ffb340; background: rgba(255, 159, 10, 46); "
                                       "border-radius: 9px; padding: 2px 8px;"));
    return pill;
}

QString markTemporaryToolTip(qint64 amount, ExpiryUnit unit)
{
    return QStringLiteral("Mark as temporary (auto-deletes after %1 %2)")
        .arg(amount)
        .arg(unitWord(unit, amount));
}

FileRowView::FileRowView(const TrackedFile& file, std::function<void()> onReveal, QWidget* parent)
    : QWidget(parent), m_onReveal(std::move(onReveal)), m_layout(new QHBoxLayout(this)),
      m_menu(nullptr)
{
    setPalette(rowPalette(palette()));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(file.fileName);
    // The name over the size is taller than the icon: the row's fixed
    // height keeps 8 above and below so that no descender is cut.
    m_layout->setContentsMargins(16, 8, 16, 8);
    m_layout->setSpacing(10);

    m_layout->addWidget(new FileIconView(file.filePath, this), 0, Qt::AlignVCenter);

    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    auto* name = new RowLabel(file.fileName, this);
    name->setObjectName(QStringLiteral("fileName"));
    name->setToolTip(file.fileName);
    name->setFont(sized(font(), nameFontPixelSize));
    auto* size = m_size = new RowLabel(file.displaySize(), this, Qt::ElideRight);
    size->setObjectName(QStringLiteral("fileSize"));
    size->setFont(sized(font(), captionPixelSize));
    size->setForegroundRole(QPalette::PlaceholderText);
    text->addWidget(name);
    text->addWidget(size);
    m_layout->addLayout(text, 1);
    m_layout->addSpacerItem(new QSpacerItem(minimumFlexibleSpace, 0, QSizePolicy::MinimumExpanding,
                                            QSizePolicy::Minimum));

    auto* button = new QToolButton(this);
    button->setObjectName(QStringLiteral("rowMenuButton"));
    button->setText(QStringLiteral("⋯"));
    button->setAccessibleName(QStringLiteral("Actions for ") + file.fileName);
    button->setFont(sized(font(), menuGlyphPixelSize, QFont::DemiBold));
    button->setFixedSize(menuButtonSide, menuButtonSide);
    button->setAutoRaise(true);
    button->setPopupMode(QToolButton::InstantPopup);
    // The glyph says it opens a menu; the style's arrow would only crowd it.
    button->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    m_menu = new QMenu(button);
    m_menu->setToolTipsVisible(true);
    button->setMenu(m_menu);
    m_layout->addWidget(button, 0, Qt::AlignVCenter);
}

void FileRowView::addBeforeMenuButton(QWidget* widget)
{
    m_layout->insertWidget(m_layout->count() - 1, widget, 0, Qt::AlignVCenter);
}

void FileRowView::addMenuAction(const QString& themeIcon, const QString& text,
                                std::function<void()> callback, const QString& toolTip)
{
    QAction* action = m_menu->addAction(symbolicIcon(themeIcon), text);
    if (!toolTip.isEmpty())
        action->setToolTip(toolTip);
    connect(action, &QAction::triggered, this,
            [callback = std::move(callback)] { call(callback); });
}

void FileRowView::showOrigin(const std::optional<QUrl>& origin)
{
    if (!origin)
        return;
    m_size->setText(m_size->text() + QStringLiteral(" · ") + origin->host());
    m_size->setToolTip(origin->toString());
    const QUrl url = *origin;
    addMenuAction(QStringLiteral("edit-copy"), QStringLiteral("Copy Download Link"),
                  [url] { QGuiApplication::clipboard()->setText(url.toString()); });
}

bool FileRowView::showFailure(const QString& failure)
{
    if (failure.isEmpty())
        return false;
    auto* label = warningPill(failure.section(QLatin1Char(':'), 0, 0), this);
    label->setObjectName(QStringLiteral("actionFailure"));
    label->setToolTip(failure);
    label->setAccessibleName(failure);
    addBeforeMenuButton(label);
    return true;
}

// A click is a press and a release both on the row. Children that take their
// own presses (the menu button) keep them, and a release the button passes on
// after its menu closed is no click of the row's.
void FileRowView::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->setAccepted(m_pressed);
}

void FileRowView::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        call(m_onReveal);
}

void FileRowView::enterEvent(QEnterEvent*)
{
    m_hovered = true;
    update();
}

void FileRowView::leaveEvent(QEvent*)
{
    m_hovered = false;
    update();
}

void FileRowView::paintEvent(QPaintEvent*)
{
    if (!m_hovered)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 20));
    painter.drawRoundedRect(QRectF(rect()).adjusted(4, 1, -4, -1), 6, 6);
}

TemporaryFileRowView::TemporaryFileRowView(const TrackedFile& file, Actions actions,
                                           QWidget* parent)
    : FileRowView(file, std::move(actions.onReveal), parent)
{
    if (showFailure(actions.failure)) {
        // What the user just tried comes first.
    } else if (actions.trashRefusal.isEmpty()) {
        auto* countdown = new CountdownIndicator(file.markedTemporaryAt, file.expiresAt, this);
        countdown->setObjectName(QStringLiteral("countdown"));
        addBeforeMenuButton(countdown);
    } else {
        // A countdown would say "Deleting…" for as long as the Trash refuses.
        auto* refusal = warningPill(QStringLiteral("Couldn’t trash"), this);
        refusal->setToolTip(
            wrappedToolTip(QStringLiteral("The Trash refused this file: %1\nVantle tries "
                                          "again every 15 minutes and at the next start.")
                               .arg(actions.trashRefusal)));
        refusal->setObjectName(QStringLiteral("trashRefusal"));
        addBeforeMenuButton(refusal);
    }
    addMenuAction(QStringLiteral("document-save"), QStringLiteral("Keep"),
                  std::move(actions.onKeep));
    addMenuAction(QStringLiteral("user-trash"), QStringLiteral("Delete"),
                  std::move(actions.onDeleteNow));
    menu()->addSeparator();
    auto snooze = [onSnooze = actions.onSnooze](std::optional<double> seconds) {
        return [onSnooze, seconds] {
            if (onSnooze)
                onSnooze(seconds);
        };
    };
    addMenuAction(QStringLiteral("appointment-soon"), QStringLiteral("Keep 1 more hour"),
                  snooze(3600.0));
    addMenuAction(QStringLiteral("x-office-calendar"), QStringLiteral("Keep 1 more day"),
                  snooze(86400.0));
    addMenuAction(QStringLiteral("document-edit"), QStringLiteral("Custom…"), snooze(std::nullopt));
    showOrigin(actions.origin);
}

IgnoredFileRowView::IgnoredFileRowView(const TrackedFile& file, Actions actions,
                                       const QString& markToolTip, QWidget* parent)
    : FileRowView(file, std::move(actions.onReveal), parent)
{
    if (!showFailure(actions.failure) && file.pinned) {
        auto* pin = new QLabel(this);
        pin->setObjectName(QStringLiteral("pin"));
        pin->setPixmap(symbolicIcon(QStringLiteral("view-pin"), QColor(255, 255, 255, 150))
                           .pixmap(QSize(14, 14), devicePixelRatioF()));
        pin->setToolTip(QStringLiteral("Kept forever: never tidied"));
        pin->setAccessibleName(pin->toolTip());
        addBeforeMenuButton(pin);
    }
    addMenuAction(QStringLiteral("appointment-soon"), QStringLiteral("Mark as temporary"),
                  std::move(actions.onMarkTemporary), markToolTip);
    if (file.pinned)
        addMenuAction(QStringLiteral("view-pin"), QStringLiteral("Unpin"),
                      std::move(actions.onTogglePin),
                      QStringLiteral("Let the tidy rule take it again"));
    else
        addMenuAction(QStringLiteral("view-pin"), QStringLiteral("Keep forever"),
                      std::move(actions.onTogglePin), QStringLiteral("Never tidy this file away"));
    showOrigin(actions.origin);
}
