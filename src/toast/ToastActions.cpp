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
#include "toast/ToastUndoFlow.h"

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
    const std::vector<RecordId> ids = toastflow::idsOf(m_toastEntries);
    if (ids.empty() || isDeleting())
        return;
    VANTLE_DIAG(lcToast,
                QStringLiteral("ToastController.markTemporary: ids=%1 names=").arg(ids.size()) +
                    toastflow::nameList(m_toastEntries));
    markRecordsTemporary(ids, std::nullopt);
    hide();
}

void ToastController::performOpen()
{
    if (isDeleting())
        return;
    const QStringList paths = fileUrls();
    if (paths.isEmpty()) {
        hide();
        return;
    }
    VANTLE_DIAG(
        lcToast,
        QStringLiteral("ToastController.performOpen: opening %1 file(s) ").arg(paths.size()) +
            toastflow::nameList(m_toastEntries));
    for (const QString& path : paths)
        m_services.workspace->openFile(path);
    settleRecords(toastflow::idsOf(m_toastEntries));
    hide();
}

void ToastController::performCopy()
{
    if (isDeleting())
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
            toastflow::nameList(m_toastEntries) + QStringLiteral(" — marking temporary"));
    markTemporary();
}

void ToastController::performDelete()
{
    m_undoFlow->deleteQueued();
}

void ToastController::undoDelete()
{
    m_undoFlow->undo();
}

bool ToastController::showsUndo() const
{
    return m_undoFlow->showsUndo();
}

bool ToastController::isDeleting() const
{
    return m_undoFlow->holdsQueue();
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
