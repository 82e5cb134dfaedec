// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

// Where the update check stands, for the settings pane.
enum class UpdateState {
    idle,           // no check yet
    unavailable,    // no feed: the package manager brings updates
    checking,       // the feed is being fetched
    upToDate,       // the feed offers nothing newer
    available,      // a newer version, not downloaded
    downloading,    // a newer version, its file on the way
    downloaded,     // a newer version, its file verified in the cache folder
    downloadFailed, // a newer version whose file could not be had
    failed,         // the check itself failed
};

// Why a check or a download failed.
enum class UpdateFailure {
    none,
    insecureAddress,  // neither HTTPS nor a loopback address
    unreachable,      // no connection, or it broke off
    untrusted,        // the TLS handshake failed
    timedOut,         // too slow, or an answer that never ends
    tooLarge,         // more bytes than allowed
    wrongType,        // a content type that is no feed
    malformed,        // not an RSS feed with a usable version
    tooManyRedirects, // a redirect loop
    serverError,      // an HTTP status other than 2xx
    writeFailed,      // the cache folder refused the file
    noChecksum,       // the feed gives no length or SHA-256 for the file
    mismatch,         // the file's length or SHA-256 differs from the feed's
};

struct UpdateStatus {
    UpdateState state = UpdateState::idle;
    UpdateFailure failure = UpdateFailure::none;
    int httpStatus = 0;     // with serverError
    QString currentVersion; // the running program's
    QString version;        // the newer version, shown as the feed names it
    QString releaseNotes;   // the item's description, as the feed gives it
    QUrl releaseNotesLink;  // a page with the notes
    QUrl downloadPage;      // where to get the update by hand
    QString downloadedFile; // with downloaded
};

// The one line the settings pane shows for a status.
QString statusText(const UpdateStatus& status);
