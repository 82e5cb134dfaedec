// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/UpdaterManager.h"
#include "LocalHttpServer.h"
#include "TestSupport.h"
#include "platform/AppSettings.h"
#include "platform/Paths.h"
#include "updates/Appcast.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

const QByteArray xmlType = "application/rss+xml";

// The newest item is not the first.
QByteArray appcast(const QString& version, const QString& enclosure = {})
{
    return QStringLiteral(R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
<channel><title>Vantle</title>
<item><title>Old</title><sparkle:version>1.8</sparkle:version></item>
<item><title>Vantle %1</title><link>https://example.org/vantle</link>
<description><![CDATA[<p>Faster toasts.</p>]]></description>
<sparkle:version>%1</sparkle:version>%2</item>
</channel></rss>)")
        .arg(version, enclosure)
        .toUtf8();
}

QString enclosure(const QUrl& url, qint64 length, const QByteArray& bytes)
{
    return QStringLiteral(R"(<enclosure url="%1" length="%2" type="application/gzip" )"
                          R"(sparkle:sha256="%3"/>)")
        .arg(url.toString())
        .arg(length)
        .arg(QString::fromLatin1(
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()));
}

const QByteArray openFeed = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n\r\n<rss><channel>";

class UpdaterManagerTest : public testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(paths::settingsFile());
        m_cache = testenv::freshFolder("updates");
    }

    UpdaterOptions options(const QUrl& feed) const
    {
        return {
            .feedUrl = feed, .currentVersion = "1.9", .cacheFolder = m_cache, .feedTimeout = 10s};
    }

    // One check to its end: the flag goes false at once and back only at the end; the states
    // are checking, perhaps downloading, then the one returned.
    UpdateStatus check(UpdaterManager& updater)
    {
        std::vector<bool> flags;
        QObject::connect(&updater, &UpdaterManager::canCheckForUpdatesChanged, &updater,
                         [&](bool can) { flags.push_back(can); });
        std::vector<UpdateState> states;
        QObject::connect(&updater, &UpdaterManager::statusChanged, &updater,
                         [&] { states.push_back(updater.status().state); });
        EXPECT_TRUE(updater.canCheckForUpdates());
        updater.checkForUpdates();
        EXPECT_FALSE(updater.canCheckForUpdates());
        EXPECT_TRUE(waitUntil([&] { return updater.canCheckForUpdates(); }, 15s));
        EXPECT_EQ(flags, (std::vector<bool>{false, true}));
        const bool downloads = states.size() == 3 && states[1] == UpdateState::downloading;
        EXPECT_TRUE(states.size() == 2 || downloads) << states.size();
        EXPECT_EQ(states.empty() ? UpdateState::idle : states.front(), UpdateState::checking);
        updater.disconnect(&updater);
        return updater.status();
    }

    bool cacheEmpty() const
    {
        return QDir(m_cache).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    LocalHttpServer m_server;
    QString m_cache;
};

TEST(UpdateVersionTest, ComparesComponentsAsNumbers)
{
    const struct {
        const char *candidate, *current;
        bool newer;
    } cases[] = {
        {"1.10", "1.9", true}, {"1.9", "1.10", false},   {"1.0.0", "1.0", false},
        {"2", "1.9.9", true},  {"1.2b3", "1.1", true},   {"1.9", "1.9", false},
        {"abc", "1.0", false}, {"0.1.1", "0.1.0", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isNewerVersion(c.candidate, c.current), c.newer)
            << c.candidate << " vs " << c.current;
}

TEST_F(UpdaterManagerTest, TellsWhetherTheFeedOffersANewerVersion)
{
    m_server.on("/newer", LocalHttpServer::serve(xmlType, appcast("1.10")));
    m_server.on("/same", LocalHttpServer::serve("text/xml; charset=utf-8", appcast("1.9")));

    UpdaterManager newer(options(m_server.url("/newer")));
    const UpdateStatus offered = check(newer);
    EXPECT_EQ(offered.state, UpdateState::available);
    EXPECT_EQ(offered.version, "1.10");
    EXPECT_EQ(offered.releaseNotes, "<p>Faster toasts.</p>");
    EXPECT_EQ(offered.downloadPage, QUrl("https://example.org/vantle"));
    EXPECT_TRUE(cacheEmpty()); // downloading is off
    EXPECT_GT(settings::readInteger(settings::lastUpdateCheck), 0);

    UpdaterManager same(options(m_server.url("/same")));
    EXPECT_EQ(check(same).state, UpdateState::upToDate);
}

TEST_F(UpdaterManagerTest, ABadOrHostileFeedEndsInOneFailure)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QUrl down(QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort()));
    closed.close();

    const auto serve = LocalHttpServer::serve;
    const auto redirect = [](QByteArray to) {
        return [to](QTcpSocket* s) { LocalHttpServer::respond(s, "302 Found", to, {}); };
    };
    m_server.on("/html", serve("text/html", appcast("1.10")));
    m_server.on("/truncated", serve(xmlType, appcast("1.10").left(200)));
    m_server.on("/not-rss", serve(xmlType, "<html><body/></html>"));
    m_server.on("/no-version", serve(xmlType, "<rss><channel><item/></channel></rss>"));
    m_server.on("/loop", redirect("Location: /loop\r\n"));
    m_server.on("/to-http", redirect("Location: http://example.org/feed\r\n"));
    m_server.on("/endless", [](QTcpSocket* socket) { // a trickle, never the end
        socket->write(openFeed);
        auto* timer = new QTimer(socket);
        QObject::connect(timer, &QTimer::timeout, socket, [socket] {
            if (socket->state() == QAbstractSocket::ConnectedState)
                socket->write("<!-- -->");
        });
        timer->start(10);
    });
    m_server.on("/huge", [](QTcpSocket* socket) { // past the limit, no length, never closed
        socket->write(openFeed);
        socket->write(QByteArray(2 * maxUpdateFeedBytes, ' '));
    });
    const struct {
        QUrl feed;
        UpdateFailure failure;
        std::chrono::milliseconds timeout = 10s;
    } cases[] = {
        {down, UpdateFailure::unreachable},
        {m_server.url("/missing"), UpdateFailure::serverError},
        {m_server.url("/html"), UpdateFailure::wrongType},
        {m_server.url("/truncated"), UpdateFailure::malformed},
        {m_server.url("/not-rss"), UpdateFailure::malformed},
        {m_server.url("/no-version"), UpdateFailure::malformed},
        {m_server.url("/loop"), UpdateFailure::tooManyRedirects},
        {m_server.url("/to-http"), UpdateFailure::insecureAddress},
        {QUrl("http://example.org/feed"), UpdateFailure::insecureAddress},
        {m_server.url("/endless"), UpdateFailure::timedOut, 300ms},
        {m_server.url("/huge"), UpdateFailure::tooLarge},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.feed.toString().toStdString());
        UpdaterOptions slow = options(c.feed);
        slow.feedTimeout = c.timeout;
        UpdaterManager updater(slow);
        const UpdateStatus status = check(updater);
        EXPECT_EQ(status.state, UpdateState::failed);
        EXPECT_EQ(status.failure, c.failure);
        EXPECT_TRUE(status.version.isEmpty());
    }
}

