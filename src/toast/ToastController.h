// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ContinuousTimer.h"
#include "store/RestoreOutcome.h"
#include "store/TrackedFile.h"
#include "toast/SharePicker.h"
#include "toast/ToastGeometry.h"
#include "toast/ToastTypes.h"

#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QScreen>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CleanupService;
class DynamicIslandToastHost;
class FloatingPanel;
class MoreMenuPanel;
class MoveInputPanel;
class ShareAnchorPanel;
class TimeInputPanel;
class TimeInputViewModel;
class MoreMenuViewModel;
class MoveInputViewModel;
class FileMover;
struct MoveOutcome;
class FolderIndex;
class MoveMRU;
class SharePicker;
enum class MoreMenuAction;
class ToastNotice;
class ToastPanel;
class TrackedFileActor;
class WindowSystem;
class Workspace;
struct ToastViewInputs;

// How long things take. The defaults are the real values; tests shorten them.
struct ToastTiming {
    double second = 1.0; // one countdown second, in seconds of the clock
    std::chrono::milliseconds expandDelay{16};
    std::chrono::milliseconds hideDelay{400};
    std::chrono::milliseconds fadeOut{200};
    std::chrono::milliseconds finalDelay{220};
    std::chrono::milliseconds fadeIn{150};
    std::chrono::milliseconds inputFadeIn{180};
    std::chrono::milliseconds inputFadeOut{150};
    std::chrono::milliseconds noticeDuration{6000};
};

// The toast: the queue of new files, the seven-second countdown, its pause
// while the pointer rests on the island or an input is open, the whole-queue
// actions, and the show and hide sequences of its panel. Main thread only;
// store and cleanup calls never block it.
class ToastController : public QObject {
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
    enum class Input { move, time, more };

    explicit ToastController(Services services, ToastTiming timing = {}, Clock clock = {});
    ~ToastController() override;

    // A new file announced by the reconciler.
    void show(RecordId id);

    void startCountdown();
    void setPaused(bool paused);
    void hoverChanged(bool hovering);
    void dismissAll();
    void hide();
    void showPanel();
    void updateContent();
    void setOptionHeld(bool held);

    // Whole-queue actions.
    void markTemporary();
    void performOpen();
    void performCopy();
    // Trashes every queued file; the toast then offers "Undo" for the rest
    // of its countdown.
    void performDelete();
    // Takes that delete back, once the Trash has answered, even when the
    // toast has moved on to new files by then; what cannot come back is
    // told in the notice.
    void undoDelete();
    bool showsUndo() const { return m_showsUndo; }

    // The common halves of the input flows: open pauses the countdown and
    // takes focus; close gives focus back and, with `restore`, resumes.
    void openInput(Input input);

    // Another application became active: open inputs close, the countdown goes on.
    void appDidResignActive();
    void closeAllInputPanels();

    // The custom-lifetime flow.
    void showTimeInput();
    void submitCustomTime();
    void closeTimeInput();
    TimeInputViewModel& timeInputModel() { return *m_timeInputModel; }
    TimeInputPanel& timeInputPanel() { return *m_timeInputPanel; }

    // The move flow.
    void showMoveInput();
    void moveQueryChanged(const QString& text);
    // Moves every queued file into `folder` (made first when `create`). The
    // toast goes at once; what could not be moved stays, with its record as
    // it was, and a notice in the toast's place says why.
    void moveTo(const QString& folder, bool create = false);
    void browseForDestination();
    void createFolderAndMove();
    void closeMoveInput();
    MoveInputViewModel& moveModel() { return *m_moveModel; }
    MoveInputPanel& movePanel() { return *m_inputPanel; }
    FileMover& fileMover() { return *m_fileMover; }

    // The More menu and the sharing picker.
    void showMoreMenu();
    void closeMoreMenu(bool restore);
    void performMoreAction(MoreMenuAction action);
    void share();
    void finishShare(const std::optional<QString>& service);
    MoreMenuViewModel& moreModel() { return *m_moreModel; }
    MoreMenuPanel& morePanel() { return *m_morePanel; }
    SharePicker& sharePicker() { return *m_sharePicker; }

    // A message in the toast's place, once the toast itself has gone.
    void showNotice(const QString& text);
    ToastNotice& notice() { return *m_notice; }
    void closeInput(Input input, bool restore = true);
    bool isInputVisible(Input input) const;
    bool isAnyInputVisible() const;

