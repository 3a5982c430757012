#include "actions/FtpUpload.h"

#include "core/Windows1252.h"
#include "platform/FtpPut.h"

#include <QFileInfo>

namespace quillet {

QString normalisedFtpPath(const QString& path)
{
    QString normalised = path;
    if (!normalised.startsWith(QLatin1Char('/')))
        normalised.prepend(QLatin1Char('/'));
    if (!normalised.endsWith(QLatin1Char('/')))
        normalised.append(QLatin1Char('/'));
    return normalised;
}

void uploadFile(const FtpSettings& settings, const QString& localFile,
                std::function<void(const Outcome&)> done)
{
    platform::FtpPutRequest request;
    request.host = settings.server;
    request.port = settings.port;
    request.user = credentialBytes(settings.user);
    request.password = credentialBytes(settings.password);
    request.localFile = localFile;
    request.remoteName =
        toWindows1252(normalisedFtpPath(settings.remotePath) + QFileInfo(localFile).fileName());
    request.tls = settings.tls;
    platform::ftpPutFile(request, [done = std::move(done)](const platform::FtpPutResult& result) {
        done({result.ok, result.ok ? result.lastReply : result.error});
    });
}

} // namespace quillet
