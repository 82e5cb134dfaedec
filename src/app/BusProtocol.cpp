// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BusProtocol.h"

#include <QDBusMetaType>

void bus::registerTypes()
{
    qDBusRegisterMetaType<Record>();
    qDBusRegisterMetaType<QList<Record>>();
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
