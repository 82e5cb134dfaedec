// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

class PanelBackground;
class PopoverListView;
class PopoverModel;
class QLabel;
class QStackedWidget;
class QToolButton;
class RecentlyTrashed;
class SettingsView;
class SnoozeEditor;
class TidyModel;
class UpdaterManager;
class Workspace;

// The window that drops down from the tray icon: the tracked files, live,
// or the settings. A click outside or Escape closes it. Each opening starts
// afresh: the list, with the ignored section folded.
class PopoverWindow : public QWidget {
    Q_OBJECT
public:
    struct Services {
        PopoverModel& model;
        UpdaterManager& updater;
        std::shared_ptr<Workspace> workspace;
        bool translucent; // a compositor blends the window's edges
        // The "Recently trashed" section's files; none: no such section.
        RecentlyTrashed* recentlyTrashed = nullptr;
        // The "Tidy up" section's model; none: no such section.
        TidyModel* tidy = nullptr;
    };
    explicit PopoverWindow(Services services);
    ~PopoverWindow() override;

    // `frame` is where the 360 × 440 content goes.
    void popUp(const QRect& frame, bool settings = false);
    bool isShowingSettings() const { return m_showingSettings; }
    void showSettings(bool settings);
    PopoverListView& list() { return *m_list; }
    SnoozeEditor& snoozeEditor() { return *m_snooze; }

Q_SIGNALS:
    void closed();
    void quitRequested(); // from the settings

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refresh();
    QWidget* buildHeader();
    QWidget* buildEmptyState();

    Services m_services;
    bool m_showingSettings = false;
    QString m_markToolTip;
    PanelBackground* m_background;
    QLabel* m_title;
    QToolButton* m_gear;
    QToolButton* m_back;
    QStackedWidget* m_stack;
    QWidget* m_empty;
    QWidget* m_tidySection = nullptr; // shows itself while the rule is on
    PopoverListView* m_list;
    SnoozeEditor* m_snooze;
    QPointer<SettingsView> m_settings; // made anew each time it is shown
};
