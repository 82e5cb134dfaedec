// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/Appcast.h"
#include "updates/BoundedFetch.h"

#include <QCryptographicHash>
#include <QObject>
#include <QSaveFile>
#include <memory>

class QNetworkAccessManager;

// Downloads an item's enclosure into a folder under a temporary name and
// renames it into place only when its length and SHA-256 are the feed's;
// otherwise nothing is left behind. Ends with exactly one `finished`, always
// after start() has returned.
class EnclosureDownload : public QObject {
    Q_OBJECT
public:
    // `limits.maxBytes` caps what the feed may announce.
    EnclosureDownload(QNetworkAccessManager& network, AppcastItem item, QString folder,
                      FetchLimits limits, QObject* parent = nullptr);

    void start();

Q_SIGNALS:
    // `path` is the downloaded file's, when `failure` is none.
    void finished(UpdateFailure failure, const QString& path);

private:
    void onFetched(UpdateFailure failure);
    void endLater(UpdateFailure failure);
    void end(UpdateFailure failure);

    QNetworkAccessManager& m_network;
    AppcastItem m_item;
    QString m_folder;
    FetchLimits m_limits;
    std::unique_ptr<QSaveFile> m_file;
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    BoundedFetch* m_fetch = nullptr;
};
