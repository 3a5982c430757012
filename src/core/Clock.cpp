#include "core/Clock.h"

#include "platform/TestHooks.h"

#include <cstdlib>

namespace quillet {

QDateTime now()
{
    return platform::hookedOr(&platform::TestHooks::now,
                              [] { return QDateTime::currentDateTime(); });
}

QString nowStamp()
{
    // A format string formats in the C locale: Latin digits and English names.
    return now().toString(QStringLiteral("MM-dd-yyyy hh:mm:ss"));
}

QString rfc5322DateTime(const QDateTime& when)
{
    // Qt::RFC2822Date leaves out the day of the week, which some filters expect.
    const int minutes = when.offsetFromUtc() / 60;
    return when.toString(QStringLiteral("ddd, dd MMM yyyy hh:mm:ss ")) +
           (minutes < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1%2")
               .arg(std::abs(minutes) / 60, 2, 10, QLatin1Char('0'))
               .arg(std::abs(minutes) % 60, 2, 10, QLatin1Char('0'));
}

} // namespace quillet
