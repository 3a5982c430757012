#include "app/ConfigFile.h"

#include "core/Ansi.h"
#include "core/TextUtil.h"
#include "platform/FileAccess.h"

#include <algorithm>
#include <cmath>

namespace quillet {

namespace {

// The longest file worth reading: every setting at its longest, with its line end.
constexpr qint64 kMaxConfigBytes = qint64(kSettingCount) * (kMaxSettingChars + 2);

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

LoadOutcome ParseConfig(const QByteArray& bytes, Settings& settings)
{
    const QStringList lines = SplitLines(fromAnsi(bytes), kSettingCount);
    if (lines.size() < kFirstSettingLines)
        return LoadOutcome::TooShort;
    for (const QString& line : lines) {
        if (line.size() > kMaxSettingChars)
            return LoadOutcome::NotLoaded;
    }
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        const auto& member = kSettingFields.at(static_cast<std::size_t>(i)).member;
        if (const auto* box = std::get_if<int Settings::*>(&member)) {
            // A value that is no box value leaves this box as it was.
            if (const std::optional<int> value = parseCheckValue(line))
                settings.*(*box) = *value;
        } else {
            settings.*std::get<QString Settings::*>(member) = TrimBlanks(line);
        }
    }
    // The newer lines: a security that is no choice is none; no service is the build's.
    if (lines.size() > 21 && !parseCheckValue(lines.at(21)))
        settings.cboSMTPSecurity = 0;
    if (settings.cboDDNSservice.isEmpty())
        settings.cboDDNSservice = dynDnsHost();
    return LoadOutcome::Loaded;
}

ConfigLoad LoadConfig(const QString& path, const Settings& settings)
{
    ConfigLoad load{LoadOutcome::Missing, settings, {}};
    const platform::FileRead file = platform::readOwnFile(path, kMaxConfigBytes);
    if (!file.exists)
        return load;
    if (!file.ok) {
        load.outcome = LoadOutcome::NotLoaded;
        load.error = file.error;
        return load;
    }
    load.outcome = ParseConfig(file.bytes, load.settings);
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

QByteArray ConfigText(const Settings& settings)
{
    QByteArray content;
    for (const SettingField& field : kSettingFields) {
        if (const auto* box = std::get_if<int Settings::*>(&field.member)) {
            content += ' ' + QByteArray::number(settings.*(*box)) + ' ';
        } else {
            // One setting a line: a line break of its own would shift every later one.
            QString text = settings.*std::get<QString Settings::*>(field.member);
            content += toAnsi(text.replace(QLatin1Char('\r'), QLatin1Char(' '))
                                  .replace(QLatin1Char('\n'), QLatin1Char(' ')));
        }
        content += "\r\n";
    }
    return content;
}

bool SaveConfig(const Settings& settings, const QString& path, QString* error)
{
    QString why;
    const bool ok = platform::writeOwnFile(path, ConfigText(settings), &why);
    if (!ok && error)
        *error = why;
    return ok;
}

} // namespace quillet
