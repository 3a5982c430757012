#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>

namespace quillet::platform {

enum class AddressFamily { Any, IPv4, IPv6 };

struct DownloadRequest {
    QByteArray url;
    // Ask every cache on the way for a fresh answer; there is no local cache to purge.
    bool bypassCache = false;
    // HTTP Basic credentials, sent as they are when either is non-empty.
    QByteArray user = {};
    QByteArray password = {};
    // An answer longer than this fails the transfer (0: no limit).
    qint64 maxBytes = 0;
    // The family the host's addresses are taken from.
    AddressFamily family = AddressFamily::Any;
};

struct DownloadResult {
    bool ok = false;
    long httpStatus = 0; // 0 when no HTTP answer came
    QByteArray body;     // the answer; for a status of 400 or above, its start
    QString error;       // why the transfer failed, in words a user can act on
};

// Fetches `request.url` into memory on the event loop and calls `done` there once it has
// ended, never before download() returns. A failed transfer, a time-out, an answer over the
// limit or one of status 400 or above is a failure.
void download(const DownloadRequest& request, std::function<void(const DownloadResult&)> done);

// Ends every download and upload in flight at once, without calling their `done`: the
// program is ending.
void cancelTransfers();

struct TransferTimeouts {
    std::chrono::milliseconds connect{10000};
    std::chrono::milliseconds total{30000};
};
TransferTimeouts transferTimeouts();

} // namespace quillet::platform
