#include "core/DateText.h"

#include <cstdlib>

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

QString Rfc5322DateTime(const QDateTime& when)
{
    static const char* const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate d = when.date();
    const int offset = when.offsetFromUtc() / 60;
    const int zone = std::abs(offset);
    return QStringLiteral("%1, %2 %3 %4 %5 %6%7%8")
        .arg(QLatin1String(days[d.dayOfWeek() - 1]), twoDigits(d.day()),
             QLatin1String(months[d.month() - 1]))
        .arg(d.year())
        .arg(TimeText(when), QLatin1String(offset < 0 ? "-" : "+"), twoDigits(zone / 60),
             twoDigits(zone % 60));
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
