// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>

// What the running program offers other programs on the session bus, shared by
// the object that answers and the command line that asks.
namespace bus {

inline const QString serviceName = QStringLiteral("app.vantle.Vantle");
inline const QString objectPath = QStringLiteral("/app/vantle/Vantle");
inline const QString interfaceName = QStringLiteral("app.vantle.Vantle");

// Error replies. NotTracked: the path is not a recorded item directly inside
// Downloads. InvalidDuration: Mark could not read the duration. Failed: the
// store or the Trash could not do it. NotAvailable: this build cannot do it.
// NotFound: Restore found no trashed file by that name.
inline const QString errorNotTracked = QStringLiteral("app.vantle.Vantle.Error.NotTracked");
inline const QString errorInvalidDuration =
    QStringLiteral("app.vantle.Vantle.Error.InvalidDuration");
inline const QString errorFailed = QStringLiteral("app.vantle.Vantle.Error.Failed");
inline const QString errorNotAvailable = QStringLiteral("app.vantle.Vantle.Error.NotAvailable");
inline const QString errorNotFound = QStringLiteral("app.vantle.Vantle.Error.NotFound");
// InvalidRule: a tidy option was not understood.
inline const QString errorInvalidRule = QStringLiteral("app.vantle.Vantle.Error.InvalidRule");
// Cancelled: the user closed the panel that asked for a lifetime.
inline const QString errorCancelled = QStringLiteral("app.vantle.Vantle.Error.Cancelled");

// One record as List gives it: (path, state, expiry), D-Bus type (sss). The
// state is the stored raw value; the expiry is ISO 8601 in UTC, or empty.
struct Record {
    QString path;
    QString state;
    QString expires;

    friend bool operator==(const Record&, const Record&) = default;
};

// One item of a tidy preview, run or undo: (path, destination, size, age in
// days, error), D-Bus type (ssxis). The destination is "trash" or a folder in
// a preview, and where the item went after a run or an undo (empty when it
// stayed, with the error saying why).
struct TidyEntry {
    QString path;
    QString destination;
    qint64 size = 0;
    int ageDays = 0;
    QString error;

    friend bool operator==(const TidyEntry&, const TidyEntry&) = default;
};

// Registers the types above with Qt D-Bus; needed before they cross the bus.
void registerTypes();

// Input echoed back in a message, cut to a readable length with "…": a
// path can be megabytes long.
QString echoed(const QString& input);

// The path a method names, a name or a path relative to Downloads made
// absolute and clean; whether it may be acted on is the store's to say.
QString resolvedPath(const QString& downloadsPath, const QString& sent);

} // namespace bus

Q_DECLARE_METATYPE(bus::Record)
Q_DECLARE_METATYPE(bus::TidyEntry)

QDBusArgument& operator<<(QDBusArgument& argument, const bus::Record& record);
const QDBusArgument& operator>>(const QDBusArgument& argument, bus::Record& record);
QDBusArgument& operator<<(QDBusArgument& argument, const bus::TidyEntry& entry);
const QDBusArgument& operator>>(const QDBusArgument& argument, bus::TidyEntry& entry);
