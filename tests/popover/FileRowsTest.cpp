// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/FileRows.h"
#include "TestSupport.h"
#include "popover/FileRowIcon.h"
#include "popover/PopoverListView.h"

#include <QLabel>

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

TEST(FileRowIcon, TypeComesFromTheNameOnly)
{
    // Content that sniffing would take for a PDF: the icon must not look at it.
    const QString sniffable =
        testenv::writeFile(testenv::freshFolder("icon") + "/blob", "%PDF-1.4\n");
    const std::pair<QString, QString> rows[] = {
        {"", "application-octet-stream"},
        {"/nowhere/report.pdf", "application-pdf"},
        {"/nowhere/src.tar.gz", "application-x-compressed-tar"},
        {"/nowhere/data.nosuchextension", "application-octet-stream"},
        {sniffable, "application-octet-stream"}};
    for (const auto& [path, first] : rows) {
        SCOPED_TRACE(path.toStdString());
        const QStringList names = fileRowIconNames(path);
        EXPECT_EQ(names.value(0), first);
        EXPECT_TRUE(names.contains("application-octet-stream"));
        EXPECT_FALSE(fileRowIcon(path).isNull());
    }
}

// The list gives each row a slot of fixed height: text taller than that
// loses its descenders (an underscore reads as a space). A file the Trash
// refused says so and why, rather than "Deleting…" for ever.
TEST(FileRowView, EachRowFitsItsSlotAndTheTrashsRefusalTakesTheCountdownsPlace)
{
    allowWarning("This plugin does not support"); // offscreen top-level rows
    const TrackedFile file = temporaryFile(QDateTime::currentDateTimeUtc().addSecs(5400));
    TemporaryFileRowView temporary(
        file, TemporaryFileRowView::Actions{[] {}, [] {}, [] {}, [](std::optional<double>) {}, {}});
    IgnoredFileRowView ignored(file, IgnoredFileRowView::Actions{[] {}, [] {}}, {});
    EXPECT_LE(temporary.sizeHint().height(), PopoverListView::rowHeight);
    EXPECT_LE(ignored.sizeHint().height(), PopoverListView::rowHeight);
    TemporaryFileRowView plain(temporaryFile(std::nullopt), {});
    const TemporaryFileRowView::Actions refused{.trashRefusal = "Permission denied"};
    TemporaryFileRowView due(temporaryFile(QDateTime::currentDateTimeUtc().addSecs(-60)), refused);
    plain.show();
    due.show();
    EXPECT_FALSE(plain.findChild<QWidget*>("countdown")->isVisible());
    EXPECT_FALSE(due.findChild<QWidget*>("countdown"));
    const auto* refusal = due.findChild<QLabel*>("trashRefusal");
    ASSERT_TRUE(refusal && refusal->isVisible());
    EXPECT_TRUE(refusal->toolTip().contains("Permission denied"));
}
