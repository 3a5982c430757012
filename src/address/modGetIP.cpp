#include "address/modGetIP.h"

#include "core/Ansi.h"
#include "core/Endpoints.h"
#include "core/TextUtil.h"
#include "platform/Download.h"
#include "platform/Network.h"
#include "platform/ProgramDir.h"

#include <QFile>

namespace quillet {

bool DownloadFile(const QString& url, const QString& file, bool freshAnswer)
{
    platform::DownloadRequest request;
    request.url = toAnsi(url);
    request.bypassCache = freshAnswer;
    return platform::downloadToFile(request, file).ok;
}

std::optional<QString> GetExternalIP()
{
    const QString address = EchoPageAddress();
    const QString scratch = platform::programFile(QStringLiteral("externalip.txt"));

    if (!DownloadFile(address, scratch, /*freshAnswer=*/true))
        return QString::fromLatin1(kUnableToAccess);

    QFile file(scratch);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    file.close();
    file.remove();
    if (bytes.isEmpty())
        return std::nullopt;
    return fromAnsi(bytes);
}

QString GetInternalIP()
{
    const QList<platform::Adapter> adapters = platform::adapterList();
    for (const platform::Adapter& adapter : adapters) {
        if (adapter.loopback)
            continue;
        const QString text = TrimNull(adapter.firstIPv4);
        // A disconnected adapter reports no address, or 0.0.0.0; the next one may be live.
        if (!text.isEmpty() && text != QLatin1String("0.0.0.0"))
            return text;
    }
    return {};
}

} // namespace quillet
