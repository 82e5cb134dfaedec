// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "StoreFixture.h"
#include "platform/AppSettings.h"
#include "popover/RecentlyTrashed.h"
#include "tidy/Tidier.h"

#include <QSettings>
#include <memory>

// A real store and the real Trash, the rule on for items over 30 days old.
// The records' clock is the wall clock, so that items without a record age by
// their real change time; the rule's runs 40 days ahead of it.
class TidyRuleFixture : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        openStore(makeSystemTrash());
        m_now = QDateTime::currentDateTimeUtc();
        m_xbel = m_folder + "/recently-used.xbel";
        TrackedFileActor& store = *m_store;
        m_tidier = std::make_unique<Tidier>(
            store, Tidier::Options{m_folder + "/tidy-last-run.json", m_xbel,
                                   [&store](const QStringList& locations) {
                                       return RecentlyTrashed::restoreAllNow(store, locations);
                                   },
                                   [this] { return m_now.addDays(40); }});
        settings::write(settings::tidyEnabled, true);
        settings::write(settings::tidyOlderThanDays, 30);
    }
    void TearDown() override
    {
        m_tidier->shutdown();
        settings::open()->remove(QStringLiteral("TidyRule"));
        StoreFixture::TearDown();
    }

    // A kept record for a real file, detected `daysAgo` before the rule's now.
    QString kept(const QString& name, int daysAgo = 40)
    {
        const QDateTime real = m_now;
        m_now = real.addDays(40 - daysAgo);
        await(m_store->keep(track(name)));
        m_now = real;
        return at(name);
    }

    QString m_xbel;
    std::unique_ptr<Tidier> m_tidier;
};
