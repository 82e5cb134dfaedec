// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreFixture.h"
#include "TidyFixture.h"
#include "platform/AppSettings.h"
#include "popover/TidyModel.h"
#include "popover/TidySectionView.h"
#include "tidy/Tidier.h"
#include "tidy/TidySchedule.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>

namespace {

// A real store, real files and the real Trash in the test's own data home.
class TidySectionTest : public TidyRuleFixture {
protected:
    void SetUp() override
    {
        TidyRuleFixture::SetUp();
        // The section fits its list to the rows, a window of its own here.
        allowWarning(QStringLiteral("This plugin does not support propagateSizeHints()"));
    }

    // A kept file, detected `daysBefore` days before the rule's now.
    QString kept(const QString& name, int daysBefore)
    {
        const QDateTime real = m_now;
        m_now = real.addDays(40 - daysBefore);
        await(m_store->keep(track(name)));
        m_now = real;
        return at(name);
    }
};

} // namespace

TEST_F(TidySectionTest, TidyNowMovesWhatThePreviewListedAndUndoBringsItBack)
{
    const QString old = kept("old.txt", 40);
    const QString young = kept("young.txt", 10);
    TidyModel model(*m_tidier);
    TidySectionView view(model);
    const auto ready = [&] { return model.phase() == TidyModel::Phase::ready; };
    const auto listed = [&] {
        QStringList names;
        for (QWidget* row : view.findChildren<QWidget*>(QStringLiteral("tidyItem")))
            names.append(row->accessibleName());
        return names;
    };

    model.refresh();
    ASSERT_TRUE(waitUntil(ready));
    EXPECT_EQ(listed(), QStringList{"old.txt"});
    EXPECT_TRUE(view.findChild<QLabel*>("tidySummary")->text().startsWith("1 item"));
    // Old enough, but it came after the preview the user saw.
    const QString late = kept("late.txt", 40);

    view.findChild<QPushButton*>("tidyNow")->click();
    auto* undo = view.findChild<QPushButton*>("undoTidy");
    ASSERT_TRUE(waitUntil([&] { return ready() && !undo->isHidden(); }));
    const QString inTrash = qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files/old.txt";
    EXPECT_FALSE(QFileInfo::exists(old));
    EXPECT_TRUE(QFileInfo::exists(inTrash));
    EXPECT_TRUE(QFileInfo::exists(late)) << "never previewed";
    EXPECT_TRUE(QFileInfo::exists(young));
    EXPECT_EQ(listed(), QStringList{"late.txt"}) << "previewed again after the run";
    EXPECT_TRUE(TidySchedule::isConfirmed(TidyRule::fromSettings()));

    undo->click();
    ASSERT_TRUE(waitUntil([&] { return ready() && undo->isHidden(); }));
    EXPECT_TRUE(QFileInfo::exists(old))
        << view.findChild<QLabel*>("tidyOutcome")->text().toStdString();
    EXPECT_FALSE(QFileInfo::exists(inTrash));
}
