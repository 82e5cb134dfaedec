// SPDX-License-Identifier: GPL-3.0-or-later
#include "CrashSoak.h"
#include "TestSupport.h"

namespace {

// A short run of the crash soak in bench/: a few kills of the real program,
// each followed by a restart that must bring the store back in line with the
// folder, and never a file in the Trash that was not marked temporary.
TEST(CrashSoakTest, StoreAndTrashHoldAcrossKills)
{
    ASSERT_TRUE(VantleProcess::hasDisplay()) << "DISPLAY is not set; run scripts/test.sh";
    soak::CrashSoak soak(testenv::freshFolder(QStringLiteral("crash-soak")), 20261207);
    for (int round = 1; round <= 3; ++round) {
        const QStringList failures = soak.round(round);
        std::printf("%s\n", qPrintable(soak.line()));
        ASSERT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    }
    const QStringList late = soak.finish();
    EXPECT_TRUE(late.isEmpty()) << late.join(QLatin1Char('\n')).toStdString();
}

} // namespace
