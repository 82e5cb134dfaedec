// SPDX-License-Identifier: GPL-3.0-or-later
#include "watcher/ReconcileDecision.h"
#include "TestSupport.h"

#include <QDir>
#include <sys/stat.h>

namespace {

constexpr std::uint32_t created = FSEventFlags::created | FSEventFlags::isFile;
constexpr std::uint32_t renamed = FSEventFlags::renamed | FSEventFlags::isFile;
constexpr std::uint32_t removed = FSEventFlags::removed | FSEventFlags::isFile;
constexpr std::uint32_t modified = FSEventFlags::modified | FSEventFlags::isFile;
const QString dl = "/home/u/Downloads";
const QDateTime recorded(QDate(2026, 1, 1), QTime(10, 0), Qt::UTC);

ItemStat file(std::uint64_t inode, std::optional<QDateTime> born = recorded.addSecs(-60))
{
    return {.inode = inode, .isRegular = true, .size = 10, .birthTime = born};
}

RecordFacts record(std::uint64_t inode, const QString& name, FileState state = FileState::dismissed)
{
    return {inode, dl + '/' + name, state, recorded};
}

// What a decision does beside its action.
enum Effect : unsigned { announced = 1, dropsReused = 2, refreshes = 4 };
struct Case {
    const char* what;
    ReconcileFacts facts;
    ReconcileDecision::Action action;
    unsigned effects = 0;
    std::uint64_t dropAtPath = 0;
};

ReconcileFacts facts(ReconcileMode mode, const QString& name, std::uint64_t inode,
                     std::uint32_t flags, std::optional<ItemStat> item,
                     std::optional<RecordFacts> byInode = {},
                     std::optional<RecordFacts> active = {})
{
    return {.mode = mode,
            .event = {dl + '/' + name, inode, {flags}, {}},
            .item = item,
            .admission = {Admission::record, {}, 10},
            .byInode = byInode,
            .atPath = active};
}

// The same facts while a removal of `inode` (by default the event's) waits at the record's path.
ReconcileFacts pending(ReconcileFacts f, std::uint64_t inode = 0)
{
    f.pendingInode = inode ? inode : f.event.inode;
    f.pendingDeleted = true;
    return f;
}
// The same facts for an item renamed from `from` in the same folder, `after`
// seconds after the records took their inodes.
ReconcileFacts renamedFrom(ReconcileFacts f, const QString& from, int after = 1)
{
    f.event.movedFrom = dl + '/' + from;
    f.event.timestamp = recorded.addSecs(after);
    return f;
}
// An empty file, perhaps with a partial download beside it.
ReconcileFacts empty(ReconcileFacts f, bool besidePartial = false)
{
    f.item->size = f.admission.size = 0;
    f.partialBeside = besidePartial;
    return f;
}
// Held back from announcing, or with the record's own path still holding the inode.
ReconcileFacts flagged(ReconcileFacts f, bool ReconcileFacts::*flag)
{
    f.*flag = true;
    return f;
}

} // namespace

