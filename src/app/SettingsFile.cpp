#include "app/SettingsFile.h"

#include "core/TextUtil.h"
#include "core/Windows1252.h"
#include "platform/FileAccess.h"

#include <algorithm>
#include <cmath>

namespace quillet {

namespace {

// The longest file worth reading: every setting at its longest, with its line end.
constexpr qint64 kMaxFileBytes = qint64(kSettingLines) * (kMaxSettingChars + 2);

// Every setting in the order the file keeps them, one a line: the one place that knows it.
template <typename S, typename Line> void forEachLine(S& s, Line& line)
{
    line(s.email.enabled);
    line(s.email.recipient);
    line(s.email.server);
    line(s.email.port);
    line(s.email.sender);
    line(s.email.authenticate);
    line(s.email.user);
    line(s.email.password);
    line(s.ftp.enabled);
    line(s.addressFileName);
    line(s.ftp.server);
    line(s.ftp.port);
    line(s.ftp.user);
    line(s.ftp.password);
    line(s.ftp.remotePath);
    line(s.dynDns.enabled);
    line(s.dynDns.user);
    line(s.dynDns.password);
    line(s.dynDns.hostNames);
    line(s.url.enabled);
    line(s.url.url); // the last line of an older version's file
    line(s.email.security);
    line(s.ftp.tls);
    line(s.dynDns.service);
    line(s.dynDns.https);
}

// A box, and the security choice, as " 1 "; a text as it is; a port as its number.
struct LineWriter {
    QByteArray text;

    void operator()(bool ticked) { number(ticked ? 1 : 0); }
    void operator()(EmailSecurity security) { number(static_cast<int>(security)); }
    void operator()(Port port) { text += portText(port).toLatin1() + "\r\n"; }
    void operator()(const QString& setting)
    {
        // One setting a line: a line break of its own would shift every later one.
        QString line = setting;
        text += toWindows1252(line.replace(QLatin1Char('\r'), QLatin1Char(' '))
                                  .replace(QLatin1Char('\n'), QLatin1Char(' '))) +
                "\r\n";
    }
    void number(int value) { text += ' ' + QByteArray::number(value) + " \r\n"; }
};

// The lines there are over the settings; those not there keep their values.
struct LineReader {
    const QStringList& lines;
    qsizetype next = 0;

