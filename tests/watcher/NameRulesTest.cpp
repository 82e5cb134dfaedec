// SPDX-License-Identifier: GPL-3.0-or-later
#include "watcher/NameRules.h"
#include "TestSupport.h"
#include "watcher/FileEvent.h"

namespace {

TEST(NameRulesTest, IgnoredNames)
{
    struct Case {
        const char* name;
        bool ignored;
    };
    const Case cases[] = {
        {".DS_Store", true},
        {".localized", true},
        {".hidden.pdf", true},
        {"Report.pdf.crdownload", true},
        {"Report.pdf.CRDOWNLOAD", true},
        {"movie.mkv.part", true},
        {"archive.download", true},
        {"Report.pdf", false},
        {"crdownload", false}, // no extension at all
        {"part.txt", false},
        {"notes.partial", false},
        {"file.", false},
        {"Ünïcode ñame.txt", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(names::isIgnoredName(QString::fromUtf8(c.name)), c.ignored) << c.name;
}

TEST(NameRulesTest, SandboxTemporaryPattern)
{
    struct Case {
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"notes.txt.sb-1a2b3c-XyZ9", true},
        {"a.sb-ABCDEF-0", true},
        {"notes.txt.sb-1a2b3c-XyZ9.txt", false}, // not at the end
        {"notes.txt.sb-xyz-abc", false},         // not hexadecimal
        {"notes.txt.sb-12-", false},
        {"notes.txt.sb--abc", false},
        {"notes.txt.sb-12-ab_c", false},
        {"notes.txt.sb-12-ñ", false}, // ASCII letters only
        {"notes.txtsb-12-ab", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(names::matchesSandboxTemp(QString::fromUtf8(c.name)), c.matches) << c.name;
}

TEST(NameRulesTest, PathComponents)
{
    EXPECT_EQ(names::nameOf(QStringLiteral("/home/u/Downloads/a.txt")), QStringLiteral("a.txt"));
    EXPECT_EQ(names::parentOf(QStringLiteral("/home/u/Downloads/a.txt")),
              QStringLiteral("/home/u/Downloads"));
    EXPECT_EQ(names::parentOf(QStringLiteral("/a")), QStringLiteral("/"));
    EXPECT_EQ(names::nameOf(QString()), QString());
    EXPECT_EQ(names::parentOf(QString()), QString());
}

} // namespace
