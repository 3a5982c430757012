#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace quillet::platform {

struct FtpPutRequest {
    QString host;
    quint16 port = 21; // 0: no port, refused
    QByteArray user;
    QByteArray password;
    QString localFile;
    // Where the server stores the file, sent as it is in one STOR: "/incoming/ip.txt".
    QByteArray remoteName;
    // FTPS: AUTH TLS before the log-in, PBSZ 0 and PROT P, so commands and data are both
    // encrypted, over a passive data connection; a server that refuses is a failure.
    bool tls = false;
};

struct FtpPutResult {
    bool ok = false;
    QString lastReply; // the server's last reply line, "226 Transfer complete."
    QString error;     // why the upload failed: a refusing reply or the transfer's error
};

// Stores `localFile` (a small text file with CR LF line ends) on the server in one attempt,
// on the event loop, and calls `done` there once it has ended, never before ftpPutFile()
// returns: log-in, an active-mode data connection, transfer type ASCII with CR LF on the
// wire, STOR of `remoteName` without changing directory and without creating one, no proxy;
// never longer than the transfer time-outs.
void ftpPutFile(const FtpPutRequest& request, std::function<void(const FtpPutResult&)> done);

} // namespace quillet::platform
