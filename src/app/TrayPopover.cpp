// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayPopover.h"

#include "app/AppState.h"
#include "app/TrayPresence.h"
#include "platform/WindowSystem.h"
#include "platform/Workspace.h"
#include "popover/PopoverGeometry.h"
#include "popover/PopoverModel.h"
#include "popover/PopoverWindow.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>

namespace {

// The click on the icon that closed the popover (a click outside it) must
// not open it again at once.
constexpr qint64 reopenGuardMs = 300;

} // namespace

TrayPopover::TrayPopover(TrayPresence& tray, AppState& appState, UpdaterManager& updater)
    : m_tray(tray), m_model(std::make_unique<PopoverModel>(appState.trackedFileActor(),
                                                           appState.cleanupService()))
{
    m_window = std::make_unique<PopoverWindow>(
        PopoverWindow::Services{*m_model, updater, makeSystemWorkspace(),
                                makeWindowSystem()->hasCompositor(), &appState.recentlyTrashed()});
    connect(m_window.get(), &PopoverWindow::closed, this, [this] { m_sinceClosed.start(); });
    connect(&m_tray, &TrayPresence::activated, this, [this] {
        if (m_window->isVisible())
            m_window->close();
        else if (!m_sinceClosed.isValid() || m_sinceClosed.elapsed() > reopenGuardMs)
            open(false);
    });
    connect(&m_tray, &TrayPresence::settingsRequested, this, [this] { open(true); });
}

TrayPopover::~TrayPopover() = default;

void TrayPopover::showPopover()
{
    if (!m_window->isVisible())
        open(false);
}

void TrayPopover::open(bool settings)
{
    const QRect icon = m_tray.icon()->geometry();
    const QPoint pointer = QCursor::pos();
    const QPoint anchor = icon.isValid() ? icon.center() : pointer;
    QScreen* screen = QGuiApplication::screenAt(anchor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    m_window->popUp(popovergeometry::frame(icon.isValid() ? std::optional(icon) : std::nullopt,
                                           pointer, screen->availableGeometry()),
                    settings);
}
