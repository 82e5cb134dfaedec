// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/BusProtocol.h"
#include "store/RestoreOutcome.h"
#include "tidy/TidyRule.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QFuture>
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

class CleanupService;
class Tidier;
class TrackedFileActor;
struct TrackedFile;

namespace bus {
class DelayedReply;
}

// The running program on the session bus (app.vantle.Vantle at
// /app/vantle/Vantle). Every method answers later, once the store has: the
// main thread never waits on it. A path names a record only when it is
// directly inside Downloads (a relative one is taken inside Downloads);
// anything else is refused with NotTracked and left alone.
class VantleBus : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.vantle.Vantle")
public:
    // Gives the restored file's path, or why it is not back.
    using Restorer = std::function<QFuture<RestoreOutcome>(QString name)>;
    // Asks the user for a lifetime and answers with it in seconds, or with
    // none when the user gave none.
    using LifetimeAsker = std::function<void(std::function<void(std::optional<double>)> answer)>;
    struct Services {
        TrackedFileActor& store;
        CleanupService& cleanup;
        std::function<void()> showPopover;
        Restorer restore; // empty: restoring is not available
        std::function<void()> quit;
        Tidier* tidier = nullptr; // none: tidying is not available
        // Empty: no panel can be shown.
        LifetimeAsker askLifetime;
    };

    explicit VantleBus(Services services, QObject* parent = nullptr);
    ~VantleBus() override;

    // Exports the object and takes the name; false, with the reason, when
    // either is refused (then nothing stays registered).
    bool publish(QDBusConnection connection, QString* error);

public Q_SLOTS:
    QList<bus::Record> List();
    // Empty duration: the default lifetime. Gives the expiry, ISO 8601 UTC.
    QString Mark(const QString& path, const QString& duration);
    // Opens the custom-lifetime panel for these files and marks them with
    // the lifetime typed there; gives the expiry once the user has answered.
    // Refused as a whole when any of them cannot be marked.
    QString AskMark(const QStringList& paths);
    void Keep(const QString& path);
    void Trash(const QString& path);
    // Gives the path the file is back at.
    QString Restore(const QString& name);
    // The tidy rule of the settings, changed for this call by `options`
    // ("olderThanDays", "kinds", "to"). The preview moves nothing; Tidy
    // applies it as one batch and gives each item's fate; TidyUndo brings the
    // last batch back.
    QList<bus::TidyEntry> TidyPreview(const QVariantMap& options);
    QList<bus::TidyEntry> Tidy(const QVariantMap& options);
    QList<bus::TidyEntry> TidyUndo();
    void ShowPopover();
    // Answers, then the program stops as from its menu.
    void Quit();

Q_SIGNALS:
    // The records changed; at most once per pass of the event loop.
    void Changed();

private:
    // Looks up the record at the path the client sent and hands it on;
    // answers NotTracked itself when there is none.
    void withRecord(const QString& sent, const bus::DelayedReply& reply,
                    std::function<void(const TrackedFile&)> then);
    // The same for several paths: hands on all the records, or answers
    // NotTracked with one line for each path that has none.
    void withRecords(const QStringList& sent, const bus::DelayedReply& reply,
                     std::function<void(const std::vector<TrackedFile>&)> then);
    void markAll(const std::vector<TrackedFile>& files, double interval,
                 const bus::DelayedReply& reply);
    QString resolve(const QString& sent) const;
    // The rule for a tidy call, or nothing once the call was answered.
    std::optional<TidyRule> tidyRule(const QVariantMap& options, const bus::DelayedReply& reply);

    Services m_services;
    QTimer m_changed; // folds the store's saves of one pass into one signal
    std::optional<QDBusConnection> m_connection; // while published
};
