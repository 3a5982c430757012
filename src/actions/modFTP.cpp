#include "actions/modFTP.h"

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

bool FtpUpload(const QString& server, const QString& port, const QString& userName,
               const QString& password, const QString& remoteDirectory, const QString& localFile,
               bool tls, QString* reply)
{
    const std::optional<quint16> portNumber = FtpPortNumber(port);
    if (!portNumber) {
        if (reply)
            *reply = QStringLiteral("The port must be a number from 1 to 65535");
        return false;
    }

    platform::FtpPutRequest request;
    request.host = server;
    request.port = *portNumber;
    request.user = toAnsi(userName);
    request.password = toAnsi(password);
    request.localFile = localFile;
    request.remoteName = toAnsi(remoteDirectory + QFileInfo(localFile).fileName());
    request.tls = tls;
    const platform::FtpPutResult result = platform::ftpPutFile(request);
    if (reply)
        *reply = result.ok ? result.lastReply : result.error;
    return result.ok;
}

} // namespace quillet
