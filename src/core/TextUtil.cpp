#include "core/TextUtil.h"

#include <algorithm>

namespace quillet {

QString trimBlanks(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

QStringList splitLines(const QString& text, qsizetype maxLines)
{
    QStringList lines;
    qsizetype start = 0;
    while (lines.size() < maxLines && start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text.at(end) != QLatin1Char('\r') &&
               text.at(end) != QLatin1Char('\n'))
            ++end;
        lines.append(text.mid(start, end - start));
        // CR LF, CR CR LF (CR LF once more converted), LF CR, or either alone ends one line.
        if (end < text.size()) {
            qsizetype crs = 0;
            while (end + crs < text.size() && text.at(end + crs) == QLatin1Char('\r'))
                ++crs;
            if (crs > 1 && end + crs < text.size() && text.at(end + crs) == QLatin1Char('\n')) {
                end += crs + 1;
            } else {
                const QChar first = text.at(end++);
                const QChar pair =
                    first == QLatin1Char('\r') ? QLatin1Char('\n') : QLatin1Char('\r');
                if (end < text.size() && text.at(end) == pair)
                    ++end;
            }
        }
        start = end;
    }
    return lines;
}

bool isIPv4Address(QStringView text)
{
    const QList<QStringView> parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QStringView part : parts) {
        if (part.isEmpty() || part.size() > 3 || (part.size() > 1 && part[0] == QLatin1Char('0')))
            return false;
        int value = 0;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
            value = value * 10 + (c.unicode() - '0');
        }
        if (value > 255)
            return false;
    }
    return true;
}

bool isPlainFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    return std::none_of(name.cbegin(), name.cend(), [](QChar c) {
        return c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 ||
               c.unicode() == 0x7f;
    });
}

} // namespace quillet
