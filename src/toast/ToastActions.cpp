// SPDX-License-Identifier: GPL-3.0-or-later
// The toast's whole-queue actions: every queued file at once, in queue order.
#include "toast/ToastController.h"

#include "expiry/CleanupService.h"
#include "expiry/MarkTemporary.h"
#include "platform/Log.h"
#include "platform/Workspace.h"
#include "store/TrackedFileActor.h"
#include "toast/ToastGeometry.h"
#include "toast/ToastNotice.h"
#include "toast/ToastPanel.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

void ToastController::markRecordsTemporary(std::vector<RecordId> ids,
                                           std::optional<double> interval)
{
    const bool logged = !interval.has_value();
    // The store runs them in queue order; they run to their end even after the hide.
    for (RecordId id : ids) {
        QString name;
        for (const ToastEntry& entry : m_toastEntries) {
            if (entry.id == id)
                name = entry.fileName;
        }
        expiry::markTemporary(m_services.trackedFileActor, m_services.cleanupService, id, interval)
            .then(this, [this, id, name, logged](const MarkedExpiry& at) {
                if (!at.error.isEmpty())
                    showNotice(QStringLiteral("Couldn't mark “") + name +
                               QStringLiteral("” temporary: ") + at.error);
                if (logged && at)
                    VANTLE_DIAG(lcToast, QStringLiteral("ToastController.markTemporary: scheduled "
                                                        "cleanup for id=") +
                                             id.description() + QStringLiteral(" at ") +
                                             at->toUTC().toString(Qt::ISODate));
            });
    }
}

void ToastController::markTemporary()
{
    const std::vector<RecordId> ids = queuedIds();
    if (ids.empty() || m_showsUndo)
        return;
    VANTLE_DIAG(lcToast,
                QStringLiteral("ToastController.markTemporary: ids=%1 names=").arg(ids.size()) +
                    queuedNameList());
    markRecordsTemporary(ids, std::nullopt);
    hide();
}

void ToastController::performOpen()
{
    if (m_showsUndo)
        return;
    const QStringList paths = fileUrls();
    if (paths.isEmpty()) {
        hide();
        return;
    }
    VANTLE_DIAG(
        lcToast,
        QStringLiteral("ToastController.performOpen: opening %1 file(s) ").arg(paths.size()) +
            queuedNameList());
    for (const QString& path : paths)
        m_services.workspace->openFile(path);
    settleRecords(queuedIds());
    hide();
}

void ToastController::performCopy()
{
    if (m_showsUndo)
        return;
    const QStringList paths = fileUrls();
    if (paths.isEmpty()) {
        hide();
        return;
    }
    QList<QUrl> urls;
    QByteArray gnome("copy");
    for (const QString& path : paths) {
        const QUrl url = QUrl::fromLocalFile(path);
        urls.append(url);
        gnome += '\n' + url.toEncoded();
    }
    auto* data = new QMimeData;
    data->setUrls(urls); // text/uri-list
    data->setData(QStringLiteral("x-special/gnome-copied-files"), gnome);
    data->setText(paths.join(QLatin1Char('\n')));
    QGuiApplication::clipboard()->setMimeData(data);

    VANTLE_DIAG(
        lcToast,
        QStringLiteral("ToastController.performCopy: copied %1 file(s) ").arg(paths.size()) +
            queuedNameList() + QStringLiteral(" — marking temporary"));
    markTemporary();
}

void ToastController::performDelete()
{
    if (m_showsUndo)
        return; // already trashed
    if (m_toastEntries.empty()) {
        hide();
        return;
    }
    VANTLE_DIAG(lcToast, QStringLiteral("ToastController.performDelete: trashing %1 file(s) ")
                                 .arg(m_toastEntries.size()) +
                             queuedNameList());
    auto batch = std::make_shared<UndoBatch>();
    for (const ToastEntry& entry : m_toastEntries) {
        ++batch->pendingTrashes;
        const QString name = entry.fileName;
        m_services.trackedFileActor.deleteNow(entry.id).then(
            this, [this, batch, name](const RecordTrash::Result& result) {
                --batch->pendingTrashes;
                if (result.outcome == RecordTrash::Outcome::failed ||
                    result.outcome == RecordTrash::Outcome::refused)
                    showNotice(QStringLiteral("Couldn't move “") + name +
                               QStringLiteral("” to the Trash: ") + result.detail);
                else if (result.outcome == RecordTrash::Outcome::trashed &&
                         result.location.isEmpty())
                    batch->unplaced.append(name);
                else if (result.outcome == RecordTrash::Outcome::trashed)
                    batch->locations.push_back(result.location);
                if (batch->requested && batch->pendingTrashes == 0)
                    carryOutUndo(batch);
            });
    }
    if (!m_services.restore) {
        hide();
        return;
    }
    // The toast stays for the rest of its countdown, offering to take it back.
    m_showsUndo = true;
    m_undo = batch;
    updateContent();
}

void ToastController::undoDelete()
{
    if (!m_showsUndo || !m_undo)
        return;
    const std::shared_ptr<UndoBatch> batch = std::move(m_undo);
    batch->requested = true;
    hide();
    // A click faster than the Trash is carried out when its answers are in.
    if (batch->pendingTrashes == 0)
        carryOutUndo(batch);
}

void ToastController::carryOutUndo(const std::shared_ptr<UndoBatch>& batch)
{
    VANTLE_DIAG(lcToast, QStringLiteral("ToastController.undoDelete: restoring %1 file(s)")
                             .arg(batch->locations.size()));
    for (const QString& name : std::as_const(batch->unplaced))
        showNotice(QStringLiteral("Couldn't take “") + name +
                   QStringLiteral("” back: the Trash did not tell where it put it; restore it "
                                  "from the Trash"));
    for (const QString& location : batch->locations) {
        m_services.restore(location).then(this, [this, location](const RestoreOutcome& outcome) {
            if (!outcome.restored())
                showNotice(QStringLiteral("Couldn't take “") + location.section('/', -1) +
                           QStringLiteral("” back out of the Trash: ") + outcome.error);
        });
    }
    batch->unplaced.clear();
    batch->locations.clear();
}

void ToastController::showNotice(const QString& text)
{
    // Several failures of one action are all told.
    m_pendingNotice = m_pendingNotice.isEmpty() ? text : m_pendingNotice + QLatin1Char('\n') + text;
    // The toast holds the place until its hide sequence ends.
    if (!m_panel->isOnScreen())
        presentPendingNotice();
}

void ToastController::presentPendingNotice()
{
    if (m_pendingNotice.isEmpty())
        return;
    if (!m_currentScreen)
        positionToastPanel();
    if (const auto facts = currentScreenFacts())
        m_notice->present(m_pendingNotice,
                          toastgeometry::noticeFrame(
                              *facts, m_notice->withShadowRoom(ToastNotice::islandHeight)));
    m_pendingNotice.clear();
}
