// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <initializer_list>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and the like into a Qt signal on the thread that
// created the watcher (a signal handler may do almost nothing itself, so it
// only writes the number to a socket that the event loop reads).
class UnixSignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPending();
    QSocketNotifier* m_notifier = nullptr;
};
