// SPDX-License-Identifier: GPL-3.0-or-later
#include "TidyFixture.h"
#include "popover/TidyModel.h"
#include "popover/TidySectionView.h"
#include "tidy/TidySchedule.h"

#include <QLabel>
#include <QPushButton>

// A real store, real files and the real Trash in the test's own data home.
using TidySectionTest = TidyRuleFixture;

TEST_F(TidySectionTest, TidyNowMovesWhatThePreviewListedAndUndoBringsItBack)
{
    // The section fits its list to the rows, a window of its own here.
    allowWarning(QStringLiteral("This plugin does not support propagateSizeHints()"));
    const QString old = kept("old.txt", 40);
    const QString young = kept("young.txt", 10);
    TidyModel model(*m_tidier);
    TidySectionView view(model);
    const auto ready = [&] { return model.phase() == TidyModel::Phase::ready; };
    const auto listed = [&] {
        return textsOf(view.findChildren<QWidget*>(QStringLiteral("tidyItem")),
                       [](QWidget* row) { return row->accessibleName(); });
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
