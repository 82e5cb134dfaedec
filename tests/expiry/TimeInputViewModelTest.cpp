// SPDX-License-Identifier: GPL-3.0-or-later
#include "expiry/TimeInputViewModel.h"
#include "TestSupport.h"

TEST(TimeInputViewModelTest, ExpiryTextSaysTodayTomorrowOrTheDateAndAnEditSetsTextThenMeaning)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    // A Saturday afternoon, local time.
    const QDateTime now(QDate(2026, 12, 5), QTime(15, 0));
    const std::pair<double, const char*> cases[] = {
        {2 * 3600, "Expires 5:00\u202fPM today"},
        {9 * 3600, "Expires 12:00\u202fAM tomorrow"},
        {3 * 86400, "Expires Tue Dec 8 at 3:00\u202fPM"}};
    for (const auto& [interval, text] : cases) {
        QString expected = QString::fromUtf8(text);
        // Older locale data writes a plain space before AM/PM.
        if (!english.toString(QTime(17, 0), QLocale::ShortFormat).contains(QChar(0x202f)))
            expected.replace(QChar(0x202f), QLatin1Char(' '));
        EXPECT_EQ(TimeInputViewModel::expiryText(now, interval, english), expected) << interval;
    }
    // An edit sets the text, then what it means; blanks show nothing.
    TimeInputViewModel model;
    QStringList order;
    QObject::connect(&model, &TimeInputViewModel::queryChanged, [&] { order << "query"; });
    QObject::connect(&model, &TimeInputViewModel::parsedChanged, [&] {
        order << (model.query() == QLatin1String("2h") ? "parsed after query" : "parsed");
    });
    model.edit(QStringLiteral("2h"));
    EXPECT_EQ(order, (QStringList{"query", "parsed after query"}));
    model.edit(QStringLiteral("2h")); // the same text notifies nobody
    EXPECT_EQ(order.size(), 2);
    const std::tuple<const char*, bool, bool> edits[] = {
        {" \t ", false, false}, {"\n", true, false}, {"30 min", true, true}}; // row, parsed
    for (const auto& [text, row, parsed] : edits) {
        model.edit(QString::fromUtf8(text));
        EXPECT_EQ(model.showsResultRow(), row) << text;
        EXPECT_EQ(model.parsed().has_value(), parsed) << text;
    }
    model.reset();
    EXPECT_TRUE(model.query().isEmpty());
    EXPECT_FALSE(model.parsed());
}
