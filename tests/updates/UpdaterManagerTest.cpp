// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/UpdaterManager.h"
#include "TestSupport.h"
#include "platform/AppSettings.h"
#include "platform/Paths.h"
#include "updates/Appcast.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

// An HTTP server on 127.0.0.1 answering each GET path with its handler (404 otherwise).
class LocalHttpServer {
public:
    using Handler = std::function<void(QTcpSocket*)>;

    LocalHttpServer()
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost));
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                auto pending = std::make_shared<QByteArray>();
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, pending] {
                    *pending += socket->readAll();
                    for (qsizetype end; (end = pending->indexOf("\r\n\r\n")) >= 0;) {
                        const QByteArray path = pending->left(end).split(' ').value(1);
                        pending->remove(0, end + 4);
                        m_handlers.value(path, [](QTcpSocket* s) {
                            respond(s, "404 Not Found", {}, "no");
                        })(socket);
                    }
                });
            }
        });
    }

    void on(const QByteArray& path, Handler handler) { m_handlers[path] = std::move(handler); }
    QUrl url(const QByteArray& path) const
    {
        return QUrl("http://127.0.0.1:" + QString::number(m_server.serverPort()) + path);
    }

    // A whole answer, then the connection closes.
    static void respond(QTcpSocket* socket, const QByteArray& status, const QByteArray& headers,
                        const QByteArray& body)
    {
        socket->write("HTTP/1.1 " + status + "\r\n" + headers + "Content-Length: " +
                      QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }
    static Handler serve(const QByteArray& type, const QByteArray& body)
    {
        return [=](QTcpSocket* s) { respond(s, "200 OK", "Content-Type: " + type + "\r\n", body); };
    }

private:
    QTcpServer m_server;
    QHash<QByteArray, Handler> m_handlers;
};

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

class UpdaterManagerTest : public testing::Test {
protected:
    void SetUp() override { QFile::remove(paths::settingsFile()); }

    UpdaterOptions options(const QUrl& feed, std::chrono::milliseconds wait = 10s) const
    {
        return {
            .feedUrl = feed, .currentVersion = "1.9", .cacheFolder = m_cache, .feedTimeout = wait};
    }

    // One check to its end: the flag goes false at once and back only at the end; the states
    // are checking, perhaps downloading, then the one returned.
    UpdateStatus check(UpdaterManager& updater)
    {
        QSignalSpy flags(&updater, &UpdaterManager::canCheckForUpdatesChanged);
        QList<UpdateState> states;
        QObject::connect(&updater, &UpdaterManager::statusChanged, &updater,
                         [&] { states.push_back(updater.status().state); });
        updater.checkForUpdates();
        EXPECT_FALSE(updater.canCheckForUpdates());
        EXPECT_TRUE(waitUntil([&] { return updater.canCheckForUpdates(); }, 15s));
        EXPECT_EQ(flags, (QList<QVariantList>{{false}, {true}}));
        EXPECT_EQ(states.value(0), UpdateState::checking);
        EXPECT_EQ(states.size(), states.value(1) == UpdateState::downloading ? 3 : 2);
        updater.disconnect(&updater);
        return updater.status();
    }

    LocalHttpServer m_server;
    QString m_cache = testenv::freshFolder("updates");
};

TEST(UpdateVersionTest, ComparesComponentsAsNumbers)
{
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"1.9", "1.10", false}, {"1.10", "1.9", true},  {"1.0.0", "1.0", false},
        {"2", "1.9.9", true},   {"1.2b3", "1.1", true}, {"abc", "1.0", false}};
    for (const auto& [candidate, current, newer] : cases)
        EXPECT_EQ(isNewerVersion(candidate, current), newer) << candidate << " vs " << current;
}

TEST_F(UpdaterManagerTest, TellsWhetherTheFeedOffersANewerVersionWhenAskedAndByItself)
{
    m_server.on("/newer", LocalHttpServer::serve(xmlType, appcast("1.10")));
    UpdaterManager newer(options(m_server.url("/newer")));
    const UpdateStatus offered = check(newer);
    EXPECT_EQ(
        std::tuple(offered.state, offered.version, offered.releaseNotes, offered.downloadPage),
        std::tuple(UpdateState::available, QString("1.10"), QString("<p>Faster toasts.</p>"),
                   QUrl("https://example.org/vantle")));
    EXPECT_GT(settings::readInteger(settings::lastUpdateCheck), 0);
    // Without a feed the package manager brings updates.
    UpdaterManager none(options(QUrl()));
    none.checkForUpdates();
    EXPECT_EQ(none.status().state, UpdateState::unavailable);
    // Asked to, it checks by itself soon after the start and then every interval.
    m_server.on("/feed", LocalHttpServer::serve("text/xml; charset=utf-8", appcast("1.9")));
    UpdaterOptions quick = options(m_server.url("/feed"));
    quick.firstCheckDelay = 20ms;
    quick.checkInterval = 200ms;
    UpdaterManager on(quick);
    int upToDate = 0;
    QObject::connect(&on, &UpdaterManager::statusChanged, &on,
                     [&] { upToDate += on.status().state == UpdateState::upToDate; });
    on.setAutomaticallyChecksForUpdates(true);
    EXPECT_TRUE(waitUntil([&] { return upToDate >= 2; }));
}

