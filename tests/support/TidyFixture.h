// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "StoreFixture.h"
#include "platform/AppSettings.h"
#include "popover/RecentlyTrashed.h"
#include "tidy/Tidier.h"

#include <QSettings>
#include <memory>

// A Tidier on a test's store that undoes through the real Trash, its last run
// kept in `folder`, on the rule's clock `now`.
inline std::unique_ptr<Tidier> makeTidier(TrackedFileActor& store, const QString& folder,
                                          const QString& xbel, std::function<QDateTime()> now)
{
    return std::make_unique<Tidier>(
        store, Tidier::Options{folder + "/tidy-last-run.json", xbel,
                               [&store](const QStringList& locations) {
                                   return RecentlyTrashed::restoreAllNow(store, locations);
                               },
                               std::move(now)});
}

// A real store and the real Trash, the rule on for items over 30 days old,
// its clock 40 days ahead of the records' own.
class TidyRuleFixture : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        openStore(makeSystemTrash());
        m_tidier = makeTidier(*m_store, m_folder, QString(), [this] { return m_now.addDays(40); });
        settings::write(settings::tidyEnabled, true);
        settings::write(settings::tidyOlderThanDays, 30);
    }
    void TearDown() override
    {
        m_tidier->shutdown();
        settings::open()->remove(QStringLiteral("TidyRule"));
        StoreFixture::TearDown();
    }

    std::unique_ptr<Tidier> m_tidier;
};
