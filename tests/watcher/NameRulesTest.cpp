// SPDX-License-Identifier: GPL-3.0-or-later
#include "watcher/NameRules.h"
#include "TestSupport.h"

// The edges of the name rules; what they mean for real items is in AdmissionTest.
TEST(NameRulesTest, IgnoredNamesAndSandboxTemporaries)
{
    const struct {
        const char* name;
        bool ignored;
        bool sandboxTemp;
    } cases[] = {
        {".localized", true, false},
        {"Report.pdf.CRDOWNLOAD", true, false},
        {"archive.download", true, false},
        {"crdownload", false, false}, // no extension at all
        {"part.txt", false, false},
        {"notes.partial", false, false},
        {"file.", false, false},
        {"Ünïcode ñame.txt", false, false},
        {"a.sb-ABCDEF-0", false, true},
        {"notes.txt.sb-1a2b3c-XyZ9.txt", false, false}, // not at the end
        {"notes.txt.sb-xyz-abc", false, false},         // not hexadecimal
        {"notes.txt.sb-12-", false, false},
        {"notes.txt.sb--abc", false, false},
        {"notes.txt.sb-12-ab_c", false, false},
        {"notes.txt.sb-12-ñ", false, false}, // ASCII letters only
        {"notes.txtsb-12-ab", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(names::isIgnoredName(QString::fromUtf8(c.name)), c.ignored) << c.name;
        EXPECT_EQ(names::matchesSandboxTemp(QString::fromUtf8(c.name)), c.sandboxTemp) << c.name;
    }
}
