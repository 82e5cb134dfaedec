// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/ToastController.h"

#include "expiry/CleanupService.h"
#include "platform/FileSystem.h"
#include "platform/Formatters.h"
#include "platform/Log.h"
#include "platform/WindowSystem.h"
#include "platform/Workspace.h"
#include "store/DownloadOrigin.h"
#include "store/TrackedFileActor.h"
#include "toast/DynamicIslandToastHost.h"
#include "toast/ToastGeometry.h"
#include "toast/ToastMoreFlow.h"
#include "toast/ToastMoveFlow.h"
#include "toast/ToastNotice.h"
#include "toast/ToastPanel.h"
#include "toast/ToastTimeInputFlow.h"
#include "toast/ToastUndoFlow.h"

#include <QCursor>
#include <QGuiApplication>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {

double continuousSeconds()
{
    return std::chrono::duration<double>(ContinuousTimer::now()).count();
}

toastgeometry::ScreenFacts factsOf(const QScreen* screen)
{
    return {screen->geometry(), screen->availableGeometry()};
}

} // namespace

ToastController::ToastController(Services services, ToastTiming timing, Clock clock)
    : m_services(std::move(services)), m_timing(timing),
      m_clock(clock ? std::move(clock) : Clock(continuousSeconds)),
      m_host(new DynamicIslandToastHost(m_clock)),
      m_panel(std::make_unique<ToastPanel>(m_services.windowSystem, m_host)),
      m_inputs(*this, m_services.windowSystem, m_timing),
      m_moveFlow(std::make_unique<ToastMoveFlow>(
          *this, m_inputs,
          ToastMoveFlow::Services{m_services.windowSystem, m_services.workspace,
                                  m_services.folderIndex, m_services.moveMRU})),
      m_timeFlow(std::make_unique<ToastTimeInputFlow>(*this, m_inputs, m_services.windowSystem)),
      m_moreFlow(std::make_unique<ToastMoreFlow>(*this, m_inputs, m_services.windowSystem,
                                                 m_services.shareTargets)),
      m_undoFlow(
          std::make_unique<ToastUndoFlow>(*this, m_services.trackedFileActor, m_services.restore))
{
    m_notice = std::make_unique<ToastNotice>(m_services.windowSystem, m_timing.noticeDuration,
                                             m_timing.fadeOut);
    connect(&m_services.trackedFileActor, &TrackedFileActor::recordsRemoved, this,
            &ToastController::forgetRecords);
    // The user went to another window while an input was open.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive)
                    appDidResignActive();
            });
}

ToastController::~ToastController() = default;

void ToastController::later(std::function<void(ToastController&)> work)
{
    QMetaObject::invokeMethod(
        this, [this, work = std::move(work)] { work(*this); }, Qt::QueuedConnection);
}

void ToastController::show(RecordId id)
{
    m_announced.push_back(id);
    if (!m_fetchingDetails)
        fetchDetails();
}

void ToastController::fetchDetails()
{
    // One store visit for every file announced meanwhile: a burst costs a
    // few visits, not one per file, and the files keep their order.
    std::vector<RecordId> ids = std::move(m_announced);
    m_announced.clear();
    m_fetchingDetails = true;
    using Details = std::vector<std::optional<FileDetails>>;
    m_services.trackedFileActor
        .perform<Details>([ids](TrackedFileActor::Context& context) {
            Details details;
            details.reserve(ids.size());
            for (RecordId id : ids) {
                // An item gone before it could be shown (a browser's probe)
                // is never announced; its record goes after the removal delay.
                const TrackedFile* record = context.fetchRecord(id);
                const bool there = record && fs::holdsItem(record->filePath, record->inode);
                details.push_back(there ? std::optional(detailsOf(*record)) : std::nullopt);
            }
            return details;
        })
        .then(this, [this, ids](const Details& details) {
            m_fetchingDetails = false;
            for (std::size_t i = 0; i < ids.size(); ++i) {
                if (details[i]) // else the record is gone: nothing to show
                    enqueue(ids[i], *details[i]);
            }
            if (!m_announced.empty())
                fetchDetails();
        });
}

void ToastController::enqueue(RecordId id, const FileDetails& details)
{
    // The trashed files leave the island to the newcomer, and their undo with them.
    if (isDeleting())
        clearQueue();
    if (m_hiding) {
        // The files on the collapsing island were already handled; the new
        // one gets a toast of its own instead of vanishing with them at the
        // end of the hide sequence.
        m_hiding = false;
        ++m_hideGeneration;
        clearQueue();
        m_panel->stopFade();
        m_panel->setAlpha(1.0);
    }
    VANTLE_DIAG(lcToast, QStringLiteral("Toast shows: ") + details.fileName);
    m_toastEntries.push_back({id, details.fileName, details.filePath, details.fileSize,
                              details.origin, details.isFolder});
    m_fileItems.push_back(itemFor(m_toastEntries.back(), int(m_toastEntries.size())));
    // A new file gives the queue its full time again; a pause (the pointer on
    // the island, an open input) holds all the same.
    if (m_pausedRemaining) {
        m_pausedRemaining = double(countdownTotal);
    } else {
        m_secondsRemaining = countdownTotal;
        m_countdownDeadline = m_clock() + countdownTotal * m_timing.second;
        startCountdown();
    }
    refreshSoon();
}

