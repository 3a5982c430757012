#include "actions/FtpUpload.h"

#include "core/Ansi.h"
#include "core/TextUtil.h"
#include "platform/FtpPut.h"

#include <QFileInfo>

#include <algorithm>

namespace quillet {

std::optional<quint16> FtpPortNumber(const QString& text)
{
    const QString digits = TrimBlanks(text);
    if (digits.isEmpty() || !std::all_of(digits.cbegin(), digits.cend(), [](QChar ch) {
            return ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
        }))
        return std::nullopt;
    bool ok = false;
    const uint number = digits.toUInt(&ok);
    if (!ok || number < 1 || number > 65535)
        return std::nullopt;
    return static_cast<quint16>(number);
}

void FtpUpload(const QString& server, const QString& port, const QString& userName,
               const QString& password, const QString& remoteDirectory, const QString& localFile,
               bool tls, std::function<void(bool stored, const QString& reply)> done)
{
    platform::FtpPutRequest request;
    request.host = server;
    request.port = FtpPortNumber(port).value_or(0);
    request.user = toAnsi(userName);
    request.password = toAnsi(password);
    request.localFile = localFile;
    request.remoteName = toAnsi(remoteDirectory + QFileInfo(localFile).fileName());
    request.tls = tls;
    platform::ftpPutFile(request, [done = std::move(done)](const platform::FtpPutResult& result) {
        done(result.ok, result.ok ? result.lastReply : result.error);
    });
}

} // namespace quillet
