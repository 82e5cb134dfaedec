// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/FileRows.h"
#include "popover/FileRowIcon.h"
#include "popover/PopoverListView.h"

#include "TestSupport.h"

#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>
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

} // namespace

// The unit's word, singular at 1, is the settings pane's too (SettingsViewTest).
TEST(FileRowToolTip, NamesTheDefaultLifetime)
{
    EXPECT_EQ(markTemporaryToolTip(90, ExpiryUnit::minutes),
              "Mark as temporary (auto-deletes after 90 minutes)");
    EXPECT_EQ(markTemporaryToolTip(1, ExpiryUnit::days),
              "Mark as temporary (auto-deletes after 1 day)");
}

TEST(FileRowIcon, TypeComesFromTheNameOnly)
{
    // Content that sniffing would take for a PDF: the icon must not look at it.
    const QString sniffable =
        testenv::writeFile(testenv::freshFolder("icon") + "/blob", "%PDF-1.4\n");
    const struct {
        QString path;
        QString first;
    } rows[] = {
        {"", "application-octet-stream"},
        {"/nowhere/report.pdf", "application-pdf"},
        {"/nowhere/src.tar.gz", "application-x-compressed-tar"},
        {"/nowhere/data.nosuchextension", "application-octet-stream"},
        {sniffable, "application-octet-stream"},
    };
    for (const auto& row : rows) {
        const QStringList names = fileRowIconNames(row.path);
        EXPECT_EQ(names.value(0), row.first) << row.path.toStdString();
        EXPECT_TRUE(names.contains("application-octet-stream")) << row.path.toStdString();
        EXPECT_FALSE(fileRowIcon(row.path).isNull()) << row.path.toStdString();
    }
}

TEST(FileRowActions, ClicksRevealAndEachMenuItemCallsItsOwnCallback)
{
    allowWarning("This plugin does not support"); // offscreen top-level rows
    // Each item and the call it makes.
    using Menu = std::vector<std::pair<QString, QString>>;
    const Menu temporaryMenu{{"Keep", "keep"},
                             {"Delete", "delete"},
                             {"", ""},
                             {"Keep 1 more hour", "snooze 3600"},
                             {"Keep 1 more day", "snooze 86400"},
                             {"Custom…", "snooze custom"},
                             {"Copy Download Link", ""}};
    for (bool temporary : {true, false}) {
        SCOPED_TRACE(temporary ? "temporary" : "ignored");
        QStringList calls;
        auto record = [&calls](const char* name) { return [&calls, name] { calls << name; }; };
        const TrackedFile file = temporaryFile(QDateTime::currentDateTimeUtc().addSecs(5400));
        std::unique_ptr<QWidget> row;
        if (temporary)
            row = std::make_unique<TemporaryFileRowView>(
                file, TemporaryFileRowView::Actions{
                          record("keep"), record("delete"), record("reveal"),
                          [&calls](std::optional<double> s) {
                              calls << "snooze " + (s ? QString::number(*s) : "custom");
                          },
                          QUrl("https://dl.example.com/a.pdf")});
        else
            row = std::make_unique<IgnoredFileRowView>(
                file, IgnoredFileRowView::Actions{record("mark"), record("reveal")}, "mark tip");
        // The list gives each row a slot of fixed height: its text must fit in it.
        EXPECT_LE(row->sizeHint().height(), PopoverListView::rowHeight);
        row->resize(360, row->sizeHint().height());
        row->show();
        QTest::mouseClick(row->findChild<QWidget*>("fileName"), Qt::LeftButton);
        EXPECT_EQ(calls, QStringList{"reveal"});
        QTest::mouseClick(row.get(), Qt::LeftButton, {}, QPoint(4, 4)); // in the padding
        EXPECT_EQ(calls, (QStringList{"reveal", "reveal"}));
        QTest::mouseClick(row.get(), Qt::RightButton, {}, QPoint(4, 4));
        EXPECT_EQ(calls.size(), 2);

        auto* button = row->findChild<QToolButton*>("rowMenuButton");
        ASSERT_TRUE(button && button->menu() && button->menu()->toolTipsVisible());
        const QList<QAction*> actions = button->menu()->actions();
        const Menu wanted = temporary ? temporaryMenu : Menu{{"Mark as temporary", "mark"}};
        ASSERT_EQ(actions.size(), qsizetype(wanted.size()));
        QStringList expected = calls;
        for (qsizetype i = 0; i < actions.size(); ++i) {
            EXPECT_EQ(actions[i]->text(), wanted[i].first);
            if (!temporary) {
                EXPECT_EQ(actions[i]->toolTip(), "mark tip");
            }
            if (!wanted[i].second.isEmpty()) {
                actions[i]->trigger();
                expected << wanted[i].second;
                EXPECT_EQ(calls, expected) << wanted[i].first.toStdString();
            }
        }
        if (temporary) {
            EXPECT_EQ(row->findChild<QLabel*>("fileSize")->text(), "1.2 MB · dl.example.com");
            EXPECT_TRUE(row->findChild<QWidget*>("countdown")->isVisible());
        }
    }
}

// A file the Trash refused says so and why, rather than "Deleting…" for ever.
TEST(FileRowCountdown, NoCountdownWithoutAnExpiryAndTheTrashsRefusalInItsPlace)
{
    allowWarning("This plugin does not support"); // offscreen top-level rows
    TemporaryFileRowView plain(temporaryFile(std::nullopt), {});
    TemporaryFileRowView::Actions refused;
    refused.trashRefusal = "Permission denied";
    TemporaryFileRowView due(temporaryFile(QDateTime::currentDateTimeUtc().addSecs(-60)), refused);
    plain.show();
    due.show();
    EXPECT_FALSE(plain.findChild<QWidget*>("countdown")->isVisible());
    EXPECT_FALSE(due.findChild<QWidget*>("countdown"));
    const auto* refusal = due.findChild<QLabel*>("trashRefusal");
    ASSERT_TRUE(refusal && refusal->isVisible());
    EXPECT_TRUE(refusal->toolTip().contains("Permission denied"));
}
