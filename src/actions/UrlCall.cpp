#include "actions/UrlCall.h"

#include "core/Ansi.h"
#include "core/Model.h"
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

QByteArray SubstitutedUrl(const QString& urlTemplate, const QString& external,
                          const QString& internal)
{
    return encodeUnsafeBytes(toAnsi(urlTemplate))
        .replace("$EXTIP$", toAnsi(external).toPercentEncoding())
        .replace("$INTIP$", toAnsi(internal).toPercentEncoding());
}

void ExecuteURL(Model& model, const QString& urlTemplate,
                std::function<void(const QString& answer)> done)
{
    platform::DownloadRequest request;
    request.url = SubstitutedUrl(urlTemplate, model.externalIP(), model.internalIP());
    // The same URL must reach the server on every run.
    request.bypassCache = true;
    request.maxBytes = kMaxAnswerBytes;
    platform::download(
        request, [&model, done = std::move(done)](const platform::DownloadResult& result) {
            if (!result.ok) {
                model.showStatus(3, QStringLiteral("URL Execute Failure @ "), false);
                done(QString::fromLatin1(kCouldNotAccessUrl) + QLatin1Char('\n') + result.error);
                return;
            }
            model.showStatus(3, QStringLiteral("URL Execute Success @ "), true);
            done(fromAnsi(result.body));
        });
}

} // namespace quillet
