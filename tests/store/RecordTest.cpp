// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "expiry/ExpiryUnit.h"
#include "platform/AppSettings.h"
#include "platform/Formatters.h"
#include "store/DownloadOrigin.h"

#include <QSettings>

TEST(ByteCountTest, FileStyleInDecimalUnits)
{
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "Zero KB"},      {1, "1 byte"},    {999, "999 bytes"},
        {1499, "1 KB"},      {1500, "2 KB"},   {999999, "1 MB"},
        {1250000, "1.3 MB"}, {-1500, "-2 KB"}, {INT64_MAX, "9.22 EB"}};
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(formatByteCount(bytes), text) << bytes;
}

// The default lifetime as stored by the settings pane or edited by hand: the
// INI file keeps no types, so every value may come back as text.
TEST(DefaultExpiryTest, ReadRulesForStoredValues)
{
    // The stored amount and unit, and the lifetime they mean.
    const std::tuple<QVariant, QVariant, double> cases[] = {
        {"5000", "days", 999 * 86400.0}, {"abc", "minutes", 60},   {"12.5", "hours", 3600},
        {"-3", "hours", 3600},           {3, "weeks", 3 * 3600.0}, {"7", "Minutes", 7 * 3600.0},
        {QVariant(), QVariant(), 3600}};
    for (const auto& [value, unit, interval] : cases) {
        auto store = settings::open();
        store->clear();
        if (value.isValid())
            store->setValue("expiryValue", value);
        if (unit.isValid())
            store->setValue("expiryUnit", unit);
        store->sync();
        EXPECT_EQ(defaultExpiryInterval(), interval)
            << value.toString().toStdString() << " " << unit.toString().toStdString();
    }
    settings::open()->clear();
}

TEST(DownloadOrigin, OnlyAnHttpAddressWithAHostCounts)
{
    // The attribute's value and the host read from it (nullptr: unknown).
    const std::pair<QByteArray, const char*> cases[] = {
        {"https://files.example.com/report.pdf?x=1", "files.example.com"},
        {"http://example.org/a.zip\n", "example.org"},
        {QByteArray("https://example.net/b", 21) + '\0', "example.net"},
        {"HTTPS://Example.COM/c", "example.com"},
        {"ftp://example.com/d", nullptr},
        {"https://", nullptr},
        {"", nullptr}};
    for (const auto& [value, host] : cases) {
        const auto origin = downloadorigin::fromAttribute(value);
        EXPECT_EQ(origin ? origin->host() : QString(), QString::fromLatin1(host))
            << value.toStdString();
    }
}
