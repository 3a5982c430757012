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

#include <QHostAddress>
#include <QtCore>

using namespace quillet;

namespace {

void require(bool holds, const char* what)
{
    if (!holds)
        qFatal("property broken: %s", what);
}

// The input as texts, cut at each byte 0xFF.
[[maybe_unused]] QList<QByteArray> parts(const QByteArray& input, qsizetype count)
{
    QList<QByteArray> list = input.split('\xff');
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
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
#if defined(QUILLET_FUZZ_SETTINGS)
    // The whole load, back-up and save on a folder of its own: whatever config.txt holds, a
    // file not loaded whole is still there whole after the save, as it was or as a copy; one
    // loaded comes back as it was read, the later lines too.
    QTemporaryDir folder;
    const QString config = folder.filePath("config.txt");
    QFile file(config);
    require(file.open(QIODevice::WriteOnly) && file.write(input) == input.size(), "seeded");
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
    using enum SettingsStore::Outcome;
    const SettingsStore::Outcome outcome = store.outcome();
    const ParsedSettings before = parseSettings(input), after = parseSettings(saved);
    require(outcome != Loaded || (after.whole && after.settings == before.settings &&
                                  after.laterLines == before.laterLines &&
                                  settingsText(after.settings, after.laterLines) == saved),
            "what was loaded is saved as it was read");
    require(outcome != Missing || input.isEmpty(), "only an empty file counts as none");
    require(outcome != Replaced || bytesOf(config + ".bak") == input, "kept whole before replaced");
    require(outcome != Kept || (bytesOf(config) == input && store.target() != config),
            "never written over");
#elif defined(QUILLET_FUZZ_SMTP)
    // Texts of the settings, then the server's replies, one arrival each.
    const QList<QByteArray> p = parts(input, 7);
    const auto text = [&p](qsizetype i) { return fromWindows1252(p.at(i)); };
    bool ended = false;
    SmtpDialogue* self = nullptr;
    const auto send = [&](const QString& wire, const QString&) {
        require(!ended, "nothing sent after the end");
        const qsizetype ends = wire.count("\r\n");
        require(wire.count('\n') == ends && wire.count('\r') == ends, "lines end in CR LF");
        if (self->step() == SmtpStep::Message && wire != "QUIT\r\n")
            require(wire.endsWith("\r\n.\r\n") && wire.indexOf("\r\n.\r\n") == wire.size() - 5,
                    "the message ends, once");
        else
            require(ends == 1 && wire.endsWith("\r\n"), "a command is one line");
        return true;
    };
    const auto ignore = [](const QString&) {};
    SmtpDialogue dialogue({send, ignore, ignore, [&] { self->encrypted("TLSv1.3"); },
                           [&](const Outcome&) { ended = true; }});
    self = &dialogue;
    const bool odd = p.at(0).size() % 2 == 1, third = p.at(0).size() % 3 == 1;
    dialogue.start(
        SmtpMail{odd, third, text(0), text(1), text(2), text(3), {text(4), text(5)}, text(6)});
    for (qsizetype i = 7; i < p.size(); ++i)
        dialogue.received(fromWindows1252(p.at(i)));
#elif defined(QUILLET_FUZZ_TEXT)
    const QString text = fromWindows1252(input);
    require(toWindows1252(text) == input, "every byte survives the code page");
    for (const QString& line : splitLines(text, 64))
        require(!line.contains('\r') && !line.contains('\n'), "lines");
    if (isIPv4Address(text))
        require(QHostAddress(text).toString() == text, "an address is an address");
    const std::optional<int> box = parseCheckValue(text);
    require(!box || (*box >= 0 && *box <= 2), "box values");
#elif defined(QUILLET_FUZZ_REQUESTS)
    const QList<QByteArray> p = parts(input, 3);
    const auto text = [&p](qsizetype i) { return fromWindows1252(p.at(i)); };
    // Each value of the query decodes to the bytes it came from.
    const QList<QByteArray> query = dynDnsQuery(text(0), text(1)).split('&');
    require(query.size() == 7, "seven parameters");
    require(QByteArray::fromPercentEncoding(query.at(1)) == "hostname=" + p.at(0) &&
                QByteArray::fromPercentEncoding(query.at(2)) == "myip=" + p.at(1),
            "query values parse back");
    // No text ends the request line early, and a template without escapes of its own
    // decodes to itself with the addresses in place.
    const QByteArray url = substitutedUrl(text(2), {text(0), text(1)});
    require(std::none_of(url.cbegin(), url.cend(),
                         [](char c) { return uchar(c) <= 0x20 || uchar(c) >= 0x7f; }),
            "no blank, control or 8-bit byte in the URL");
    const bool marked = p.first(3).join().contains('\x01');
    if (!p.at(2).contains('%') && !p.at(0).isEmpty() && !p.at(1).isEmpty() && !marked) {
        const QByteArray expected = QByteArray(p.at(2))
                                        .replace("$EXTIP$", "\x01")
                                        .replace("$INTIP$", p.at(1))
                                        .replace('\x01', p.at(0));
        require(QByteArray::fromPercentEncoding(url) == expected,
                "the URL decodes to the template with the addresses");
    }
#endif
    return 0;
}
