// One libFuzzer target per build, each checking properties that must hold for any input;
// a broken one aborts, and libFuzzer keeps the input that did it.
#include "actions/DynDnsUpdate.h"
#include "actions/SmtpDialogue.h"
#include "actions/UrlCall.h"
#include "app/SettingsFile.h"
#include "core/TextUtil.h"
#include "core/Windows1252.h"

#include <QCoreApplication>
#include <QHostAddress>

#include <cstdlib>

using namespace quillet;

namespace {

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

// The input as texts, cut at each byte 0xFF.
[[maybe_unused]] QList<QByteArray> parts(const uint8_t* data, size_t size, qsizetype count)
{
    QList<QByteArray> list =
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split('\xff');
    list.resize(std::max(count, list.size()));
    return list;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
#if defined(QUILLET_FUZZ_SETTINGS)
    // Whatever a file holds, what is saved of it loads back to the same settings and bytes.
    Settings first;
    parseSettings(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), first);
    const QByteArray text = settingsText(first);
    Settings second;
    require(parseSettings(text, second) == LoadOutcome::Loaded, "saved file loads");
    require(second == first && settingsText(second) == text, "round trip identical");
#elif defined(QUILLET_FUZZ_SMTP)
    // Texts of the settings, then the server's replies, one arrival each.
    const QList<QByteArray> p = parts(data, size, 7);
    const auto text = [&p](qsizetype i) { return fromWindows1252(p.at(i)); };
    bool ended = false;
    SmtpDialogue* self = nullptr;
    SmtpLink link;
    link.send = [&](const QString& wire, const QString&) {
        require(!ended, "nothing sent after the end");
        const qsizetype ends = wire.count(QStringLiteral("\r\n"));
        if (self->step() == SmtpStep::Message && wire != QStringLiteral("QUIT\r\n")) {
            require(wire.endsWith(QStringLiteral("\r\n.\r\n")), "the message ends");
            require(wire.indexOf(QStringLiteral("\r\n.\r\n")) == wire.size() - 5,
                    "the message ends once");
            require(wire.count(QLatin1Char('\n')) == ends && wire.count(QLatin1Char('\r')) == ends,
                    "message lines end in CR LF");
        } else {
            require(ends == 1 && wire.endsWith(QStringLiteral("\r\n")) &&
                        wire.count(QLatin1Char('\n')) == 1 && wire.count(QLatin1Char('\r')) == 1,
                    "a command is one line");
        }
        return true;
    };
    link.log = [](const QString&) {};
    link.showReply = [](const QString&) {};
    link.end = [&](const Outcome&) { ended = true; };
    link.startTls = [&] { self->encrypted(QStringLiteral("TLSv1.3")); };
    SmtpDialogue dialogue(link);
    self = &dialogue;
    const bool odd = p.at(0).size() % 2 == 1, third = p.at(0).size() % 3 == 1;
    dialogue.start(
        SmtpMail{odd, third, text(0), text(1), text(2), text(3), {text(4), text(5)}, text(6)});
    for (qsizetype i = 7; i < p.size(); ++i)
        dialogue.received(fromWindows1252(p.at(i)));
#elif defined(QUILLET_FUZZ_TEXT)
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = fromWindows1252(bytes);
    require(toWindows1252(text) == bytes, "every byte survives the code page");
    for (const QString& line : splitLines(text, 64))
        require(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')), "lines");
    if (isIPv4Address(text))
        require(QHostAddress(text).toString() == text, "an address is an address");
    const std::optional<int> box = parseCheckValue(text);
    require(!box || (*box >= 0 && *box <= 2), "box values");
#elif defined(QUILLET_FUZZ_REQUESTS)
    const QList<QByteArray> p = parts(data, size, 3);
    // Each value of the query decodes to the bytes it came from.
    const QList<QByteArray> query =
        dynDnsQuery(fromWindows1252(p.at(0)), fromWindows1252(p.at(1))).split('&');
    require(query.size() == 7, "seven parameters");
    require(QByteArray::fromPercentEncoding(query.at(1)) == "hostname=" + p.at(0) &&
                QByteArray::fromPercentEncoding(query.at(2)) == "myip=" + p.at(1),
            "query values parse back");
    // No text ends the request line early, and a template without escapes of its own
    // decodes to itself with the addresses in place.
    const QByteArray url = substitutedUrl(fromWindows1252(p.at(2)),
                                          {fromWindows1252(p.at(0)), fromWindows1252(p.at(1))});
    require(std::none_of(url.cbegin(), url.cend(),
                         [](char c) { return uchar(c) <= 0x20 || uchar(c) >= 0x7f; }),
            "no blank, control or 8-bit byte in the URL");
    const bool marked =
        p.at(0).contains('\x01') || p.at(1).contains('\x01') || p.at(2).contains('\x01');
    if (!p.at(2).contains('%') && !p.at(0).isEmpty() && !p.at(1).isEmpty() && !marked) {
        const QByteArray expected = QByteArray(p.at(2))
                                        .replace("$EXTIP$", QByteArray("\x01"))
                                        .replace("$INTIP$", p.at(1))
                                        .replace('\x01', p.at(0));
        require(QByteArray::fromPercentEncoding(url) == expected,
                "the URL decodes to the template with the addresses");
    }
#endif
    return 0;
}
