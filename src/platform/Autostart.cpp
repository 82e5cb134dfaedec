// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Autostart.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

QString quoteExecArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`=%");
    const bool needsQuotes =
        std::any_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); });
    if (!needsQuotes)
        return argument;
    QString quoted;
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    // In a desktop file the backslash itself is escaped once more, and % is doubled.
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    quoted.replace(QLatin1String("%"), QLatin1String("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

std::optional<QString> registerLoginItem(const QString& entryPath, const QString& executable)
{
    const QFileInfo info(entryPath);
    if (!QDir().mkpath(info.absolutePath()))
        return QStringLiteral("cannot create the folder %1").arg(info.absolutePath());
    QSaveFile file(entryPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return file.errorString();
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Vantle\n"
                                         "Comment=Keeps the Downloads folder tidy\n"
                                         "Exec=%1\n"
                                         "Icon=app.vantle.Vantle\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(quoteExecArgument(executable));
    file.write(entry.toUtf8());
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}
