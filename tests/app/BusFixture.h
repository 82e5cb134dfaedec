// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PrivateBus.h"
#include "StoreFixture.h"
#include "app/VantleBus.h"
#include "expiry/CleanupService.h"
#include "tidy/Tidier.h"

#include <QDBusError>

// The program's bus object on the private bus, over a real store, real files
// in Downloads and the fake Trash, with the real expiry service.
class BusFixture : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_now = QDateTime(); // the wall clock: deadlines are real ones
        m_cleanup = std::make_unique<CleanupService>(*m_actor);
        publish();
    }
    void TearDown() override
    {
        m_cleanup->shutdown();
        if (m_tidier)
            m_tidier->shutdown();
        stopStore();
        StoreFixture::TearDown();
    }

    void publish(VantleBus::Restorer restore = {})
    {
        m_bus.reset();
        const auto showPopover = [this] { ++m_popoversShown; };
        m_bus = std::make_unique<VantleBus>(VantleBus::Services{
            *m_actor, *m_cleanup, showPopover, std::move(restore), {}, m_tidier.get()});
        QString error;
        ASSERT_TRUE(m_bus->publish(QDBusConnection::sessionBus(), &error)) << error.toStdString();
    }

    // Every signal the program owes for what happened so far has arrived: a
    // notice may still wait in its queue during the first round trip, but its
    // signal goes out before the second one's answer.
    void settle()
    {
        privatebus::call("List");
        privatebus::call("List");
        QCoreApplication::processEvents();
    }

    std::unique_ptr<CleanupService> m_cleanup;
    std::unique_ptr<VantleBus> m_bus;
    std::unique_ptr<Tidier> m_tidier; // set before `publish` to offer tidying
    int m_popoversShown = 0;
};
