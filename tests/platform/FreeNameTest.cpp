// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FreeName.h"
#include "TestSupport.h"

#include <QFile>

// Where no number can help, the search ends at once with the reason.
TEST(FreeName, NumbersATakenNameBeforeItsExtensionOrEndsWithAReason)
{
    const QString folder = testenv::freshFolder("free");
    const QString file = testenv::writeFile(folder + "/plain");
    for (int n = 2; n <= freename::maximumNumber; ++n)
        testenv::writeFile(folder + QStringLiteral("/x (%1)").arg(n));
    testenv::writeFile(folder + "/x");
    const QString longExtension = "a." + QString(253, 'b');
    testenv::writeFile(folder + '/' + longExtension);
    // Where, what, and the reason given.
    const std::tuple<QString, QString, QString> refusals[] = {
        {file, "report.pdf", "Not a directory"},           // an answer other than "no such file"
        {folder, "x", "up to (1000)"},                     // every number taken
        {folder, longExtension, "is too long for a name"}, // no stem left to shorten
    };
    for (const auto& [where, name, reason] : refusals) {
        const freename::Result result = freename::in(where, name);
        EXPECT_FALSE(result.found()) << result.path.toStdString();
        EXPECT_TRUE(result.error.contains(reason)) << result.error.toStdString();
    }
    // The number goes before the last extension; a name too long to number
    // loses bytes of its stem, on a character boundary.
    const QString longName = QString(246, 'a') + "é" + "aaa.pdf"; // 255 bytes, "é" on the cut
    // A name, the names taken, and the name it gets.
    const std::tuple<QString, QStringList, QString> cases[] = {
        {"report.pdf", {"report.pdf", "report (2).pdf"}, "report (3).pdf"},
        {"archive.tar.gz", {"archive.tar.gz"}, "archive.tar (2).gz"},
        {"notes", {"notes"}, "notes (2)"},
        {".bashrc", {".bashrc"}, ".bashrc (2)"},
        {"trailing.", {"trailing."}, "trailing. (2)"},
        {longName, {longName}, QString(246, 'a') + " (2).pdf"}};
    for (const auto& [name, taken, expected] : cases) {
        const QString numbered = testenv::freshFolder("numbered");
        // Dangling links: even they hold their names.
        for (const QString& held : taken)
            ASSERT_TRUE(QFile::link("/nonexistent", numbered + '/' + held));
        EXPECT_EQ(freename::in(numbered, name).path, numbered + '/' + expected)
            << name.toStdString();
    }
}