void ToastController::forgetRecords(const QList<RecordId>& ids)
{
    std::erase_if(m_announced, [&](RecordId id) { return ids.contains(id); });
    // The island offers Undo for files it has just trashed: they stay on it.
    if (isDeleting())
        return;
    dropEntries(std::vector<RecordId>(ids.begin(), ids.end()));
}

void ToastController::dropEntries(const std::vector<RecordId>& ids)
{
    const std::size_t before = m_toastEntries.size();
    std::erase_if(m_toastEntries, [&](const ToastEntry& entry) {
        return std::find(ids.begin(), ids.end(), entry.id) != ids.end();
    });
    if (m_toastEntries.size() == before)
        return;
    m_fileItems.clear();
    for (const ToastEntry& entry : m_toastEntries)
        m_fileItems.push_back(itemFor(entry, int(m_fileItems.size()) + 1));
    if (!m_toastEntries.empty() || m_state == DynamicIslandToastState::hidden)
        updateContent();
    else
        hide(); // nothing is left to answer
}

void ToastController::refreshSoon()
{
    // A burst of new files shows once per pass of the event loop, not once per file.
    if (m_refreshQueued)
        return;
    m_refreshQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_refreshQueued = false;
            if (m_toastEntries.empty())
                return;
            showPanel();
            updateContent();
        },
        Qt::QueuedConnection);
}

void ToastController::clearQueue()
{
    m_toastEntries.clear();
    m_fileItems.clear();
    m_undoFlow->clear();
}

void ToastController::cancelCountdown()
{
    if (m_countdownTask != 0)
        m_timer.cancel(m_countdownTask);
    m_countdownTask = 0;
}

void ToastController::startCountdown()
{
    cancelCountdown();
    if (m_secondsRemaining <= 0)
        return;
    const auto second = std::chrono::nanoseconds(std::llround(m_timing.second * 1e9));
    m_countdownTask = m_timer.scheduleAfter(second, [this] { tick(); });
}

void ToastController::tick()
{
    m_countdownTask = 0;
    m_secondsRemaining -= 1;
    if (m_secondsRemaining < 1) {
        dismissAll();
        return;
    }
    updateContent();
    startCountdown();
}

void ToastController::setPaused(bool paused)
{
    if (m_state == DynamicIslandToastState::hidden)
        return;
    if (paused) {
        if (m_pausedRemaining)
            return;
        m_pausedRemaining = std::max(m_countdownDeadline - m_clock(), 0.0) / m_timing.second;
        cancelCountdown();
        updateContent();
        return;
    }
    if (!m_pausedRemaining)
        return;
    const double remaining = *m_pausedRemaining;
    m_pausedRemaining.reset();
    m_countdownDeadline = m_clock() + remaining * m_timing.second;
    m_secondsRemaining = std::max(int(std::ceil(remaining)), 0);
    startCountdown();
    updateContent();
}

void ToastController::hoverChanged(bool hovering)
{
    later([hovering](ToastController& c) {
        if (!c.isAnyInputVisible())
            c.setPaused(hovering);
    });
}

void ToastController::settleRecords(std::vector<RecordId> ids)
{
    // The store is serial: queued one after another, they run in queue order.
    for (RecordId id : ids)
        m_services.trackedFileActor.settle(id);
}

void ToastController::dismissAll()
{
    settleRecords(toastflow::idsOf(m_toastEntries));
    hide();
}

void ToastController::hide()
{
    // However the toast hides, focus goes back to where the user was.
    m_inputs.closeForHide();
    cancelCountdown();
    m_pausedRemaining.reset();
    m_isOptionHeld = false;
    m_state = DynamicIslandToastState::hidden;
    updateContent();

    m_hiding = true;
    const int generation = ++m_hideGeneration;
    auto superseded = [this, generation] {
        return m_state != DynamicIslandToastState::hidden || generation != m_hideGeneration;
    };
    QTimer::singleShot(m_timing.hideDelay, this, [this, superseded] {
        if (superseded())
            return;
        m_panel->fadeTo(0.0, m_timing.fadeOut);
        QTimer::singleShot(m_timing.finalDelay, this, [this, superseded] {
            if (superseded())
                return;
            m_hiding = false;
            m_panel->orderOut();
            m_panel->setAlpha(1.0);
            clearQueue();
            presentPendingNotice();
            m_currentScreen = nullptr;
            Q_EMIT hidden();
        });
    });
}

