// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Log.h"

Q_LOGGING_CATEGORY(lcApp, "vantle.app", QtInfoMsg)
Q_LOGGING_CATEGORY(lcStore, "vantle.store", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWatcher, "vantle.watcher", QtInfoMsg)
Q_LOGGING_CATEGORY(lcExpiry, "vantle.expiry", QtInfoMsg)
Q_LOGGING_CATEGORY(lcToast, "vantle.toast", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMove, "vantle.move", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPlatform, "vantle.platform", QtInfoMsg)
