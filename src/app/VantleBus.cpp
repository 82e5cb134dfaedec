// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/VantleBus.h"

#include "app/DelayedReply.h"
#include "expiry/DurationParser.h"
#include "expiry/MarkTemporary.h"
#include "platform/Tsan.h"
#include "store/TrackedFileActor.h"
#include "tidy/Tidier.h"

#include <QPointer>

using bus::DelayedReply;

namespace {

QString isoUtc(const QDateTime& at)
{
    return at.toUTC().toString(Qt::ISODate);
}

bus::Record busRecord(const TrackedFile& file)
{
    const bool expires = file.state == FileState::temporary && file.expiresAt;
    return {file.filePath, rawValue(file.state), expires ? isoUtc(*file.expiresAt) : QString()};
}

// A future the store dropped (it is stopping) still gets its answer.
void failWhenStopping(const DelayedReply& reply)
{
    reply.fail(bus::errorFailed, QStringLiteral("Vantle is stopping"));
}

QList<bus::TidyEntry> entriesOf(const TidyReport& report)
{
    QList<bus::TidyEntry> entries;
    for (const TidyOutcome& outcome : report.outcomes)
        entries.append({outcome.path, outcome.target, 0, 0, outcome.error});
    return entries;
}

} // namespace

VantleBus::VantleBus(Services services, QObject* parent)
    : QObject(parent), m_services(std::move(services))
{
    // Types of slots' results must be known before the object is exported.
    bus::registerTypes();
    m_changed.setSingleShot(true);
    m_changed.setInterval(0);
    connect(&m_changed, &QTimer::timeout, this, &VantleBus::Changed);
    // `changed` fires on the store's thread.
    connect(
        &m_services.store, &TrackedFileActor::changed, this,
        [this] {
            if (!m_changed.isActive())
                m_changed.start();
        },
        Qt::QueuedConnection);
}

VantleBus::~VantleBus()
{
    if (m_connection) {
        // QtDBus sends these from its own thread, under its own locks.
        const tsan::IgnoreAccesses handOver;
        m_connection->unregisterService(bus::serviceName);
        m_connection->unregisterObject(bus::objectPath);
    }
}

bool VantleBus::publish(QDBusConnection connection, QString* error)
{
    if (!connection.isConnected()) {
        *error = connection.lastError().message();
        return false;
    }
    if (!connection.registerObject(bus::objectPath, this,
                                   QDBusConnection::ExportAllSlots |
                                       QDBusConnection::ExportAllSignals)) {
        *error = QStringLiteral("the object path %1 is taken").arg(bus::objectPath);
        return false;
    }
    // The object is in place before any client can find the name.
    if (!connection.registerService(bus::serviceName)) {
        connection.unregisterObject(bus::objectPath);
        *error = QStringLiteral("the name %1 is taken").arg(bus::serviceName);
        return false;
    }
    m_connection = connection;
    return true;
}

QList<bus::Record> VantleBus::List()
{
    const DelayedReply reply(*this);
    m_services.store.recordsNewestFirst()
        .then(this,
              [reply](const std::vector<TrackedFile>& files) {
                  QList<bus::Record> records;
                  records.reserve(qsizetype(files.size()));
                  for (const TrackedFile& file : files)
                      records.append(busRecord(file));
                  reply.reply({QVariant::fromValue(records)});
              })
        .onCanceled(this, [reply] { failWhenStopping(reply); });
    return {};
}

QString VantleBus::Mark(const QString& path, const QString& duration)
{
    const DelayedReply reply(*this);
    std::optional<double> interval;
    if (!duration.trimmed().isEmpty()) {
        const auto parsed = parseDuration(duration);
        if (!parsed) {
            reply.fail(bus::errorInvalidDuration,
                       QStringLiteral("Cannot read \"%1\" as a duration (try \"2h\", \"30 min\" "
                                      "or \"1d 4h\")")
                           .arg(bus::echoed(duration)));
            return {};
        }
        interval = parsed->interval;
    }
    withRecord(path, reply, [this, reply, path, interval](const TrackedFile& file) {
        expiry::markTemporary(m_services.store, m_services.cleanup, file.id, interval)
            .then(this,
                  [reply, path](const MarkedExpiry& expiresAt) {
                      if (expiresAt)
                          reply.reply({isoUtc(*expiresAt)});
                      else if (!expiresAt.error.isEmpty())
                          reply.fail(bus::errorFailed,
                                     QStringLiteral("Could not mark %1: %2")
                                         .arg(bus::echoed(path), expiresAt.error));
                      else
                          reply.fail(
                              bus::errorNotTracked,
                              QStringLiteral("%1 is not tracked by Vantle").arg(bus::echoed(path)));
                  })
            .onCanceled(this, [reply] { failWhenStopping(reply); });
    });
    return {};
}

