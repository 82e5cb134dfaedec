// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakeWorkspace.h"
#include "StoreFixture.h"
#include "expiry/CleanupService.h"
#include "move/FolderIndex.h"
#include "move/MoveMRU.h"
#include "platform/WindowSystem.h"
#include "store/TrackedFileActor.h"
#include "toast/DynamicIslandToastHost.h"
#include "toast/ToastController.h"
#include "toast/ToastMoreFlow.h"
#include "toast/ToastMoveFlow.h"
#include "toast/ToastNotice.h"
#include "toast/ToastPanel.h"

#include <QHash>

// A composited window system that records what the panels asked of it; the
// user starts in window 42.
class FakeWindowSystem final : public WindowSystem {
public:
    WindowId activeWindow() override { return m_active; }
    std::optional<QRect> activeWindowGeometry() override { return std::nullopt; }
    void activate(WindowId window) override { m_activated.append(m_active = window); }
    void showOnAllDesktops(QWindow*) override {} // the end-to-end toast test reads the property
    void setInputRegion(QWindow* w, const QRegion& region) override { m_inputRegions[w] = region; }
    bool hasCompositor() override { return true; }

    WindowId m_active = 42;
    QList<WindowId> m_activated;
    QHash<QWindow*, QRegion> m_inputRegions;
};

// A real store and cleanup service, fake desktop services, a controller
// with a clock the test moves and timings the test chooses.
class ToastFixture : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        StoreFixture::m_now = QDateTime(); // the wall clock, as the deadlines use
        // The offscreen platform cannot size windows to their layouts.
        allowWarning(QStringLiteral("This plugin does not support propagateSizeHints()"));
        m_cleanup = std::make_unique<CleanupService>(*m_store);
        makeController();
    }

    void TearDown() override
    {
        m_cleanup->shutdown();
        stopStore();
        m_controller.reset();
        StoreFixture::TearDown();
    }

    // Hide timings short enough to wait for; a countdown second of `second`.
    // SetUp makes one with the defaults; a test may replace it.
    void makeController(double second = 1.0, bool fakeClock = true)
    {
        using namespace std::chrono_literals;
        const ToastTiming timing{.second = second,
                                 .expandDelay = 5ms,
                                 .hideDelay = 40ms,
                                 .fadeOut = 20ms,
                                 .finalDelay = 25ms,
                                 .fadeIn = 10ms,
                                 .inputFadeIn = 10ms,
                                 .inputFadeOut = 10ms};
        // Sharing copies the files it was given into the test's folder.
        const ShareTarget copier{
            QStringLiteral("Copy"), QStringLiteral("/bin/cp"), {QStringLiteral("-t"), m_folder}};
        m_controller.reset();
        m_controller = std::make_unique<ToastController>(
            ToastController::Services{*m_store, *m_cleanup, m_workspace, m_windows,
                                      std::vector<ShareTarget>{copier}, m_folderIndex.get(),
                                      &m_moveMRU, m_restore},
            timing, fakeClock ? ToastController::Clock([this] { return m_now; }) : nullptr);
    }

    // Shows a file and waits until the island has expanded with it queued.
    void showAndExpand(RecordId id)
    {
        const std::size_t before = m_controller->toastEntries().size();
        m_controller->show(id);
        ASSERT_TRUE(waitUntil([&] {
            return m_controller->toastEntries().size() == before + 1 &&
                   m_controller->host().inputs().files.size() == before + 1 &&
                   m_controller->state() == DynamicIslandToastState::visible;
        }));
    }

    RecordId showFile(const QString& name, const QByteArray& bytes = "data")
    {
        const RecordId id = track(name, bytes);
        showAndExpand(id);
        return id;
    }

    bool allInState(std::initializer_list<RecordId> ids, FileState state)
    {
        return std::all_of(ids.begin(), ids.end(), [&](RecordId id) {
            const auto r = record(id);
            return r && r->state == state;
        });
    }

    // Runs the work the controller queued for its thread so far.
    void drainQueued()
    {
        bool done = false;
        QMetaObject::invokeMethod(
            m_controller.get(), [&] { done = true; }, Qt::QueuedConnection);
        ASSERT_TRUE(waitUntil([&] { return done; }));
    }

    bool waitUntilOffScreen()
    {
        return waitUntil([&] {
            return !m_controller->panel().isVisible() && m_controller->toastEntries().empty();
        });
    }
    // Focus went back to the window the user was in, once.
    void expectFocusBack() { EXPECT_EQ(m_windows->m_activated, QList<WindowSystem::WindowId>{42}); }
    // Set before a new makeController() to give the move input folders to find.
    std::unique_ptr<FolderIndex> m_folderIndex;
    MoveMRU m_moveMRU;
    // Undo puts files back from the fake Trash, which keeps them as "N-name".
    std::function<QFuture<RestoreOutcome>(const QString&)> m_restore = [this](const QString& item) {
        const QString path = m_downloads + '/' + item.section('/', -1).section('-', 1);
        const auto error = m_trash->putBack(item, path);
        return QtFuture::makeReadyFuture(error ? RestoreOutcome{{}, *error} : RestoreOutcome{path});
    };
    double m_now = 1000.0;
    std::shared_ptr<FakeWorkspace> m_workspace = std::make_shared<FakeWorkspace>();
    std::shared_ptr<FakeWindowSystem> m_windows = std::make_shared<FakeWindowSystem>();
    std::unique_ptr<CleanupService> m_cleanup;
    std::unique_ptr<ToastController> m_controller;
};
