#include "address/AddressLookup.h"

#include "core/Endpoints.h"
#include "core/TextUtil.h"
#include "core/Windows1252.h"
#include "platform/Download.h"
#include "platform/Network.h"

namespace quillet {

namespace {

QString trimmedAnswer(const QString& text)
{
    const auto isSpace = [](QChar c) {
        return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
               c == QLatin1Char('\n');
    };
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isSpace(text.at(first)))
        ++first;
    while (last > first && isSpace(text.at(last - 1)))
        --last;
    return text.mid(first, last - first);
}

} // namespace

void lookUpExternalAddress(std::function<void(const Lookup&)> done)
{
    platform::DownloadRequest request;
    request.url = toWindows1252(echoPageAddress());
    // Every lookup must reach the server, not a cache on the way.
    request.bypassCache = true;
    request.maxBytes = kMaxEchoAnswer;
    // A page on a host of both families answers the address it was asked over.
    request.family = platform::AddressFamily::IPv4;
    platform::download(request, [done = std::move(done)](const platform::DownloadResult& result) {
        if (!result.ok)
            return done({{}, QStringLiteral("Cannot reach %1: %2").arg(echoHost(), result.error)});
        const QString answer = trimmedAnswer(fromWindows1252(result.body));
        if (!isIPv4Address(answer))
            return done({{},
                         QStringLiteral("The echo page answered something that is not an "
                                        "address")});
        if (answer == QLatin1String("0.0.0.0"))
            return done({{}, QStringLiteral("The echo page answered 0.0.0.0")});
        done({answer, {}});
    });
}

QString internalAddress()
{
    const QList<platform::Adapter> adapters = platform::adapterList();
    for (const platform::Adapter& adapter : adapters) {
        if (adapter.loopback)
            continue;
        const QString text = adapter.firstIPv4;
        // A disconnected adapter reports no address, or 0.0.0.0; the next one may be live.
        if (!text.isEmpty() && text != QLatin1String("0.0.0.0"))
            return text;
    }
    return {};
}

} // namespace quillet
