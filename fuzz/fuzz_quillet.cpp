// One libFuzzer target per build, each checking properties that must hold for any input;
// a broken one aborts, and libFuzzer keeps the input that did it.
#include "actions/DynDnsUpdate.h"
#include "actions/SmtpDialogue.h"
#include "actions/UrlCall.h"
#include "app/SettingsFile.h"
#include "app/SettingsStore.h"
#include "core/Model.h"
#include "core/TextUtil.h"
#include "core/Windows1252.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QTemporaryDir>

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
    // Every file the settings store cannot load is reported; here that is the point.
    QLoggingCategory::setFilterRules(QStringLiteral("quillet.warning=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
#if defined(QUILLET_FUZZ_SETTINGS)
    // The whole load, back-up and save on a folder of its own: whatever config.txt holds, a
    // file not loaded whole is still there whole after the save, as it was or as a copy; one
    // loaded comes back as it was read, the later lines too.
    const QByteArray original(reinterpret_cast<const char*>(data), qsizetype(size));
    QTemporaryDir folder;
    const QString config = folder.filePath(QStringLiteral("config.txt"));
    QFile file(config);
    require(file.open(QIODevice::WriteOnly) && file.write(original) == original.size(), "seeded");
    file.close();
    Model model;
    SettingsStore store(model, folder.path());
    model.setSettings(store.load({}));
    require(store.save(), "saved");
    const auto bytesOf = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    };
    const QByteArray saved = bytesOf(store.target());
    switch (store.outcome()) {
    case SettingsStore::Outcome::Loaded: {
        const ParsedSettings before = parseSettings(original), after = parseSettings(saved);
        require(after.whole && after.settings == before.settings &&
                    after.laterLines == before.laterLines &&
                    settingsText(after.settings, after.laterLines) == saved,
                "what was loaded is saved as it was read");
        break;
    }
    case SettingsStore::Outcome::Missing:
        require(original.isEmpty(), "only an empty file counts as none");
        break;
    case SettingsStore::Outcome::Replaced:
        require(bytesOf(config + QStringLiteral(".bak")) == original, "kept whole before replaced");
        break;
    case SettingsStore::Outcome::Kept:
        require(bytesOf(config) == original && store.target() != config, "never written over");
        break;
    }
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