TEST(ReconcileDecisionTest, EachEventChangesTheRecordsAsAUserWouldExpect)
{
    using enum ReconcileMode;
    using enum ReconcileDecision::Action;
    const auto temp = FileState::temporary, unanswered = FileState::unprocessed;
    std::vector<Case> cases{
        {"new file", facts(live, "a.pdf", 5, created, file(5)), insert, announced},
        {"hidden name", facts(live, ".a.pdf", 5, created, file(5)), ignore},
        {"path holds another inode", facts(live, "a.pdf", 5, created, file(6)), ignore},
        {"metadata change of an untracked file",
         facts(live, "a.pdf", 5, FSEventFlags::isFile, file(5)), ignore},
        {"replaced in place while watched",
         facts(live, "a.pdf", 6, created, file(6), {}, record(5, "a.pdf", temp)), replace},
        {"replaced while off: no mark passes on",
         facts(existing, "a.pdf", 6, created, file(6), {}, record(5, "a.pdf", temp)), insert},
        {"replaced while events were lost",
         facts(rescan, "a.pdf", 6, created, file(6), {}, record(5, "a.pdf", temp)), insert,
         announced},
        {"tracked file written again: its record takes the new size",
         facts(live, "a.pdf", 5, modified, file(5), record(5, "a.pdf")), ignore, refreshes},
        {"tracked file renamed", facts(live, "b.pdf", 5, renamed, file(5), record(5, "a.pdf")),
         updatePath},
        {"tracked file renamed away: look for it",
         facts(live, "a.pdf", 5, renamed, std::nullopt, record(5, "a.pdf")), locate},
        {"tracked file removed", facts(live, "a.pdf", 5, removed, {}, record(5, "a.pdf")),
         deferRemoval},
        {"tracked file gone while off",
         facts(existing, "a.pdf", 5, removed, {}, record(5, "a.pdf")), removeRecord},
        {"gone while events were lost", facts(rescan, "a.pdf", 5, removed, {}, record(5, "a.pdf")),
         deferRemoval},
        {"untracked file removed", facts(live, "a.pdf", 5, removed, {}), ignore},
        {"renamed to a sandbox temporary",
         facts(live, "a.pdf.sb-1a2b-Xy9", 5, renamed, file(5), record(5, "a.pdf")), keepPath},
        {"renamed to a hidden name", facts(live, ".a.pdf", 5, renamed, file(5), record(5, "a.pdf")),
         removeRecord},
        {"start-up finds the item under a new name",
         facts(existing, "b.pdf", 5, created, file(5), record(5, "a.pdf")), updatePath},
        {"inode born after it was recorded: another item",
         facts(existing, "c.pdf", 5, created, file(5, recorded.addSecs(5)), record(5, "a.pdf")),
         insert, dropsReused},
        {"inode reused while its item's removal waits",
         pending(facts(live, "c.pdf", 5, created, file(5, {}), record(5, "a.pdf"))), insert,
         dropsReused | announced},
        {"reused inode at its old item's own path keeps the mark",
         pending(facts(live, "a.pdf", 5, created, file(5, {}), record(5, "a.pdf", temp))), replace},
        // Events lag: the reused inode's old record was found at the path before
        // the removal of the item it replaced there arrived.
        {"save over a marked file with a reused inode: the mark passes on, the old record goes",
         pending(facts(live, "a.pdf", 5, renamed, file(5, recorded.addSecs(5)),
                       record(5, "a.pdf", unanswered), record(9, "a.pdf", temp)),
                 9),
         replace, dropsReused},
        {"save over a kept file with a reused inode: new, and the old record goes",
         pending(facts(live, "a.pdf", 5, renamed, file(5, recorded.addSecs(5)),
                       record(5, "a.pdf", unanswered)),
                 9),
         insert, dropsReused | announced},
        {"a hard link created beside a tracked file is no news",
         flagged(facts(live, "link", 5, created, file(5, {}), record(5, "a.pdf")),
                 &ReconcileFacts::recordPathHoldsInode),
         ignore},
        // Finished downloads and saves: which replacement carries a mark.
        {"a finished download over a marked file is new; the marked record goes",
         renamedFrom(
             facts(live, "setup.run", 6, renamed, file(6), {}, record(5, "setup.run", temp)),
             "setup.run.part"),
         insert, announced, 5},
        {"a browser's empty placeholder is recorded, not announced",
         empty(facts(live, "small.bin", 5, created, file(5)), true), insert},
        {"an empty file just made waits: a browser's probe of a name goes at once",
         empty(facts(live, "XQ7iW0y9.bin", 5, created, file(5))), insert},
        {"an empty file moved in is news", empty(facts(live, "empty.txt", 5, renamed, file(5))),
         insert, announced},
        {"the download finishes over its placeholder: announced once",
         renamedFrom(
             facts(live, "large.bin", 6, renamed, file(6), {}, record(5, "large.bin", unanswered)),
             "large.63tYA1Gj.bin.part"),
         insert, announced, 5},
        {"a placeholder filled in place is announced",
         flagged(facts(live, "small.bin", 5, modified, file(5), record(5, "small.bin", unanswered)),
                 &ReconcileFacts::held),
         release},
        {"a visible save temporary renamed over a marked file: the mark stays",
         renamedFrom(facts(live, "report.txt", 6, renamed, file(6),
                           record(6, "report.txt.aB3xYz", unanswered),
                           record(5, "report.txt", temp)),
                     "report.txt.aB3xYz"),
         replace, dropsReused},
        {"a visible save temporary renamed over a kept file: it stays kept",
         renamedFrom(facts(live, "notes.txt", 6, renamed, file(6),
                           record(6, "notes.txt~", unanswered), record(5, "notes.txt")),
                     "notes.txt~"),
         replace, dropsReused},
        {"a hidden save temporary renamed over a kept file: it stays kept, no toast",
         renamedFrom(facts(live, "notes.txt", 6, renamed, file(6), {}, record(5, "notes.txt")),
                     ".goutputstream-XYZ"),
         replace},
        {"a hidden save temporary renamed over an unanswered file replaces it",
         renamedFrom(facts(live, "a.txt", 6, renamed, file(6), {}, record(5, "a.txt", unanswered)),
                     ".a.txt.swp"),
         replace},
        {"a file the user answered, renamed over a marked one, keeps its own record",
         renamedFrom(facts(live, "b.pdf", 6, renamed, file(6), record(6, "a.pdf"),
                           record(5, "b.pdf", temp)),
                     "a.pdf"),
         updatePath},
        {"an old unanswered file renamed over a marked one keeps its own record",
         renamedFrom(facts(live, "b.pdf", 6, renamed, file(6), record(6, "a.pdf", unanswered),
                           record(5, "b.pdf", temp)),
                     "a.pdf", 3600),
         updatePath}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ReconcileDecision decision = decideReconcile(c.facts);
        EXPECT_EQ(std::tuple(decision.action, decision.dropReused, decision.dropAtPath),
                  std::tuple(c.action, (c.effects & dropsReused) != 0, c.dropAtPath));
        if (c.action == ignore) {
            EXPECT_EQ(decision.refreshSize, (c.effects & refreshes) != 0);
        }
        if (c.action == replace && c.facts.atPath) {
            EXPECT_EQ(decision.oldInode, c.facts.atPath->inode);
        }
        if (c.action == insert) {
            const bool announce = c.effects & announced, kept = c.facts.mode == existing;
            EXPECT_EQ(std::tuple(decision.announce, decision.hold, decision.state),
                      std::tuple(announce, !kept && !announce,
                                 kept ? FileState::dismissed : FileState::unprocessed));
        }
    }
}