    // State, for the views and tests.
    const std::vector<ToastEntry>& toastEntries() const { return m_toastEntries; }
    const std::vector<ToastFileItem>& fileItems() const { return m_fileItems; }
    int secondsRemaining() const { return m_secondsRemaining; }
    DynamicIslandToastState state() const { return m_state; }
    bool isOptionHeld() const { return m_isOptionHeld; }
    double countdownDeadline() const { return m_countdownDeadline; }
    std::optional<double> pausedRemaining() const { return m_pausedRemaining; }
    bool isCountingDown() const { return m_countdownTask != 0; }
    QScreen* currentScreen() const { return m_currentScreen; }
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
    void tick();
    // Records that went leave the queue; an emptied toast hides.
    void forgetRecords(const QList<RecordId>& ids);
    void installTimeInput();
    void installMoreMenu();
    void installMoveInput();
    void placeMoveInput();
    std::optional<toastgeometry::ScreenFacts> currentScreenFacts() const;
    void placeTimeInput();
    // Shows the panel and its content once the current burst of work is done.
    void refreshSoon();
    void fetchDetails();
    void enqueue(RecordId id, const FileDetails& details);
    void clearQueue();
    static ToastFileItem itemFor(const ToastEntry& entry, int index);
    void cancelCountdown();
    void positionToastPanel();
    void presentPendingNotice();
    struct QueuedFile {
        RecordId id;
        QString path;
    };
    void finishMove(const QString& folder, const std::vector<QueuedFile>& files,
                    const QList<MoveOutcome>& outcomes);
    void expandNextFrame();
    void restoreFocus();
    FloatingPanel* inputPanel(Input input) const;
    bool& inputFlag(Input input);
    std::vector<RecordId> queuedIds() const;
    // The queued files' names for the diagnostic lines: ["a", "b"].
    QString queuedNameList() const;
    // The toast ended without an answer for these: what is still unprocessed is kept.
    void settleRecords(std::vector<RecordId> ids);
    void markRecordsTemporary(std::vector<RecordId> ids, std::optional<double> interval);
    // Runs `work` in a later main-thread turn, if the controller still exists.
    void later(std::function<void(ToastController&)> work);

    Services m_services;
    ToastTiming m_timing;
    Clock m_clock;
    ContinuousTimer m_timer;

    DynamicIslandToastHost* m_host; // owned by the panel
    std::unique_ptr<ToastPanel> m_panel;
    std::unique_ptr<MoveInputViewModel> m_moveModel;
    std::unique_ptr<MoveInputPanel> m_inputPanel;
    std::unique_ptr<FileMover> m_fileMover;
    std::unique_ptr<TimeInputViewModel> m_timeInputModel;
    std::unique_ptr<TimeInputPanel> m_timeInputPanel;
    std::unique_ptr<MoreMenuViewModel> m_moreModel;
    std::unique_ptr<MoreMenuPanel> m_morePanel;
    std::unique_ptr<SharePicker> m_sharePicker;
    std::unique_ptr<ShareAnchorPanel> m_shareAnchorPanel;
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
    bool m_isMoveInputVisible = false;
    bool m_isTimeInputVisible = false;
    bool m_isMoreVisible = false;
    bool m_isSharePickerVisible = false;
    bool m_isFolderChooserVisible = false;
    bool m_showsUndo = false;
    // The delete the shown "Undo" takes back; its answers may come after
    // the toast has moved on to other files.
    struct UndoBatch {
        int pendingTrashes = 0;         // trashings not answered yet
        std::vector<QString> locations; // where its files lie in the Trash
        QStringList unplaced;           // files trashed to a place the Trash did not tell
        bool requested = false;         // "Undo" was clicked
    };
    std::shared_ptr<UndoBatch> m_undo;
    void carryOutUndo(const std::shared_ptr<UndoBatch>& batch);
    bool m_isOptionHeld = false;
    double m_countdownDeadline = -1e18; // the distant past
    ContinuousTimer::TimerId m_countdownTask = 0;
    std::optional<double> m_pausedRemaining;
    QPointer<QScreen> m_currentScreen;
    std::uint32_t m_previouslyActiveWindow = 0;
    bool m_hiding = false; // a hide sequence is running
    int m_hideGeneration = 0;
};
