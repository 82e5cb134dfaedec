// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/BoundedFetch.h"

#include "platform/Tsan.h"
#include "updates/UpdateAddress.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

// Bytes Qt may hold before we take them; reading stops meanwhile.
constexpr qint64 readBufferSize = 256 * 1024;

UpdateFailure failureOf(QNetworkReply::NetworkError error, int httpStatus)
{
    switch (error) {
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError: // the idle timeout aborts the reply
        return UpdateFailure::timedOut;
    case QNetworkReply::SslHandshakeFailedError:
        return UpdateFailure::untrusted;
    default:
        return httpStatus > 0 ? UpdateFailure::serverError : UpdateFailure::unreachable;
    }
}

} // namespace

BoundedFetch::BoundedFetch(QNetworkAccessManager& network, const QUrl& url, FetchLimits limits,
                           Sink sink, QObject* parent)
    : QObject(parent), m_network(network), m_url(url), m_limits(std::move(limits)),
      m_sink(std::move(sink))
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] { end(UpdateFailure::timedOut); });
}

BoundedFetch::~BoundedFetch()
{
    if (m_reply) {
        m_reply->disconnect(this);
        if (m_reply->isRunning())
            m_reply->abort();
        m_reply->deleteLater();
    }
}

void BoundedFetch::start()
{
    if (!isAllowedUpdateAddress(m_url)) {
        QTimer::singleShot(0, this, [this] { end(UpdateFailure::insecureAddress); });
        return;
    }
    m_deadline.start(m_limits.timeout);
    request(m_url);
}

void BoundedFetch::request(const QUrl& url)
{
    QNetworkRequest request(url);
    // Redirects are followed here, each hop checked and counted: Qt's own
    // policies let plain HTTP redirect anywhere, and Qt 6.4 ends a redirect
    // loop with a bare status instead of its error.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(int(m_limits.idleTimeout.count()));
    // The bytes as the server keeps them, which the feed's checksum is of.
    request.setRawHeader("Accept-Encoding", "identity");
    m_answerChecked = false;
    {
        // Qt hands the request to its network thread under its own locks.
        const tsan::IgnoreAccesses handOver;
        m_reply = m_network.get(request);
    }
    m_reply->setReadBufferSize(readBufferSize);
    connect(m_reply, &QNetworkReply::readyRead, this, &BoundedFetch::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &BoundedFetch::onFinished);
}

QUrl BoundedFetch::redirectTarget() const
{
    const int httpStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QUrl target = m_reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (httpStatus < 300 || httpStatus > 399 || target.isEmpty())
        return {};
    return m_reply->url().resolved(target);
}

bool BoundedFetch::isSuccess() const
{
    const int httpStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return httpStatus >= 200 && httpStatus <= 299;
}

void BoundedFetch::onReadyRead()
{
    // The body of a redirect or an error says nothing; `finished` tells what
    // it was. Aborting such a reply makes Qt report its error twice.
    if (!isSuccess())
        m_reply->skip(m_reply->bytesAvailable());
    else if (checkAnswer())
        take(m_reply->readAll());
}

void BoundedFetch::onFinished()
{
    const int httpStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_reply->error() != QNetworkReply::NoError)
        return end(failureOf(m_reply->error(), httpStatus), httpStatus);
    if (const QUrl target = redirectTarget(); !target.isEmpty())
        return follow(target);
    if (!isSuccess())
        return end(UpdateFailure::serverError, httpStatus);
    if (checkAnswer() && take(m_reply->readAll()))
        end(UpdateFailure::none, httpStatus);
}

void BoundedFetch::follow(const QUrl& target)
{
    if (++m_redirects > m_limits.maxRedirects)
        return end(UpdateFailure::tooManyRedirects);
    // Once secure, always secure.
    const bool downgrade = m_reply->url().scheme() == QLatin1String("https") &&
                           target.scheme() != QLatin1String("https");
    if (downgrade || !isAllowedUpdateAddress(target))
        return end(UpdateFailure::insecureAddress);
    m_reply->disconnect(this);
    m_reply->deleteLater();
    request(target);
}

bool BoundedFetch::checkAnswer()
{
    if (m_answerChecked)
        return true;
    m_answerChecked = true;
    const int httpStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    bool known = false;
    const qint64 declared =
        m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && declared > m_limits.maxBytes) {
        end(UpdateFailure::tooLarge, httpStatus);
        return false;
    }
    if (!m_limits.acceptedTypes.isEmpty()) {
        const QString type = m_reply->header(QNetworkRequest::ContentTypeHeader)
                                 .toString()
                                 .section(QLatin1Char(';'), 0, 0)
                                 .trimmed()
                                 .toLower();
        if (!m_limits.acceptedTypes.contains(type)) {
            end(UpdateFailure::wrongType, httpStatus);
            return false;
        }
    }
    return true;
}

bool BoundedFetch::take(const QByteArray& bytes)
{
    m_received += bytes.size();
    if (m_received > m_limits.maxBytes) {
        end(UpdateFailure::tooLarge);
        return false;
    }
    if (!bytes.isEmpty() && !m_sink(bytes)) {
        end(UpdateFailure::writeFailed);
        return false;
    }
    return true;
}

void BoundedFetch::end(UpdateFailure failure, int httpStatus)
{
    if (m_ended)
        return;
    m_ended = true;
    m_deadline.stop();
    if (m_reply) {
        m_reply->disconnect(this);
        if (m_reply->isRunning())
            m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    Q_EMIT finished(failure, httpStatus);
}