QString VantleBus::AskMark(const QStringList& paths)
{
    const DelayedReply reply(*this);
    if (!m_services.askLifetime) {
        reply.fail(bus::errorNotAvailable,
                   QStringLiteral("Asking for a lifetime is not available"));
        return {};
    }
    if (paths.isEmpty()) {
        reply.fail(bus::errorNotTracked, QStringLiteral("No file was named"));
        return {};
    }
    withRecords(paths, reply, [this, reply](const std::vector<TrackedFile>& files) {
        const QPointer<VantleBus> self(this);
        m_services.askLifetime([self, reply, files](std::optional<double> interval) {
            if (!self)
                failWhenStopping(reply);
            else if (!interval)
                reply.fail(bus::errorCancelled, QStringLiteral("Cancelled; nothing was marked"));
            else
                self->markAll(files, *interval, reply);
        });
    });
    return {};
}

void VantleBus::markAll(const std::vector<TrackedFile>& files, double interval,
                        const DelayedReply& reply)
{
    QList<QFuture<MarkedExpiry>> marks;
    for (const TrackedFile& file : files)
        marks.append(
            expiry::markTemporary(m_services.store, m_services.cleanup, file.id, interval));
    QtFuture::whenAll(marks.begin(), marks.end())
        .then(this, [reply, files](const QList<QFuture<MarkedExpiry>>& done) {
            QStringList problems;
            QString expires;
            for (qsizetype i = 0; i < done.size(); ++i) {
                const QString path = bus::echoed(files[size_t(i)].filePath);
                const MarkedExpiry expiresAt = done[i].isValid() && done[i].resultCount() > 0
                                                   ? done[i].result()
                                                   : MarkedExpiry();
                if (expiresAt)
                    expires = isoUtc(*expiresAt);
                else if (!expiresAt.error.isEmpty())
                    problems.append(
                        QStringLiteral("Could not mark %1: %2").arg(path, expiresAt.error));
                else
                    problems.append(QStringLiteral("%1 is not tracked by Vantle").arg(path));
            }
            if (problems.isEmpty())
                reply.reply({expires});
            else
                reply.fail(bus::errorFailed, problems.join(QLatin1Char('\n')));
        });
}

void VantleBus::Keep(const QString& path)
{
    const DelayedReply reply(*this);
    withRecord(path, reply, [this, reply](const TrackedFile& file) {
        m_services.store.keep(file.id)
            .then(this, [reply] { reply.reply(); })
            .onCanceled(this, [reply] { failWhenStopping(reply); });
    });
}

void VantleBus::Trash(const QString& path)
{
    const DelayedReply reply(*this);
    withRecord(path, reply, [this, reply, path](const TrackedFile& file) {
        m_services.store.deleteNow(file.id)
            .then(this,
                  [reply, path](const RecordTrash::Result& result) {
                      switch (result.outcome) {
                      case RecordTrash::Outcome::trashed:
                          reply.reply();
                          return;
                      case RecordTrash::Outcome::failed:
                          reply.fail(bus::errorFailed, QStringLiteral("The Trash refused %1: %2")
                                                           .arg(bus::echoed(path), result.detail));
                          return;
                      case RecordTrash::Outcome::absent:
                      case RecordTrash::Outcome::refused:
                          reply.fail(bus::errorNotTracked,
                                     QStringLiteral("%1 is no longer the item Vantle recorded; "
                                                    "nothing was trashed")
                                         .arg(bus::echoed(path)));
                          return;
                      }
                  })
            .onCanceled(this, [reply] { failWhenStopping(reply); });
    });
}

QString VantleBus::Restore(const QString& name)
{
    const DelayedReply reply(*this);
    if (!m_services.restore) {
        reply.fail(bus::errorNotAvailable, QStringLiteral("Restoring is not available"));
        return {};
    }
    m_services.restore(name)
        .then(
            this,
            [reply, name](const RestoreOutcome& outcome) {
                if (outcome.restored())
                    reply.reply({outcome.path});
                else if (outcome.notInTrash)
                    reply.fail(
                        bus::errorNotFound,
                        QStringLiteral("No file named %1 is in the Trash").arg(bus::echoed(name)));
                else
                    reply.fail(bus::errorFailed, QStringLiteral("Could not restore %1: %2")
                                                     .arg(bus::echoed(name), outcome.error));
            })
        .onCanceled(this, [reply] { failWhenStopping(reply); });
    return {};
}

std::optional<TidyRule> VantleBus::tidyRule(const QVariantMap& options, const DelayedReply& reply)
{
    if (!m_services.tidier) {
        reply.fail(bus::errorNotAvailable, QStringLiteral("Tidying is not available"));
        return std::nullopt;
    }
    TidyRule rule = TidyRule::fromSettings();
    if (const auto error = rule.applyOptions(options)) {
        reply.fail(bus::errorInvalidRule, *error);
        return std::nullopt;
    }
    return rule;
}

