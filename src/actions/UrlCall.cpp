#include "actions/UrlCall.h"

#include "core/Windows1252.h"
#include "platform/Download.h"

namespace quillet {

namespace {

// The answer becomes a tool tip; a bigger one is no answer a user could read anyway.
constexpr qint64 kMaxAnswerBytes = 1024 * 1024;

QByteArray encodeUnsafeBytes(const QByteArray& text)
{
    QByteArray out;
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte <= 0x20 || byte >= 0x7f)
            out += '%' + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
        else
            out += ch;
    }
    return out;
}

} // namespace

QByteArray substitutedUrl(const QString& urlTemplate, const Addresses& addresses)
{
    return encodeUnsafeBytes(toWindows1252(urlTemplate))
        .replace("$EXTIP$", toWindows1252(addresses.external).toPercentEncoding())
        .replace("$INTIP$", toWindows1252(addresses.internal).toPercentEncoding())
        .replace("$EXTIP6$", toWindows1252(addresses.externalIPv6).toPercentEncoding(":"))
        .replace("$INTIP6$", toWindows1252(addresses.internalIPv6).toPercentEncoding(":"));
}

void callUrl(const UrlSettings& settings, const Addresses& addresses,
             std::function<void(const Outcome&)> done)
{
    platform::DownloadRequest request;
    request.url = substitutedUrl(settings.url, addresses);
    // The same URL must reach the server on every run.
    request.bypassCache = true;
    request.maxBytes = kMaxAnswerBytes;
    platform::download(request, [done = std::move(done)](const platform::DownloadResult& result) {
        if (!result.ok)
            done({false,
                  QString::fromLatin1(kCouldNotAccessUrl) + QLatin1Char('\n') + result.error});
        else
            done({true, fromWindows1252(result.body)});
    });
}

} // namespace quillet
