// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/UpdateStatus.h"

#include <QByteArrayView>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

// What one fetch may cost: a hostile server must not make the program read
// without end, wait without end or follow redirects in a circle.
struct FetchLimits {
    qint64 maxBytes = 0;
    int maxRedirects = 0;
    std::chrono::milliseconds timeout{};     // for the whole transfer
    std::chrono::milliseconds idleTimeout{}; // without a byte arriving
    QStringList acceptedTypes;               // MIME types; empty: any
};

// One GET of an allowed address (UpdateAddress.h), its redirects checked the
// same way, its bytes handed to `sink` as they arrive. Ends with exactly one
// `finished`, always after start() has returned; a failure aborts the
// transfer.
class BoundedFetch : public QObject {
    Q_OBJECT
public:
    // Takes the bytes; false stops the fetch as writeFailed.
    using Sink = std::function<bool(QByteArrayView)>;

    BoundedFetch(QNetworkAccessManager& network, const QUrl& url, FetchLimits limits, Sink sink,
                 QObject* parent = nullptr);
    ~BoundedFetch() override;

    void start();
    qint64 bytesReceived() const { return m_received; }

Q_SIGNALS:
    void finished(UpdateFailure failure, int httpStatus);

private:
    void request(const QUrl& url);
    // Where a 3xx answer sends us, or empty.
    QUrl redirectTarget() const;
    void follow(const QUrl& target);
    bool isSuccess() const; // a 2xx status
    void onReadyRead();
    void onFinished();
    // Length and type of a 2xx answer, once, when its first bytes are there.
    bool checkAnswer();
    bool take(const QByteArray& bytes);
    void end(UpdateFailure failure, int httpStatus = 0);

    QNetworkAccessManager& m_network;
    QUrl m_url;
    FetchLimits m_limits;
    Sink m_sink;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    qint64 m_received = 0;
    int m_redirects = 0;
    bool m_answerChecked = false;
    bool m_ended = false;
};
