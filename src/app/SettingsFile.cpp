#include "app/SettingsFile.h"

#include "core/TextUtil.h"
#include "core/Windows1252.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace quillet {

namespace {

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
    line(s.watchIPv6);
}

// A box, and the security choice, as " 1 "; a text as it is; a port as its number.
struct LineWriter {
    QStringList lines;

    void operator()(bool ticked) { number(ticked ? 1 : 0); }
    void operator()(EmailSecurity security) { number(static_cast<int>(security)); }
    void operator()(Port port) { lines << portText(port); }
    void operator()(const QString& setting)
    {
        // One setting a line: a line break of its own would shift every later one.
        lines << QString(setting)
                     .replace(QLatin1Char('\r'), QLatin1Char(' '))
                     .replace(QLatin1Char('\n'), QLatin1Char(' '));
    }
    void number(int value) { lines << QStringLiteral(" %1 ").arg(value); }
};

// The lines that hold a box (or the security choice, a number too), with its default.
struct BoxDefaults {
    std::map<qsizetype, bool> at;
    qsizetype next = 0;
    void operator()(bool ticked) { at[next++] = ticked; }
    void operator()(EmailSecurity) { at[next++] = false; }
    void operator()(const auto&) { ++next; }
};
const Settings kDefaults;

// The lines there are over the settings; those not there keep their values. A box that is
// blank or holds no box value takes its default, as the lines an older file lacks do.
struct LineReader {
    const QStringList& lines;
    std::map<qsizetype, bool> defaults;
    qsizetype next = 0;

    template <typename T> void operator()(T& value)
    {
        if (next >= lines.size())
            return;
        const qsizetype at = next++;
        const QString& line = lines.at(at);
        if constexpr (std::is_same_v<T, bool>) {
            const std::optional<int> box = parseCheckValue(line);
            value = box && !line.trimmed().isEmpty() ? *box == 1 : defaults.at(at);
        } else if constexpr (std::is_same_v<T, EmailSecurity>) {
            value = static_cast<EmailSecurity>(parseCheckValue(line).value_or(0));
        } else if constexpr (std::is_same_v<T, Port>) {
            value = portFromText(line);
        } else {
            value = trimBlanks(line);
        }
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

// Blanks, or a number ("1", " 1 ", "-0.5e1"), and blanks: written by hand, not as a
// regular expression, whose compiler would be paged in at start-up for this alone.
bool isNumberLine(const QString& line)
{
    qsizetype i = 0;
    const auto blanks = [&] {
        while (i < line.size() &&
               (line.at(i) == QLatin1Char(' ') || line.at(i) == QLatin1Char('\t')))
            ++i;
    };
    blanks();
    if (i < line.size() && (line.at(i) == QLatin1Char('+') || line.at(i) == QLatin1Char('-')))
        ++i;
    const qsizetype whole = digitsAt(line, i).size();
    qsizetype fraction = 0;
    if (i < line.size() && line.at(i) == QLatin1Char('.'))
        fraction = digitsAt(line, ++i).size();
    const bool digits = whole + fraction > 0;
    if (digits && i < line.size() &&
        (line.at(i) == QLatin1Char('e') || line.at(i) == QLatin1Char('E'))) {
        ++i;
        if (i < line.size() && (line.at(i) == QLatin1Char('+') || line.at(i) == QLatin1Char('-')))
            ++i;
        if (digitsAt(line, i).isEmpty())
            return false;
    }
    blanks();
    return i == line.size() && (digits || line.trimmed().isEmpty());
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

QStringList settingsLines(const QByteArray& bytes)
{
    static const QByteArray bom = QByteArrayLiteral("\xEF\xBB\xBF");
    const QString text =
        bytes.startsWith(bom) ? QString::fromUtf8(bytes.mid(bom.size())) : fromWindows1252(bytes);
    return splitLines(text, std::numeric_limits<qsizetype>::max());
}

ParsedSettings parseSettings(const QByteArray& bytes, const Settings& settings)
{
    ParsedSettings parsed{false, settings, {}};
    const QStringList lines = settingsLines(bytes);
    if (lines.size() < kOlderSettingLines ||
        std::any_of(lines.cbegin(), lines.cend(),
                    [](const QString& line) { return line.size() > kMaxSettingChars; }))
        return parsed;
    parsed.whole = true;
    BoxDefaults defaults;
    forEachLine(kDefaults, defaults);
    LineReader reader{lines, defaults.at};
    forEachLine(parsed.settings, reader);
    parsed.laterLines = lines.mid(kSettingLines);
    // No service is the build's.
    if (parsed.settings.dynDns.service.isEmpty())
        parsed.settings.dynDns.service = kDefaults.dynDns.service;
    return parsed;
}

QByteArray settingsText(const Settings& settings, const QStringList& laterLines)
{
    LineWriter writer;
    forEachLine(settings, writer);
    const QString text =
        (writer.lines + laterLines).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    // A character the code page cannot hold would come back as "?": a password lost.
    return fitsWindows1252(text) ? toWindows1252(text)
                                 : QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

bool readsAsSettings(const QByteArray& bytes)
{
    const QStringList lines = settingsLines(bytes);
    BoxDefaults boxes;
    forEachLine(kDefaults, boxes);
    return std::all_of(boxes.at.cbegin(), boxes.at.cend(), [&lines](const auto& box) {
        return box.first >= lines.size() || isNumberLine(lines.at(box.first));
    });
}

} // namespace quillet