QList<bus::TidyEntry> VantleBus::TidyPreview(const QVariantMap& options)
{
    const DelayedReply reply(*this);
    const auto rule = tidyRule(options, reply);
    if (!rule)
        return {};
    m_services.tidier->preview(*rule)
        .then(this,
              [reply](const ::TidyPreview& preview) {
                  if (!preview.error.isEmpty())
                      return reply.fail(
                          bus::errorFailed,
                          QStringLiteral("Could not read Downloads: %1").arg(preview.error));
                  QList<bus::TidyEntry> entries;
                  for (const TidyItem& item : preview.items)
                      entries.append(
                          {item.path,
                           item.destination.isEmpty() ? QStringLiteral("trash") : item.destination,
                           item.size,
                           item.ageDays,
                           {}});
                  reply.reply({QVariant::fromValue(entries)});
              })
        .onCanceled(this, [reply] { failWhenStopping(reply); });
    return {};
}

QList<bus::TidyEntry> VantleBus::Tidy(const QVariantMap& options)
{
    const DelayedReply reply(*this);
    const auto rule = tidyRule(options, reply);
    if (!rule)
        return {};
    // A half-failed run is still an answer: each item says what became of it.
    m_services.tidier->apply(*rule)
        .then(this,
              [reply](const TidyReport& report) {
                  if (!report.error.isEmpty() && report.outcomes.empty())
                      return reply.fail(bus::errorFailed,
                                        QStringLiteral("Could not tidy: %1").arg(report.error));
                  reply.reply({QVariant::fromValue(entriesOf(report))});
              })
        .onCanceled(this, [reply] { failWhenStopping(reply); });
    return {};
}

QList<bus::TidyEntry> VantleBus::TidyUndo()
{
    const DelayedReply reply(*this);
    if (!m_services.tidier) {
        reply.fail(bus::errorNotAvailable, QStringLiteral("Tidying is not available"));
        return {};
    }
    m_services.tidier->undo()
        .then(this,
              [reply](const TidyReport& report) {
                  if (report.outcomes.empty())
                      return reply.fail(bus::errorNotFound,
                                        QStringLiteral("Nothing to undo: %1").arg(report.error));
                  reply.reply({QVariant::fromValue(entriesOf(report))});
              })
        .onCanceled(this, [reply] { failWhenStopping(reply); });
    return {};
}

void VantleBus::ShowPopover()
{
    if (m_services.showPopover)
        m_services.showPopover();
}

void VantleBus::Quit()
{
    // The answer goes out when this returns, before the event loop ends.
    if (m_services.quit)
        m_services.quit();
}

void VantleBus::withRecord(const QString& sent, const DelayedReply& reply,
                           std::function<void(const TrackedFile&)> then)
{
    withRecords({sent}, reply, [then = std::move(then)](const std::vector<TrackedFile>& files) {
        then(files.front());
    });
}

void VantleBus::withRecords(const QStringList& sent, const DelayedReply& reply,
                            std::function<void(const std::vector<TrackedFile>&)> then)
{
    // Empty: not a path a record can have.
    QStringList paths;
    for (const QString& one : sent) {
        const QString path = resolve(one);
        paths.append(m_services.store.recordTrash().isRecordablePath(path) ? path : QString());
    }
    m_services.store
        .perform<std::vector<std::optional<TrackedFile>>>(
            [paths](TrackedFileActor::Context& context) {
                std::vector<std::optional<TrackedFile>> files(size_t(paths.size()));
                for (qsizetype i = 0; i < paths.size(); ++i) {
                    // A lost removal can leave two records at a path; the newest is the item's.
                    if (const TrackedFile* file =
                            paths[i].isEmpty() ? nullptr : context.fetchNewestAt(paths[i]))
                        files[size_t(i)] = *file;
                }
                return files;
            })
        .then(this,
              [this, reply, sent, paths,
               then = std::move(then)](const std::vector<std::optional<TrackedFile>>& found) {
                  QStringList problems;
                  std::vector<TrackedFile> files;
                  for (qsizetype i = 0; i < sent.size(); ++i) {
                      if (found[size_t(i)])
                          files.push_back(*found[size_t(i)]);
                      else if (paths[i].isEmpty())
                          problems.append(
                              QStringLiteral(
                                  "%1 is not an item directly inside the Downloads folder %2")
                                  .arg(bus::echoed(sent[i]),
                                       m_services.store.recordTrash().downloadsPath()));
                      else
                          problems.append(QStringLiteral("%1 is not tracked by Vantle")
                                              .arg(bus::echoed(sent[i])));
                  }
                  if (problems.isEmpty())
                      then(files);
                  else
                      reply.fail(bus::errorNotTracked, problems.join(QLatin1Char('\n')));
              })
        .onCanceled(this, [reply] { failWhenStopping(reply); });
}

QString VantleBus::resolve(const QString& sent) const
{
    return bus::resolvedPath(m_services.store.recordTrash().downloadsPath(), sent);
}
