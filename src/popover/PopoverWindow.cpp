// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/PopoverWindow.h"

#include "expiry/ExpiryUnit.h"
#include "menus/DarkStyle.h"
#include "menus/PanelBackground.h"
#include "menus/SymbolicIcon.h"
#include "platform/Workspace.h"
#include "popover/FileRows.h"
#include "popover/PopoverGeometry.h"
#include "popover/PopoverListView.h"
#include "popover/PopoverModel.h"
#include "popover/RecentlyTrashed.h"
#include "popover/SettingsView.h"
#include "popover/SnoozeEditor.h"
#include "popover/TidyModel.h"
#include "popover/TidySectionView.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* headerButton(const QString& icon, const QString& fallback, const QString& toolTip)
{
    auto* button = new QToolButton;
    button->setIcon(symbolicIcon(icon));
    if (button->icon().isNull())
        button->setText(fallback);
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    button->setAutoRaise(true);
    button->setIconSize(QSize(16, 16));
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("QToolButton { color: white; border: none; }"));
    return button;
}

} // namespace

PopoverWindow::PopoverWindow(Services services)
    : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint), m_services(std::move(services))
{
    setObjectName(QStringLiteral("Popover"));
    setAccessibleName(QStringLiteral("Vantle"));
    // Dark whatever the desktop's theme: light text for every child.
    setPalette(DarkStyle::darkPalette());
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_QuitOnClose, false);
    m_background = PanelBackground::filling(this, m_services.translucent, 12);

    auto* column = new QVBoxLayout(m_background);
    column->setSpacing(0);
    column->addWidget(buildHeader());
    auto* divider = new QFrame;
    divider->setFixedHeight(1);
    divider->setStyleSheet(QStringLiteral("background: rgba(255, 255, 255, 40);"));
    column->addWidget(divider);

    PopoverModel& model = m_services.model;
    std::shared_ptr<Workspace> workspace = m_services.workspace;
    m_list = new PopoverListView(
        {[&model](const TrackedFile& f) { model.keep(f.id); },
         [&model](const TrackedFile& f) { model.deleteNow(f.id); },
         [&model](const TrackedFile& f) { model.markTemporary(f.id); },
         [workspace](const TrackedFile& f) { workspace->revealInFileManager({f.filePath}); },
         [&model] { model.keepAll(); },
         [this](const TrackedFile& f, std::optional<double> seconds) {
             if (seconds)
                 m_services.model.extendExpiry(f.id, *seconds);
             else
                 m_snooze->open(f.id, f.fileName);
         },
         [&model](const TrackedFile& f) { model.setPinned(f.id, !f.pinned); }});
    if (m_services.tidy) {
        // A host, so that the settings can hide the section whatever its state.
        m_tidySection = new QWidget;
        auto* host = new QVBoxLayout(m_tidySection);
        host->setContentsMargins(0, 0, 0, 0);
        host->addWidget(new TidySectionView(*m_services.tidy));
        column->addWidget(m_tidySection);
    }
    m_empty = buildEmptyState();
    m_stack = new QStackedWidget;
    m_stack->addWidget(m_empty);
    m_stack->addWidget(m_list);
    column->addWidget(m_stack, 1);
    m_snooze = new SnoozeEditor(
        [&model](RecordId id, double seconds) { model.extendExpiry(id, seconds); }, m_background);
    column->addWidget(m_snooze);

    connect(&model, &PopoverModel::listsChanged, this, &PopoverWindow::refresh);
    if (RecentlyTrashed* trashed = m_services.recentlyTrashed) {
        m_list->setRestoreAction(
            [trashed](const QString& location) { trashed->restore(location); });
        connect(trashed, &RecentlyTrashed::filesChanged, this, &PopoverWindow::refresh);
    }
    const QSize content = popovergeometry::size;
    const QMargins shadow = m_background->contentsMargins();
    resize(content.grownBy(shadow));
}

PopoverWindow::~PopoverWindow() = default;

