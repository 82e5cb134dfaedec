// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QUrl;

// Whether the update check may fetch or open an address: HTTPS anywhere, plain
// HTTP only on this machine (a local test or mirror server). Everything the
// feed names passes here too, so a hostile feed cannot send the user to a
// file: or custom-scheme address.
bool isAllowedUpdateAddress(const QUrl& url);