TEST_F(UpdaterManagerTest, ABadOrHostileFeedEndsInOneFailure)
{
    const QUrl down = [] { return LocalHttpServer().url("/"); }(); // no longer listening
    const auto serve = LocalHttpServer::serve;
    const auto redirect = [](QByteArray to) {
        return [to](QTcpSocket* s) { LocalHttpServer::respond(s, "302 Found", to, {}); };
    };
    m_server.on("/html", serve("text/html", appcast("1.10")));
    m_server.on("/truncated", serve(xmlType, appcast("1.10").chopped(6))); // items whole
    m_server.on("/no-version", serve(xmlType, "<rss><channel><item/></channel></rss>"));
    m_server.on("/loop", redirect("Location: /loop\r\n"));
    m_server.on("/to-http", redirect("Location: http://example.org/feed\r\n"));
    // No length and never the end: a trickle after the opening and its padding.
    const auto trickle = [](qint64 padding) {
        return [padding](QTcpSocket* socket) {
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n\r\n<rss><channel>" +
                          QByteArray(padding, ' '));
            auto* timer = new QTimer(socket);
            QObject::connect(timer, &QTimer::timeout, socket, [socket] {
                if (socket->state() == QAbstractSocket::ConnectedState)
                    socket->write("<!-- -->");
            });
            timer->start(10);
        };
    };
    m_server.on("/endless", trickle(0));
    m_server.on("/huge", trickle(2 * maxUpdateFeedBytes));
    const struct {
        QUrl feed;
        UpdateFailure failure;
        std::chrono::milliseconds timeout = 10s;
    } cases[] = {{down, UpdateFailure::unreachable},
                 {m_server.url("/missing"), UpdateFailure::serverError},
                 {m_server.url("/html"), UpdateFailure::wrongType},
                 {m_server.url("/truncated"), UpdateFailure::malformed},
                 {m_server.url("/no-version"), UpdateFailure::malformed},
                 {m_server.url("/loop"), UpdateFailure::tooManyRedirects},
                 {m_server.url("/to-http"), UpdateFailure::insecureAddress},
                 {QUrl("http://example.org/feed"), UpdateFailure::insecureAddress},
                 {m_server.url("/endless"), UpdateFailure::timedOut, 300ms},
                 {m_server.url("/huge"), UpdateFailure::tooLarge}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.feed.toString().toStdString());
        UpdaterManager updater(options(c.feed, c.timeout));
        const UpdateStatus status = check(updater);
        EXPECT_EQ(std::tuple(status.state, status.failure),
                  std::tuple(UpdateState::failed, c.failure));
    }
}

TEST_F(UpdaterManagerTest, DownloadsOnlyAFileThatMatchesTheFeed)
{
    settings::write(settings::automaticallyDownloadsUpdates, true);
    const QByteArray bytes(100 * 1024, 'v');
    m_server.on("/vantle-1.10.tar.gz", LocalHttpServer::serve("application/gzip", bytes));
    const struct {
        QByteArray feed;
        qint64 length;
        QByteArray summed;
    } cases[] = {{"/bad-sum", bytes.size(), "other"},
                 {"/short", bytes.size() + 1, bytes},
                 {"/long", bytes.size() - 1, bytes},
                 {"/good", bytes.size(), bytes}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.feed.toStdString());
        const QByteArray sha256 = QCryptographicHash::hash(c.summed, QCryptographicHash::Sha256);
        const QString enclosure =
            QStringLiteral(R"(<enclosure url="%1" length="%2" sparkle:sha256="%3"/>)")
                .arg(m_server.url("/vantle-1.10.tar.gz").toString())
                .arg(c.length)
                .arg(QString::fromLatin1(sha256.toHex()));
        m_server.on(c.feed, LocalHttpServer::serve(xmlType, appcast("1.10", enclosure)));
        UpdaterManager updater(options(m_server.url(c.feed)));
        const UpdateStatus status = check(updater);
        const bool good = c.feed == "/good";
        EXPECT_EQ(std::tuple(status.state, status.failure),
                  good ? std::tuple(UpdateState::downloaded, UpdateFailure::none)
                       : std::tuple(UpdateState::downloadFailed, UpdateFailure::mismatch));
        EXPECT_EQ(status.downloadedFile, good ? m_cache + "/vantle-1.10.tar.gz" : QString());
        EXPECT_EQ(testenv::contentOf(m_cache + "/vantle-1.10.tar.gz"), good ? bytes : "<missing>");
        // No debris, and nothing at all of a file that does not match.
        EXPECT_EQ(QDir(m_cache).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  good ? QStringList{"vantle-1.10.tar.gz"} : QStringList());
    }
}

} // namespace
