// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ContinuousTimer.h"
#include "store/RestoreOutcome.h"
#include "store/TrackedFile.h"
#include "toast/SharePicker.h"
#include "toast/ToastFlowHost.h"
#include "toast/ToastGeometry.h"
#include "toast/ToastInputs.h"
#include "toast/ToastTiming.h"
#include "toast/ToastTypes.h"

#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QScreen>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CleanupService;
class DynamicIslandToastHost;
class FolderIndex;
class MoveMRU;
class ToastMoreFlow;
class ToastMoveFlow;
class ToastNotice;
class ToastPanel;
class ToastTimeInputFlow;
class ToastUndoFlow;
class TrackedFileActor;
class WindowSystem;
class Workspace;

// The toast: the queue of new files, the seven-second countdown, its pause
// while the pointer rests on the island or an input is open, the whole-queue
// actions, and the show and hide sequences of its panel. Main thread only;
// store and cleanup calls never block it.
class ToastController : public QObject, public ToastFlowHost {
    Q_OBJECT
public:
    static constexpr int countdownTotal = 7;
    using Clock = std::function<double()>; // monotonic seconds

    struct Services {
        TrackedFileActor& trackedFileActor;
        CleanupService& cleanupService;
        std::shared_ptr<Workspace> workspace;
        std::shared_ptr<WindowSystem> windowSystem;
        // Nothing: the share targets installed on the machine.
        std::optional<std::vector<ShareTarget>> shareTargets = std::nullopt;
        // Where the move input finds folders and recent destinations.
        FolderIndex* folderIndex = nullptr;
        MoveMRU* moveMRU = nullptr;
        // Takes a file Vantle trashed back out of the Trash, by its place there.
        std::function<QFuture<RestoreOutcome>(const QString&)> restore = {};
    };
    using Input = ToastInput;

    explicit ToastController(Services services, ToastTiming timing = {}, Clock clock = {});
    ~ToastController() override;

    // A new file announced by the reconciler.
    void show(RecordId id);

    void startCountdown();
    void setPaused(bool paused) override;
    void hoverChanged(bool hovering);
    void dismissAll();
    void hide() override;
    void showPanel();
    void updateContent() override;
    void setOptionHeld(bool held);

    // Whole-queue actions.
    void markTemporary() override;
    void performOpen() override;
    void performCopy() override;
    // Trashes every queued file; the toast then offers "Undo" for the rest
    // of its countdown.
    void performDelete() override;
    void undoDelete();
    bool showsUndo() const;
    bool isDeleting() const override;

    // The flows, each with its panel; at most one input is open at a time.
    void showTimeInput();
    void showMoveInput();
    void showMoreMenu();
    void share();
    ToastInputs& inputs() { return m_inputs; }
    ToastMoveFlow& moveFlow() { return *m_moveFlow; }
    ToastTimeInputFlow& timeFlow() { return *m_timeFlow; }
    ToastMoreFlow& moreFlow() { return *m_moreFlow; }
    bool isInputVisible(Input input) const { return m_inputs.isOpen(input); }
    bool isAnyInputVisible() const { return m_inputs.isAnyOpen(); }
    // Another application became active: open inputs close, the countdown goes on.
    void appDidResignActive();

    // A message in the toast's place, once the toast itself has gone.
    void showNotice(const QString& text) override;
    ToastNotice& notice() { return *m_notice; }

    // State, for the views and tests.
    const std::vector<ToastEntry>& toastEntries() const override { return m_toastEntries; }
    const std::vector<ToastFileItem>& fileItems() const { return m_fileItems; }
    int secondsRemaining() const { return m_secondsRemaining; }
    DynamicIslandToastState state() const { return m_state; }
    bool isExpanded() const override { return m_state == DynamicIslandToastState::visible; }
    bool isOptionHeld() const { return m_isOptionHeld; }
    double countdownDeadline() const { return m_countdownDeadline; }
    std::optional<double> pausedRemaining() const { return m_pausedRemaining; }
    bool isCountingDown() const { return m_countdownTask != 0; }
    QScreen* currentScreen() const { return m_currentScreen; }
    std::optional<toastgeometry::ScreenFacts> currentScreenFacts() const override;
    ToastPanel& panel() { return *m_panel; }
    DynamicIslandToastHost& host() { return *m_host; }
    double now() const { return m_clock(); }
    QStringList fileUrls() const;

Q_SIGNALS:
    // The queue was emptied at the end of a hide sequence.
    void hidden();
    // The state, the queue or the open inputs changed: what keys the toast
    // takes may change with them.
    void interactionChanged();

private:
    void notifyInteraction() override { Q_EMIT interactionChanged(); }
    void tick();
    // Records that went leave the queue; an emptied toast hides.
    void forgetRecords(const QList<RecordId>& ids);
    void dropEntries(const std::vector<RecordId>& ids) override;
    // Shows the panel and its content once the current burst of work is done.
    void refreshSoon();
    void fetchDetails();
    void enqueue(RecordId id, const FileDetails& details);
    void clearQueue();
    static ToastFileItem itemFor(const ToastEntry& entry, int index);
    void cancelCountdown();
    void positionToastPanel();
    void presentPendingNotice();
    void expandNextFrame();
    void settleRecords(std::vector<RecordId> ids) override;
    void markRecordsTemporary(std::vector<RecordId> ids, std::optional<double> interval) override;
    // Runs `work` in a later main-thread turn, if the controller still exists.
    void later(std::function<void(ToastController&)> work);

    Services m_services;
    ToastTiming m_timing;
    Clock m_clock;
    ContinuousTimer m_timer;

    DynamicIslandToastHost* m_host; // owned by the panel
    std::unique_ptr<ToastPanel> m_panel;
    ToastInputs m_inputs;
    std::unique_ptr<ToastMoveFlow> m_moveFlow;
    std::unique_ptr<ToastTimeInputFlow> m_timeFlow;
    std::unique_ptr<ToastMoreFlow> m_moreFlow;
    std::unique_ptr<ToastUndoFlow> m_undoFlow;
    std::unique_ptr<ToastNotice> m_notice;
    QString m_pendingNotice; // waits for the toast to go

    std::vector<ToastEntry> m_toastEntries;
    std::vector<ToastFileItem> m_fileItems; // the entries as the view shows them
    bool m_refreshQueued = false;
    // Files announced whose details are not asked for yet, in arrival order.
    std::vector<RecordId> m_announced;
    bool m_fetchingDetails = false;
    int m_secondsRemaining = 0;
    DynamicIslandToastState m_state = DynamicIslandToastState::hidden;
    bool m_isOptionHeld = false;
    double m_countdownDeadline = -1e18; // the distant past
    ContinuousTimer::TimerId m_countdownTask = 0;
    std::optional<double> m_pausedRemaining;
    QPointer<QScreen> m_currentScreen;
    bool m_hiding = false; // a hide sequence is running
    int m_hideGeneration = 0;
};
