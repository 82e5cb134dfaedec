// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayPopover.h"

#include "app/AppState.h"
#include "app/TrayPresence.h"
#include "platform/WindowSystem.h"
#include "platform/Workspace.h"
#include "popover/PopoverGeometry.h"
#include "popover/PopoverModel.h"
#include "popover/PopoverWindow.h"
#include "popover/TidyModel.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace {

// The click on the icon that closed the popover (a click outside it) must
// not open it again at once.
constexpr qint64 reopenGuardMs = 300;

} // namespace

TrayPopover::TrayPopover(TrayPresence& tray, AppState& appState, UpdaterManager& updater)
    : m_tray(tray),
      m_model(std::make_unique<PopoverModel>(appState.trackedFileActor(), appState.cleanupService(),
                                             &appState.recentlyTrashed())),
      m_tidy(std::make_unique<TidyModel>(appState.tidier()))
{
    m_window = std::make_unique<PopoverWindow>(PopoverWindow::Services{
        *m_model, updater, makeSystemWorkspace(), makeWindowSystem()->hasCompositor(),
        &appState.recentlyTrashed(), m_tidy.get()});
    connect(&appState.tidySchedule(), &TidySchedule::ran, m_tidy.get(), &TidyModel::showRun);
    connect(m_window.get(), &PopoverWindow::closed, this, [this] { m_sinceClosed.start(); });
    connect(&m_tray, &TrayPresence::activated, this, [this](std::optional<QRect> anchor) {
        if (m_window->isVisible())
            m_window->close();
        else if (!m_sinceClosed.isValid() || m_sinceClosed.elapsed() > reopenGuardMs)
            open(false, anchor);
    });
    connect(&m_tray, &TrayPresence::settingsRequested, this,
            [this] { open(true, m_tray.iconGeometry()); });
}

TrayPopover::~TrayPopover() = default;

void TrayPopover::showPopover()
{
    if (!m_window->isVisible())
        open(false, m_tray.iconGeometry());
}

void TrayPopover::open(bool settings, std::optional<QRect> anchor)
{
    const QPoint pointer = QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(anchor ? anchor->center() : pointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    m_window->popUp(popovergeometry::frame(anchor, pointer, screen->availableGeometry()), settings);
}
