// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// An HTTP server on 127.0.0.1 answering each GET path with its handler (404 otherwise).
class LocalHttpServer {
public:
    using Handler = std::function<void(QTcpSocket*)>;

    LocalHttpServer()
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost));
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { accept(); });
    }

    void on(const QByteArray& path, Handler handler) { m_handlers[path] = std::move(handler); }
    QUrl url(const QByteArray& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()) +
                    QString::fromLatin1(path));
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
    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            auto pending = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, pending] {
                *pending += socket->readAll();
                for (qsizetype end; (end = pending->indexOf("\r\n\r\n")) >= 0;) {
                    const QByteArray path = pending->left(end).split(' ').value(1);
                    pending->remove(0, end + 4);
                    if (const Handler handler = m_handlers.value(path))
                        handler(socket);
                    else
                        respond(socket, "404 Not Found", {}, "no");
                }
            });
        }
    }

    QTcpServer m_server;
    QHash<QByteArray, Handler> m_handlers;
};
