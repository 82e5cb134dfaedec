// SPDX-License-Identifier: GPL-3.0-or-later
#include "tidy/TidyBatch.h"

#include "move/FileMover.h"
#include "platform/FileSystem.h"
#include "platform/FileTransfer.h"
#include "platform/Log.h"
#include "platform/TwoThreads.h"
#include "store/BringBack.h"
#include "store/TrackedFileActor.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <cerrno>
#include <cstdio>

namespace {

// One item that left: where from, where to, its inode there, and whether
// the Trash holds it.
struct Left {
    QString from;
    QString to;
    std::uint64_t inode = 0;
    bool trashed = false;
};

std::vector<Left> readRun(const QString& runPath)
{
    std::vector<Left> run;
    QFile file(runPath);
    if (!file.open(QIODevice::ReadOnly))
        return run;
    for (const QJsonValue& value : QJsonDocument::fromJson(file.readAll()).array()) {
        const QJsonObject item = value.toObject();
        Left left{item["from"].toString(), item["to"].toString(),
                  item["inode"].toString().toULongLong(), item["trashed"].toBool()};
        if (!left.from.isEmpty() && !left.to.isEmpty())
            run.push_back(left);
    }
    return run;
}

// JSON text for one string: the run is written by hand, as building a
// QJsonDocument of a thousand objects costs more than the renames it notes.
void appendJsonString(QByteArray& out, const QString& text)
{
    out.append('"');
    for (const char byte : text.toUtf8()) {
        if (byte == '"' || byte == '\\') {
            out.append('\\').append(byte);
        } else if (static_cast<unsigned char>(byte) < 0x20) {
            out.append(
                QByteArray("\\u00") +
                QByteArray::number(static_cast<unsigned char>(byte), 16).rightJustified(2, '0'));
        } else {
            out.append(byte);
        }
    }
    out.append('"');
}

std::optional<QString> writeRun(const QString& runPath, const std::vector<Left>& run)
{
    if (run.empty()) {
        QFile::remove(runPath);
        return std::nullopt;
    }
    QByteArray text("[");
    for (const Left& left : run) {
        if (text.size() > 1)
            text.append(',');
        text.append("{\"from\":");
        appendJsonString(text, left.from);
        text.append(",\"to\":");
        appendJsonString(text, left.to);
        // As text: JSON numbers lose 64-bit precision.
        text.append(",\"inode\":\"").append(QByteArray::number(left.inode));
        text.append(left.trashed ? "\",\"trashed\":true}" : "\",\"trashed\":false}");
    }
    text.append(']');
    // Written whole under another name and renamed over, so that a reader
    // never meets half a run; not synced, as the renames it notes are not.
    QFile file(runPath + QStringLiteral(".part"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size() ||
        !file.flush()) {
        const QString error = file.errorString();
        file.remove();
        return error;
    }
    file.close();
    if (::rename(QFile::encodeName(file.fileName()).constData(),
                 QFile::encodeName(runPath).constData()) != 0) {
        const int error = errno;
        file.remove();
        return fs::errorText(error);
    }
    return std::nullopt;
}

// The records of items that left, in one visit to the store and one save;
// the store runs it while the caller goes on.
QFuture<bool> forget(TrackedFileActor& store, std::vector<std::uint64_t> inodes)
{
    if (inodes.empty())
        return QtFuture::makeReadyFuture(true);
    return store.perform<bool>([inodes = std::move(inodes)](TrackedFileActor::Context& context) {
        for (const std::uint64_t inode : inodes)
            context.removeByInode(inode);
        return !context.save(); // a failed save stays pending until the next one
    });
}

// A destination folder, made once per run.
struct Folder {
    std::optional<QString> error; // why nothing goes there
    std::optional<std::uint64_t> device;
};

TidyOutcome archive(const TidyItem& item, TrackedFileActor& store, const Folder& folder,
                    std::optional<Left>& left)
{
    if (auto refused = store.recordTrash().refusal(item.path, item.inode))
        return {item.path,
                {},
                refused->detail.isEmpty() ? QStringLiteral("it is no longer there")
                                          : refused->detail};
    if (folder.error)
        return {item.path, {}, *folder.error};
    // Most items keep their name on the same volume: one rename, tried first.
    MoveOutcome moved{
        item.path, item.destination + item.path.mid(item.path.lastIndexOf(QLatin1Char('/'))), {}};
    bool renamed = filetransfer::renameNoReplace(item.path, moved.target) == 0;
    if (!renamed) {
        renamed = filetransfer::deviceOf(item.path, false) == folder.device;
        moved = FileMover::moveOne(item.path, item.destination, folder.device);
    }
    if (!moved.moved())
        return {item.path, moved.target, moved.error};
    const auto landed = fs::lstat(moved.target);
    if (renamed && landed && landed->inode != item.inode) {
        // Another item took the path between the guard and the rename.
        filetransfer::renameNoReplace(moved.target, item.path);
        return {item.path, {}, QStringLiteral("it was replaced while being moved")};
    }
    left = Left{item.path, moved.target, landed ? landed->inode : 0, false};
    return {item.path, moved.target, {}};
}

// The archive's items, each to its folder (made once per run), two at a time.
std::vector<TidyOutcome> archiveAll(const std::vector<const TidyItem*>& items,
                                    TrackedFileActor& store, std::vector<std::optional<Left>>& left)
{
    QHash<QString, Folder> folders;
    for (const TidyItem* item : items) {
        if (!folders.contains(item->destination))
            folders.insert(item->destination, {FileMover::createFolder(item->destination),
                                               filetransfer::deviceOf(item->destination, true)});
    }
    std::vector<TidyOutcome> outcomes(items.size());
    left.resize(items.size());
    onTwoThreads(items.size(), [&](std::size_t i) {
        outcomes[i] =
            archive(*items[i], store, folders.find(items[i]->destination).value(), left[i]);
    });
    return outcomes;
}

TidyOutcome trashed(const TidyItem& item, const RecordTrash::Result& result, std::vector<Left>& run)
{
    if (result.outcome != RecordTrash::Outcome::trashed)
        return {item.path,
                {},
                result.detail.isEmpty() ? QStringLiteral("it is no longer there") : result.detail};
    if (!result.location.isEmpty())
        run.push_back({item.path, result.location, item.inode, true});
    return {item.path, result.location, {}};
}

// An archive on another volume: copied back, its record following once it is there.
TidyOutcome copyBack(const Left& left, TrackedFileActor& store)
{
    const QString downloads = store.recordTrash().downloadsPath();
    const MoveOutcome moved =
        FileMover::moveOne(left.to, downloads, filetransfer::deviceOf(downloads, true));
    if (const auto back = moved.moved() ? fs::lstat(moved.target) : std::nullopt)
        store
            .perform<bool>([=, target = moved.target](TrackedFileActor::Context& context) {
                context.insertRecord(back->inode, target, QFileInfo(target).fileName(),
                                     back->isDirectory ? 0 : back->size, FileState::dismissed);
                return !context.save();
            })
            .waitForFinished();
    return {left.to, moved.target, moved.error};
}

// Back from an archive into Downloads, the way items come back from the Trash.
std::vector<TidyOutcome> moveBack(const std::vector<Left>& archived, TrackedFileActor& store)
{
    std::vector<bringback::Item> items;
    for (const Left& left : archived)
        items.push_back({left.to, left.from, left.inode});
    QSet<QString> elsewhere; // on another volume than Downloads
    const std::vector<RestoreOutcome> back =
        bringback::all(store, items, [&](const QString& from, const QString& to) {
            const int failed = filetransfer::renameNoReplace(from, to);
            if (failed == EXDEV)
                elsewhere.insert(from);
            return failed ? std::optional(fs::errorText(failed)) : std::nullopt;
        });
    std::vector<TidyOutcome> outcomes;
    for (std::size_t i = 0; i < archived.size(); ++i) {
        const Left& left = archived[i];
        if (back[i].notInTrash)
            outcomes.push_back({left.to, {}, QStringLiteral("it is no longer in %1").arg(left.to)});
        else if (elsewhere.contains(left.to))
            outcomes.push_back(copyBack(left, store));
        else
            outcomes.push_back({left.to, back[i].path, back[i].error});
    }
    return outcomes;
}

} // namespace

int TidyReport::movedCount() const
{
    return int(std::count_if(outcomes.begin(), outcomes.end(),
                             [](const TidyOutcome& outcome) { return outcome.moved(); }));
}

TidyReport tidybatch::apply(const TidyPreview& preview, TrackedFileActor& store,
                            const QString& runPath)
{
    TidyReport report;
    if (!preview.error.isEmpty()) {
        report.error = preview.error;
        return report;
    }
    // The Trash's items go together, as at start-up, and so do the archive's;
    // the report keeps the preview's order.
    std::vector<RecordTrash::Target> targets;
    std::vector<const TidyItem*> archived;
    for (const TidyItem& item : preview.items) {
        if (item.destination.isEmpty())
            targets.push_back({item.path, item.inode});
        else
            archived.push_back(&item);
    }
    const std::vector<RecordTrash::Result> results = targets.empty()
                                                         ? std::vector<RecordTrash::Result>{}
                                                         : store.recordTrash().trashAll(targets);
    std::vector<std::optional<Left>> archivedLeft;
    const std::vector<TidyOutcome> archivedOutcomes = archiveAll(archived, store, archivedLeft);
    std::size_t nextResult = 0;
    std::size_t nextArchived = 0;
    std::vector<Left> run;
    std::vector<std::uint64_t> gone;
    for (const TidyItem& item : preview.items) {
        if (item.destination.isEmpty()) {
            report.outcomes.push_back(trashed(item, results[nextResult++], run));
        } else {
            if (archivedLeft[nextArchived])
                run.push_back(*archivedLeft[nextArchived]);
            report.outcomes.push_back(archivedOutcomes[nextArchived++]);
        }
        const TidyOutcome& outcome = report.outcomes.back();
        if (outcome.moved())
            gone.push_back(item.inode);
        VANTLE_DIAG(lcStore,
                    outcome.moved()
                        ? QStringLiteral("Tidy: %1 → %2").arg(item.path, outcome.target)
                        : QStringLiteral("Tidy: %1 stays: %2").arg(item.path, outcome.error));
    }
    QFuture<bool> forgotten = forget(store, std::move(gone));
    // A run that moved nothing leaves the last one to undo.
    if (!run.empty()) {
        if (auto error = writeRun(runPath, run))
            report.error = QStringLiteral("the run could not be noted for Undo: %1").arg(*error);
    }
    forgotten.waitForFinished();
    return report;
}

TidyReport tidybatch::undo(TrackedFileActor& store, const QString& runPath, const Restorer& restore)
{
    TidyReport report;
    const std::vector<Left> run = readRun(runPath);
    if (run.empty()) {
        report.error = QStringLiteral("there is no tidy run to undo");
        return report;
    }
    // The Trash's items in one batch, the archive's in another; the report
    // keeps the run's order.
    QStringList locations;
    std::vector<Left> archived;
    for (const Left& left : run) {
        if (left.trashed)
            locations.append(left.to);
        else
            archived.push_back(left);
    }
    std::vector<RestoreOutcome> restored =
        locations.isEmpty() || !restore ? std::vector<RestoreOutcome>{} : restore(locations);
    restored.resize(locations.size(),
                    {{}, QStringLiteral("it could not be taken out of the Trash")});
    const std::vector<TidyOutcome> movedBack = moveBack(archived, store);
    std::vector<Left> stayed;
    std::size_t nextRestored = 0;
    std::size_t nextMovedBack = 0;
    for (const Left& left : run) {
        TidyOutcome outcome;
        if (left.trashed) {
            const RestoreOutcome& back = restored[nextRestored++];
            outcome = {left.to, back.path, back.error};
        } else {
            outcome = movedBack[nextMovedBack++];
        }
        if (!outcome.moved())
            stayed.push_back(left);
        report.outcomes.push_back(outcome);
    }
    if (auto error = writeRun(runPath, stayed))
        report.error = *error;
    return report;
}
