// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/EnclosureDownload.h"

#include <QDir>
#include <QTimer>

namespace {

// The feed names the file; it must stay a plain name inside the folder.
QString safeFileName(const AppcastItem& item)
{
    QString name = item.enclosureUrl.fileName(QUrl::FullyDecoded);
    if (name.isEmpty())
        name = QStringLiteral("Vantle-%1").arg(item.displayVersion);
    name.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QChar(0), QLatin1Char('_'));
    if (name.startsWith(QLatin1Char('.')))
        name.prepend(QLatin1Char('_'));
    return name;
}

} // namespace

EnclosureDownload::EnclosureDownload(QNetworkAccessManager& network, AppcastItem item,
                                     QString folder, FetchLimits limits, QObject* parent)
    : QObject(parent), m_network(network), m_item(std::move(item)), m_folder(std::move(folder)),
      m_limits(std::move(limits))
{
}

void EnclosureDownload::start()
{
    if (!m_item.enclosureUrl.isValid() || m_item.enclosureLength <= 0 ||
        m_item.enclosureSha256.size() != 32)
        return endLater(UpdateFailure::noChecksum);
    if (m_item.enclosureLength > m_limits.maxBytes)
        return endLater(UpdateFailure::tooLarge);
    // A longer answer cannot match; it is cut off as soon as it is longer.
    m_limits.maxBytes = m_item.enclosureLength;
    m_limits.acceptedTypes.clear();

    QDir().mkpath(m_folder);
    m_file = std::make_unique<QSaveFile>(m_folder + QLatin1Char('/') + safeFileName(m_item));
    if (!m_file->open(QIODevice::WriteOnly))
        return endLater(UpdateFailure::writeFailed);
    m_fetch = new BoundedFetch(
        m_network, m_item.enclosureUrl, m_limits,
        [this](QByteArrayView bytes) {
            m_hash.addData(bytes);
            return m_file->write(bytes.data(), bytes.size()) == bytes.size();
        },
        this);
    connect(m_fetch, &BoundedFetch::finished, this,
            [this](UpdateFailure failure, int) { onFetched(failure); });
    m_fetch->start();
}

void EnclosureDownload::onFetched(UpdateFailure failure)
{
    const qint64 received = m_fetch->bytesReceived();
    m_fetch->deleteLater();
    m_fetch = nullptr;
    if (failure == UpdateFailure::tooLarge)
        return end(UpdateFailure::mismatch);
    if (failure != UpdateFailure::none)
        return end(failure);
    if (received != m_item.enclosureLength || m_hash.result() != m_item.enclosureSha256)
        return end(UpdateFailure::mismatch);
    if (!m_file->commit())
        return end(UpdateFailure::writeFailed);
    end(UpdateFailure::none);
}

void EnclosureDownload::endLater(UpdateFailure failure)
{
    QTimer::singleShot(0, this, [this, failure] { end(failure); });
}

void EnclosureDownload::end(UpdateFailure failure)
{
    QString path;
    if (m_file) {
        path = m_file->fileName();
        // Without a commit the temporary file goes with the object.
        if (failure != UpdateFailure::none)
            m_file->cancelWriting();
        m_file.reset();
    }
    Q_EMIT finished(failure, failure == UpdateFailure::none ? path : QString());
}
