#include "core/DateText.h"

namespace quillet {

namespace {
std::function<QDateTime()>& clock()
{
    static std::function<QDateTime()> c;
    return c;
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}
} // namespace

QString DateText(const QDateTime& when)
{
    const QDate d = when.date();
    return twoDigits(d.month()) + QLatin1Char('-') + twoDigits(d.day()) + QLatin1Char('-') +
           QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0'));
}

QString TimeText(const QDateTime& when)
{
    const QTime t = when.time();
    return twoDigits(t.hour()) + QLatin1Char(':') + twoDigits(t.minute()) + QLatin1Char(':') +
           twoDigits(t.second());
}

QString NowStamp()
{
    const QDateTime t = now();
    return DateText(t) + QLatin1Char(' ') + TimeText(t);
}

QDateTime now()
{
    return clock() ? clock()() : QDateTime::currentDateTime();
}

void setClockForTesting(std::function<QDateTime()> c)
{
    clock() = std::move(c);
}

} // namespace quillet