QWidget* PopoverWindow::buildHeader()
{
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(16, 12, 16, 12);
    row->setSpacing(6);
    m_back =
        headerButton(QStringLiteral("go-previous"), QStringLiteral("‹"), QStringLiteral("Back"));
    m_back->setObjectName(QStringLiteral("back"));
    connect(m_back, &QToolButton::clicked, this, [this] { showSettings(false); });
    m_title = new QLabel(QStringLiteral("Vantle"));
    m_title->setStyleSheet(QStringLiteral("color: white; font-size: 13px; font-weight: 700;"));
    m_gear = headerButton(QStringLiteral("emblem-system"), QStringLiteral("⚙"),
                          QStringLiteral("Settings"));
    m_gear->setObjectName(QStringLiteral("gear"));
    connect(m_gear, &QToolButton::clicked, this, [this] { showSettings(true); });
    row->addWidget(m_back);
    row->addWidget(m_title);
    row->addStretch(1);
    row->addWidget(m_gear);
    return header;
}

QWidget* PopoverWindow::buildEmptyState()
{
    auto* empty = new QWidget;
    empty->setObjectName(QStringLiteral("emptyState"));
    auto* column = new QVBoxLayout(empty);
    column->addStretch(1);
    auto* symbol = new QLabel;
    const QIcon check = symbolicIcon(QStringLiteral("emblem-ok"), QColor(255, 255, 255, 150));
    if (check.isNull())
        symbol->setText(QStringLiteral("✓"));
    else
        symbol->setPixmap(check.pixmap(QSize(32, 32), symbol->devicePixelRatioF()));
    symbol->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 150); font-size: 28px;"));
    symbol->setAlignment(Qt::AlignCenter);
    auto* text = new QLabel(QStringLiteral("Downloads folder is clean"));
    text->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 150); font-size: 12px;"));
    text->setAlignment(Qt::AlignCenter);
    column->addWidget(symbol);
    column->addSpacing(6);
    column->addWidget(text);
    column->addStretch(1);
    return empty;
}

void PopoverWindow::popUp(const QRect& frame, bool settings)
{
    setGeometry(frame.marginsAdded(m_background->contentsMargins()));
    m_list->setIgnoredExpanded(false);
    m_list->setTrashedExpanded(false);
    m_list->verticalScrollBar()->setValue(0);
    m_snooze->hide();
    showSettings(settings);
    m_services.model.setFollowing(true);
    if (m_services.recentlyTrashed)
        m_services.recentlyTrashed->setFollowing(true);
    refresh();
    show();
    raise();
    activateWindow();
}

void PopoverWindow::showSettings(bool settings)
{
    m_showingSettings = settings;
    m_back->setVisible(settings);
    m_gear->setVisible(!settings);
    m_title->setText(settings ? QStringLiteral("Settings") : QStringLiteral("Vantle"));
    if (m_settings) {
        m_stack->removeWidget(m_settings);
        m_settings->deleteLater();
    }
    if (m_tidySection)
        m_tidySection->setVisible(!settings);
    if (settings) {
        m_settings = new SettingsView(m_services.updater);
        connect(m_settings, &SettingsView::quitRequested, this, &PopoverWindow::quitRequested);
        m_stack->addWidget(m_settings);
        m_stack->setCurrentWidget(m_settings);
        return;
    }
    // The default lifetime may just have changed in the settings.
    m_markToolTip = markTemporaryToolTip(defaultExpiryValue(), defaultExpiryUnit());
    // So may the rule: its preview is worked out afresh.
    if (m_services.tidy)
        m_services.tidy->refresh();
    refresh();
}

void PopoverWindow::refresh()
{
    if (m_showingSettings)
        return;
    const PopoverLists& lists = m_services.model.lists();
    m_list->setLists(lists, m_markToolTip);
    static const std::vector<TrashJournal::Entry> none;
    const auto& trashed = m_services.recentlyTrashed ? m_services.recentlyTrashed->files() : none;
    m_list->setRecentlyTrashed(trashed, m_services.recentlyTrashed
                                            ? m_services.recentlyTrashed->restoreFailures()
                                            : QHash<QString, QString>());
    // Until the first read the list shows nothing rather than "clean".
    m_stack->setCurrentWidget(
        lists.isEmpty() && trashed.empty() && m_services.model.hasRead() ? m_empty : m_list);
}

void PopoverWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PopoverWindow::hideEvent(QHideEvent* event)
{
    m_services.model.setFollowing(false);
    if (m_services.recentlyTrashed)
        m_services.recentlyTrashed->setFollowing(false);
    QWidget::hideEvent(event);
    Q_EMIT closed();
}
