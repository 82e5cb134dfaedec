// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BusProtocol.h"

#include <QDBusMetaType>
#include <QDir>

QString bus::echoed(const QString& input)
{
    constexpr qsizetype longest = 200;
    if (input.size() <= longest)
        return input;
    qsizetype cut = longest;
    // Never half a character.
    if (input.at(cut - 1).isHighSurrogate())
        --cut;
    return input.left(cut) + QStringLiteral("…");
}

QString bus::resolvedPath(const QString& downloadsPath, const QString& sent)
{
    return QDir::cleanPath(QDir(downloadsPath).absoluteFilePath(sent));
}

void bus::registerTypes()
{
    qDBusRegisterMetaType<Record>();
    qDBusRegisterMetaType<QList<Record>>();
    qDBusRegisterMetaType<TidyEntry>();
    qDBusRegisterMetaType<QList<TidyEntry>>();
}

QDBusArgument& operator<<(QDBusArgument& argument, const bus::Record& record)
{
    argument.beginStructure();
    argument << record.path << record.state << record.expires;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, bus::Record& record)
{
    argument.beginStructure();
    argument >> record.path >> record.state >> record.expires;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const bus::TidyEntry& entry)
{
    argument.beginStructure();
    argument << entry.path << entry.destination << entry.size << entry.ageDays << entry.error;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, bus::TidyEntry& entry)
{
    argument.beginStructure();
    argument >> entry.path >> entry.destination >> entry.size >> entry.ageDays >> entry.error;
    argument.endStructure();
    return argument;
}
