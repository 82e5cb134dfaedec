// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/DownloadOrigin.h"
#include "TestSupport.h"

TEST(DownloadOrigin, OnlyAnHttpAddressWithAHostCounts)
{
    const struct {
        QByteArray value;
        const char* host; // nullptr: unknown
    } cases[] = {{"https://files.example.com/report.pdf?x=1", "files.example.com"},
                 {"http://example.org/a.zip\n", "example.org"},
                 {QByteArray("https://example.net/b", 21) + '\0', "example.net"},
                 {"HTTPS://Example.COM/c", "example.com"},
                 {"ftp://example.com/d", nullptr},
                 {"https://", nullptr},
                 {"", nullptr}};
    for (const auto& c : cases) {
        const auto origin = downloadorigin::fromAttribute(c.value);
        EXPECT_EQ(origin ? origin->host() : QString(), QString::fromLatin1(c.host))
            << c.value.toStdString();
    }
}