    const QString* take() { return next < lines.size() ? &lines.at(next++) : nullptr; }
    void operator()(bool& ticked)
    {
        // A value that is no box value leaves this box as it was.
        if (const QString* line = take()) {
            if (const std::optional<int> value = parseCheckValue(*line))
                ticked = *value == 1;
        }
    }
    void operator()(EmailSecurity& security)
    {
        // A security that is no choice is none.
        if (const QString* line = take())
            security = static_cast<EmailSecurity>(parseCheckValue(*line).value_or(0));
    }
    void operator()(Port& port)
    {
        if (const QString* line = take())
            port = portFromText(*line);
    }
    void operator()(QString& setting)
    {
        if (const QString* line = take())
            setting = trimBlanks(*line);
    }
};

bool isDigitAt(const QString& line, qsizetype k)
{
    return k < line.size() && line.at(k) >= QLatin1Char('0') && line.at(k) <= QLatin1Char('9');
}

QString digitsAt(const QString& line, qsizetype& i)
{
    const qsizetype start = i;
    while (isDigitAt(line, i))
        ++i;
    return line.mid(start, i - start);
}

} // namespace

std::optional<int> parseCheckValue(const QString& line)
{
    qsizetype i = 0;
    while (i < line.size() && (line.at(i) == QLatin1Char(' ') || line.at(i) == QLatin1Char('\t')))
        ++i;
    QString sign;
    if (i < line.size() && (line.at(i) == QLatin1Char('+') || line.at(i) == QLatin1Char('-')))
        sign = line.at(i++);
    const QString whole = digitsAt(line, i);
    QString fraction;
    if (i < line.size() && line.at(i) == QLatin1Char('.'))
        fraction = digitsAt(line, ++i);
    if (whole.isEmpty() && fraction.isEmpty())
        return 0;
    long long exponent = 0;
    if (i + 1 < line.size() && (line.at(i) == QLatin1Char('e') || line.at(i) == QLatin1Char('E'))) {
        qsizetype k = i + 1;
        const bool negative = line.at(k) == QLatin1Char('-');
        if (line.at(k) == QLatin1Char('+') || negative)
            ++k;
        for (const QChar c : digitsAt(line, k))
            exponent = std::min(exponent * 10 + (c.unicode() - '0'), 1000000LL);
        exponent = negative ? -exponent : exponent;
    }

    // Where the first significant digit stands decides before any arithmetic can overflow
    // or underflow: below 0.01 the value rounds to 0, from 10 on it is no box value.
    const QString digits = whole + fraction;
    const auto nonZero =
        std::find_if(digits.cbegin(), digits.cend(), [](QChar c) { return c != QLatin1Char('0'); });
    if (nonZero == digits.cend())
        return 0;
    const qsizetype first = nonZero - digits.cbegin();
    const long long magnitude = whole.size() - 1 - first + exponent;
    if (magnitude < -2)
        return 0;
    if (magnitude > 1)
        return std::nullopt;
    const double value =
        (sign + whole + QLatin1Char('.') + fraction + QStringLiteral("e%1").arg(exponent))
            .toDouble();
    const double rounded = std::nearbyint(value); // the default mode rounds halves to even
    if (rounded != 0.0 && rounded != 1.0 && rounded != 2.0)
        return std::nullopt;
    return static_cast<int>(rounded);
}

LoadOutcome parseSettings(const QByteArray& bytes, Settings& settings)
{
    const QStringList lines = splitLines(fromWindows1252(bytes), kSettingLines);
    if (lines.size() < kOlderSettingLines)
        return LoadOutcome::TooShort;
    if (std::any_of(lines.cbegin(), lines.cend(),
                    [](const QString& line) { return line.size() > kMaxSettingChars; }))
        return LoadOutcome::NotLoaded;
    LineReader reader{lines};
    forEachLine(settings, reader);
    // No service is the build's.
    if (settings.dynDns.service.isEmpty())
        settings.dynDns.service = Settings().dynDns.service;
    return LoadOutcome::Loaded;
}

SettingsLoad loadSettingsFile(const QString& path, const Settings& settings)
{
    SettingsLoad load{LoadOutcome::Missing, settings, {}};
    const platform::FileRead file = platform::readOwnFile(path, kMaxFileBytes);
    if (!file.exists)
        return load;
    if (!file.ok) {
        load.outcome = LoadOutcome::NotLoaded;
        load.error = file.error;
        return load;
    }
    load.outcome = parseSettings(file.bytes, load.settings);
    if (load.outcome == LoadOutcome::Loaded)
        return load;
    load.settings = settings;
    if (load.outcome == LoadOutcome::NotLoaded) {
        load.error = QStringLiteral("%1: a line is longer than %2 characters; not loaded")
                         .arg(path)
                         .arg(kMaxSettingChars);
        return load;
    }
    // Kept, so the next save cannot lose what the user wrote.
    const QString backup = path + QStringLiteral(".bak");
    QString error;
    load.error = platform::writeOwnFile(backup, file.bytes, &error)
                     ? QStringLiteral("%1 is too short to load; kept as %2").arg(path, backup)
                     : QStringLiteral("%1 is too short to load, and %2").arg(path, error);
    return load;
}

QByteArray settingsText(const Settings& settings)
{
    LineWriter writer;
    forEachLine(settings, writer);
    return writer.text;
}

bool saveSettingsFile(const Settings& settings, const QString& path, QString* error)
{
    return platform::writeOwnFile(path, settingsText(settings), error);
}

} // namespace quillet
