// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QRect>
#include <memory>
#include <optional>

class AppState;
class PopoverModel;
class PopoverWindow;
class TidyModel;
class TrayPresence;
class UpdaterManager;

// Opens the popover from the tray: a left click toggles it under the icon (or
// under the point the panel gave), "Settings…" opens it on the settings.
class TrayPopover : public QObject {
    Q_OBJECT
public:
    TrayPopover(TrayPresence& tray, AppState& appState, UpdaterManager& updater);
    ~TrayPopover() override;

    PopoverWindow& window() { return *m_window; }
    // Opens the list as a left click does (at the pointer when the tray does
    // not say where its icon is); an open popover stays as it is.
    void showPopover();

private:
    // `anchor`: the icon or the point to open from; none: the pointer.
    void open(bool settings, std::optional<QRect> anchor);

    TrayPresence& m_tray;
    std::unique_ptr<PopoverModel> m_model;
    std::unique_ptr<TidyModel> m_tidy;
    std::unique_ptr<PopoverWindow> m_window;
    QElapsedTimer m_sinceClosed;
};
