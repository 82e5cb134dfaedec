// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/FileRows.h"
#include "popover/FileRowIcon.h"

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
    const QHash<QString, QString> callOf{{"Keep", "keep"},
                                         {"Delete", "delete"},
                                         {"Keep 1 more hour", "snooze 3600"},
                                         {"Keep 1 more day", "snooze 86400"},
                                         {"Custom…", "snooze custom"},
                                         {"Mark as temporary", "mark"}};
    const QStringList temporaryMenu{"Keep",
                                    "Delete",
                                    "",
                                    "Keep 1 more hour",
                                    "Keep 1 more day",
                                    "Custom…",
                                    "Copy Download Link"};
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
        QMenu* menu = button->menu();
        QStringList expected = calls, items;
        for (QAction* action : menu->actions()) {
            items << action->text();
            if (!temporary)
                EXPECT_EQ(action->toolTip(), "mark tip");
            if (callOf.contains(action->text())) {
                action->trigger();
                expected << callOf[action->text()];
                EXPECT_EQ(calls, expected) << action->text().toStdString();
            }
        }
        EXPECT_EQ(items, temporary ? temporaryMenu : QStringList{"Mark as temporary"});
        if (temporary)
            EXPECT_EQ(row->findChild<QLabel*>("fileSize")->text(), "1.2 MB · dl.example.com");
    }
}

TEST(FileRowCountdown, NoCountdownWithoutAnExpiry)
{
    allowWarning("This plugin does not support"); // offscreen top-level rows
    for (const auto& expiresAt :
         {std::optional(QDateTime::currentDateTimeUtc()), std::optional<QDateTime>()}) {
        TemporaryFileRowView row(temporaryFile(expiresAt), {});
        row.show();
        EXPECT_EQ(row.findChild<QWidget*>("countdown")->isVisible(), expiresAt.has_value());
    }
}
