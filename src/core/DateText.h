#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

namespace quillet {

// Local date as mm-dd-yyyy and local time as hh:mm:ss (24-hour), whatever the locale.
QString DateText(const QDateTime& when);
QString TimeText(const QDateTime& when);

// "mm-dd-yyyy hh:mm:ss" of now, as every status line and log line carries it.
QString NowStamp();

// The clock that NowStamp reads; tests fix it.
QDateTime now();
void setClockForTesting(std::function<QDateTime()> clock);

} // namespace quillet