TEST_F(UpdaterManagerTest, DownloadsOnlyAFileThatMatchesTheFeed)
{
    settings::write(settings::automaticallyDownloadsUpdates, true);
    const QByteArray bytes(100 * 1024, 'v');
    m_server.on("/vantle-1.10.tar.gz", LocalHttpServer::serve("application/gzip", bytes));
    const QUrl file = m_server.url("/vantle-1.10.tar.gz");
    const struct {
        QByteArray feed;
        qint64 length;
        QByteArray summed;
    } cases[] = {
        {"/bad-sum", bytes.size(), "other"},
        {"/short", bytes.size() + 1, bytes},
        {"/long", bytes.size() - 1, bytes},
        {"/good", bytes.size(), bytes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.feed.toStdString());
        m_server.on(c.feed, LocalHttpServer::serve(
                                xmlType, appcast("1.10", enclosure(file, c.length, c.summed))));
        UpdaterManager updater(options(m_server.url(c.feed)));
        const UpdateStatus status = check(updater);
        EXPECT_EQ(status.version, "1.10");
        if (c.feed == "/good") {
            EXPECT_EQ(status.state, UpdateState::downloaded);
            EXPECT_EQ(status.failure, UpdateFailure::none);
            EXPECT_EQ(status.downloadedFile, m_cache + "/vantle-1.10.tar.gz");
            EXPECT_EQ(testenv::contentOf(status.downloadedFile), bytes);
        } else {
            EXPECT_EQ(status.state, UpdateState::downloadFailed);
            EXPECT_EQ(status.failure, UpdateFailure::mismatch);
            EXPECT_TRUE(cacheEmpty());
        }
    }
}

TEST_F(UpdaterManagerTest, ChecksByItselfSoonAfterStartAndThenEveryInterval)
{
    m_server.on("/feed", LocalHttpServer::serve(xmlType, appcast("1.9")));
    UpdaterOptions quick = options(m_server.url("/feed"));
    quick.firstCheckDelay = 20ms;
    quick.checkInterval = 200ms;

    UpdaterManager on(quick);
    on.setAutomaticallyChecksForUpdates(true);
    EXPECT_TRUE(settings::readBoolean(settings::automaticallyChecksForUpdates));
    ASSERT_TRUE(waitUntil([&] { return m_server.hits("/feed") >= 2; }));
    EXPECT_TRUE(waitUntil([&] { return on.canCheckForUpdates(); }));
    EXPECT_EQ(on.status().state, UpdateState::upToDate);
}

TEST_F(UpdaterManagerTest, WithoutAFeedUpdatesComeFromThePackageManager)
{
    UpdaterManager updater(options(QUrl()));
    EXPECT_FALSE(updater.canCheckForUpdates());
    EXPECT_EQ(updater.status().state, UpdateState::unavailable);
    updater.checkForUpdates();
    EXPECT_EQ(updater.status().state, UpdateState::unavailable);
}

} // namespace
