// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/PopoverListView.h"
#include "TestSupport.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

PopoverLists listsOf(int temporary, int ignored)
{
    PopoverLists lists;
    for (int i = 0; i < temporary + ignored; ++i) {
        TrackedFile f;
        f.fileName = QStringLiteral("%1.pdf").arg(i);
        f.state = i < temporary ? FileState::temporary : FileState::dismissed;
        (i < temporary ? lists.temporaryFiles : lists.ignoredFiles).push_back(f);
    }
    return lists;
}

} // namespace

TEST(PopoverListView, OnlyRowsInViewExistAndTheIgnoredHeaderFoldsItsRows)
{
    PopoverListView view({});
    view.resize(360, 400);
    view.show();
    view.setLists(listsOf(2, 3), {});
    EXPECT_EQ(view.builtRows(), 2) << "the ignored rows start folded";

    auto* header = view.findChild<QPushButton*>(QStringLiteral("ignoredHeader"));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->toolTip(), "Show ignored files");
    QTest::mouseClick(header, Qt::LeftButton);
    EXPECT_EQ(view.builtRows(), 5);
    EXPECT_EQ(header->toolTip(), "Hide ignored files");
    QTest::mouseClick(header, Qt::LeftButton);
    EXPECT_EQ(view.builtRows(), 2);

    // Ten thousand records: a screenful of rows, wherever the list is scrolled.
    view.setLists(listsOf(10000, 0), {});
    const int screenful = 400 / PopoverListView::rowHeight + 2;
    EXPECT_LE(view.builtRows(), screenful);
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    EXPECT_LE(view.builtRows(), screenful);
    EXPECT_GE(view.builtRows(), 400 / PopoverListView::rowHeight - 1);
}