// One rule for what may be recorded, on real items. The names probe the edges
// of the hidden, partial-download and sandboxed-save patterns.
TEST(AdmissionTest, OnlyFinishedRegularFilesAndFoldersWithContentAreRecorded)
{
    const QString folder = testenv::freshFolder("admission");
    auto at = [&](const QString& name) { return folder + '/' + name; };
    ::symlink("report.pdf", QFile::encodeName(at("link")).constData());
    ::mkfifo(QFile::encodeName(at("pipe")).constData(), 0600);
    for (const char* name : {"empty", "only-hidden", "full"})
        QDir().mkpath(at(name));
    testenv::writeFile(at("only-hidden/.DS_Store"));
    testenv::writeFile(at("full/x"));
    const std::pair<Admission::Verdict, QStringList> cases[] = {
        {Admission::record,
         {"report.pdf", "crdownload", "part.txt", "notes.partial", "file.", "Ünïcode ñame.txt",
          "notes.txt.sb-1a2b3c-XyZ9.txt", "notes.txt.sb-xyz-abc", "notes.txt.sb-12-",
          "notes.txt.sb--abc", "notes.txt.sb-12-ab_c", "notes.txt.sb-12-ñ", "notes.txtsb-12-ab",
          "full"}},
        {Admission::skip,
         {"movie.mkv.part", "Report.PDF.crdownload", "Report.pdf.CRDOWNLOAD", "archive.download",
          ".hidden", ".localized", "notes.txt.sb-1a2b3c-XyZ9", "a.sb-ABCDEF-0", "link", "pipe"}},
        {Admission::deferFolder, {"empty", "only-hidden"}}};
    for (const auto& [verdict, names] : cases) {
        for (const QString& name : names) {
            SCOPED_TRACE(name.toStdString());
            if (!fs::lstat(at(name)))
                testenv::writeFile(at(name), "12345");
            const auto st = fs::lstat(at(name));
            ASSERT_TRUE(st);
            const Admission admission = admissionOf(at(name), *st);
            EXPECT_EQ(admission.verdict, verdict);
            // A recorded file carries its five bytes, a folder no size.
            const bool sized = verdict == Admission::record && !st->isDirectory;
            EXPECT_EQ(admission.verdict == Admission::record ? admission.size : 0, sized ? 5 : 0);
        }
    }
}
