// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// Diagnostic lines go to these categories; debug output is off unless enabled
// with QT_LOGGING_RULES (for example "vantle.*.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcStore)
Q_DECLARE_LOGGING_CATEGORY(lcWatcher)
Q_DECLARE_LOGGING_CATEGORY(lcExpiry)
Q_DECLARE_LOGGING_CATEGORY(lcToast)
Q_DECLARE_LOGGING_CATEGORY(lcMove)
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)

// Writes one diagnostic line, unquoted, to a category's debug channel.
#define VANTLE_DIAG(category, text) qCDebug(category).noquote() << (text)
