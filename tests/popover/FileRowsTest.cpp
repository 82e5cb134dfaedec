// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/FileRows.h"
#include "popover/FileRowIcon.h"

#include "TestSupport.h"

#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

TrackedFile temporaryFile(std::optional<QDateTime> expiresAt)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    TrackedFile file(7, testenv::home() + "/Downloads/report.pdf", "report.pdf", 1'200'000, now);
    file.markedTemporaryAt = now;
    file.expiresAt = expiresAt;
    return file;
}

// Top-level rows make the offscreen platform say what it cannot do.
void allowPlatformNotes()
{
    allowWarning(QStringLiteral("This plugin does not support"));
}

// A shown row of either kind whose callbacks write their names into `calls`.
std::unique_ptr<QWidget> makeRow(bool temporary, QStringList& calls)
{
    allowPlatformNotes();
    auto record = [&calls](const char* name) { return [&calls, name] { calls << name; }; };
    const TrackedFile file = temporaryFile(QDateTime::currentDateTimeUtc().addSecs(5400));
    std::unique_ptr<QWidget> row;
    if (temporary)
        row = std::make_unique<TemporaryFileRowView>(
            file,
            TemporaryFileRowView::Actions{record("keep"), record("delete"), record("reveal"),
                                          [&calls](std::optional<double> seconds) {
                                              calls << QStringLiteral("snooze %1")
                                                           .arg(seconds ? QString::number(*seconds)
                                                                        : QStringLiteral("custom"));
                                          },
                                          QUrl("https://dl.example.com/a.pdf")});
    else
        row = std::make_unique<IgnoredFileRowView>(
            file, IgnoredFileRowView::Actions{record("mark"), record("reveal")}, "mark tip");
    row->resize(360, row->sizeHint().height());
    row->show();
    return row;
}

} // namespace

TEST(FileRowToolTip, NamesTheDefaultLifetime)
{
    struct Row {
        qint64 amount;
        ExpiryUnit unit;
        QString tip;
    };
    const Row rows[] = {
        {1, ExpiryUnit::hours, "Mark as temporary (auto-deletes after 1 hour)"},
        {90, ExpiryUnit::minutes, "Mark as temporary (auto-deletes after 90 minutes)"},
        {3, ExpiryUnit::days, "Mark as temporary (auto-deletes after 3 days)"},
        {1, ExpiryUnit::minutes, "Mark as temporary (auto-deletes after 1 minute)"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(markTemporaryToolTip(row.amount, row.unit), row.tip);
}

TEST(FileRowIcon, TypeComesFromTheNameOnly)
{
    // Content that sniffing would take for a PDF: the icon must not look at it.
    const QString sniffable =
        testenv::writeFile(testenv::freshFolder("icon") + "/blob", "%PDF-1.4\n");
    struct Row {
        QString path;
        QString first;
    };
    const Row rows[] = {
        {"", "application-octet-stream"},
        {"/nowhere/report.pdf", "application-pdf"},
        {"/nowhere/src.tar.gz", "application-x-compressed-tar"},
        {"/nowhere/data.nosuchextension", "application-octet-stream"},
        {sniffable, "application-octet-stream"},
    };
    for (const Row& row : rows) {
        const QStringList names = fileRowIconNames(row.path);
        EXPECT_EQ(names.value(0), row.first) << row.path.toStdString();
        // A theme without the type's own icon still has the generic one.
        EXPECT_TRUE(names.contains("application-octet-stream")) << row.path.toStdString();
        EXPECT_FALSE(fileRowIcon(row.path).isNull()) << row.path.toStdString();
    }
}

TEST(FileRowMenu, EachItemCallsItsOwnCallback)
{
    struct Row {
        bool temporary;
        QStringList items;
        QString item;
        QString call;
    };
    const QStringList temporary{"Keep",
                                "Delete",
                                "",
                                "Keep 1 more hour",
                                "Keep 1 more day",
                                "Custom…",
                                "Copy Download Link"};
    const Row rows[] = {
        {true, temporary, "Keep", "keep"},
        {true, temporary, "Delete", "delete"},
        {true, temporary, "Keep 1 more hour", "snooze 3600"},
        {true, temporary, "Keep 1 more day", "snooze 86400"},
        {true, temporary, "Custom…", "snooze custom"},
        {false, {"Mark as temporary"}, "Mark as temporary", "mark"},
    };
    for (const Row& row : rows) {
        QStringList calls;
        const auto rowView = makeRow(row.temporary, calls);
        auto* button = rowView->findChild<QToolButton*>("rowMenuButton");
        ASSERT_NE(button, nullptr);
        QMenu* menu = button->menu();
        ASSERT_TRUE(menu && menu->toolTipsVisible());
        QStringList items;
        for (QAction* action : menu->actions()) {
            items << action->text();
            if (!row.temporary)
                EXPECT_EQ(action->toolTip(), "mark tip");
            else if (action->text() == "Copy Download Link")
                EXPECT_EQ(rowView->findChild<QLabel*>("fileSize")->text(),
                          "1.2 MB · dl.example.com");
            if (action->text() == row.item)
                action->trigger();
        }
        EXPECT_EQ(items, row.items);
        EXPECT_EQ(calls, QStringList{row.call}) << row.item.toStdString();
    }
}

TEST(FileRowClick, ClickingTheRowRevealsButNotTheMenuButton)
{
    for (bool temporary : {true, false}) {
        QStringList calls;
        const auto rowView = makeRow(temporary, calls);
        QWidget* row = rowView.get();
        // On the name, in the row's padding, and with the right button.
        QTest::mouseClick(row->findChild<QWidget*>("fileName"), Qt::LeftButton);
        EXPECT_EQ(calls, QStringList{"reveal"});
        QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(4, 4));
        EXPECT_EQ(calls, (QStringList{"reveal", "reveal"}));
        QTest::mouseClick(row, Qt::RightButton, {}, QPoint(4, 4));
        EXPECT_EQ(calls.size(), 2);

        auto* button = row->findChild<QToolButton*>("rowMenuButton");
        bool menuShown = false;
        QObject::connect(button->menu(), &QMenu::aboutToShow, button->menu(), [&] {
            menuShown = true;
            QTimer::singleShot(0, button->menu(), &QMenu::close);
        });
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return menuShown && !button->menu()->isVisible(); }));
        EXPECT_EQ(calls.size(), 2) << "temporary=" << temporary;
    }
}

TEST(FileRowClick, NoCountdownWithoutAnExpiry)
{
    allowPlatformNotes();
    for (const auto& expiresAt :
         {std::optional(QDateTime::currentDateTimeUtc()), std::optional<QDateTime>()}) {
        TemporaryFileRowView row(temporaryFile(expiresAt), {});
        row.show();
        EXPECT_EQ(row.findChild<QWidget*>("countdown")->isVisible(), expiresAt.has_value());
    }
}