void ToastController::positionToastPanel()
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    std::vector<toastgeometry::ScreenFacts> facts;
    for (const QScreen* screen : screens)
        facts.push_back(factsOf(screen));
    const std::optional<QRect> active = m_services.windowSystem->activeWindowGeometry();
    const auto index = toastgeometry::chooseScreen(
        facts, active, QCursor::pos(), int(screens.indexOf(QGuiApplication::primaryScreen())));
    if (!index)
        return; // no screen: the panel keeps its frame
    m_currentScreen = screens[*index];
    m_panel->setGeometry(toastgeometry::toastPanelFrame(facts[std::size_t(*index)]));
}

void ToastController::showPanel()
{
    if (m_panel->isOnScreen()) {
        positionToastPanel();
        // Brought back during a hide sequence: grow out again.
        if (m_state == DynamicIslandToastState::hidden)
            expandNextFrame();
        return;
    }
    if (m_state == DynamicIslandToastState::visible)
        m_state = DynamicIslandToastState::hidden;
    positionToastPanel();
    updateContent();
    // No screen here has a housing to hide the collapsed island: fade in.
    m_panel->setAlpha(0.0);
    m_panel->orderFront();
    m_panel->fadeTo(1.0, m_timing.fadeIn);
    expandNextFrame();
}

void ToastController::expandNextFrame()
{
    QTimer::singleShot(m_timing.expandDelay, this, [this] {
        if (m_state != DynamicIslandToastState::hidden || m_hiding)
            return;
        m_state = DynamicIslandToastState::visible;
        updateContent();
    });
}

ToastFileItem ToastController::itemFor(const ToastEntry& entry, int index)
{
    const QString size =
        entry.isFolder ? QStringLiteral("Folder") : formatByteCount(entry.fileSize);
    return {
        entry.id.description(), entry.fileName, size,
        entry.filePath,         index,          entry.origin ? entry.origin->host() : QString()};
}

void ToastController::updateContent()
{
    ToastViewInputs inputs;
    inputs.files = m_fileItems;
    inputs.countdownDeadline = m_countdownDeadline;
    inputs.countdownDuration = countdownTotal * m_timing.second;
    if (m_pausedRemaining)
        inputs.pausedProgress = std::clamp(*m_pausedRemaining / countdownTotal, 0.0, 1.0);
    const QScreen* screen =
        m_currentScreen ? m_currentScreen.data() : QGuiApplication::primaryScreen();
    inputs.topInset =
        screen ? toastgeometry::topInset(factsOf(screen)) : toastgeometry::fallbackTopInset;
    inputs.hasNotch = false;
    inputs.state = m_state;
    inputs.isOptionHeld = m_isOptionHeld;
    QPointer<ToastController> self(this);
    inputs.onHoverChanged = [self](bool hovering) {
        if (self)
            self->hoverChanged(hovering);
    };
    inputs.onMarkTemporary = [self] {
        if (self)
            self->later([](ToastController& c) { c.markTemporary(); });
    };
    inputs.onCustomTime = [self] {
        if (self)
            self->later([](ToastController& c) { c.m_timeFlow->show(); });
    };
    inputs.onOptionHeld = [self](bool held) {
        if (self)
            self->later([held](ToastController& c) { c.setOptionHeld(held); });
    };
    inputs.onMove = [self] {
        if (self)
            self->later([](ToastController& c) { c.m_moveFlow->show(); });
    };
    inputs.showsUndo = showsUndo();
    inputs.onUndo = [self] {
        if (self)
            self->later([](ToastController& c) { c.m_undoFlow->undo(); });
    };
    inputs.onMore = [self] {
        if (self)
            self->later([](ToastController& c) { c.m_moreFlow->show(); });
    };
    m_host->setInputs(std::move(inputs));
    m_panel->setHitTestRect(toastgeometry::hitTestRect(
        m_panel->size(), m_host->inputs().topInset, m_state == DynamicIslandToastState::visible));
    Q_EMIT interactionChanged();
}

void ToastController::setOptionHeld(bool held)
{
    if (held == m_isOptionHeld)
        return;
    m_isOptionHeld = held;
    updateContent();
}

QStringList ToastController::fileUrls() const
{
    QStringList paths;
    for (const ToastEntry& entry : m_toastEntries) {
        if (!entry.filePath.isEmpty())
            paths.append(entry.filePath);
    }
    return paths;
}

std::optional<toastgeometry::ScreenFacts> ToastController::currentScreenFacts() const
{
    const QScreen* screen =
        m_currentScreen ? m_currentScreen.data() : QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    return factsOf(screen);
}

void ToastController::appDidResignActive()
{
    m_inputs.closeAll();
}

void ToastController::showTimeInput()
{
    m_timeFlow->show();
}

void ToastController::showMoveInput()
{
    m_moveFlow->show();
}

void ToastController::showMoreMenu()
{
    m_moreFlow->show();
}

void ToastController::share()
{
    m_moreFlow->share();
}
