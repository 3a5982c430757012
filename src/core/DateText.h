#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

namespace quillet {

// Local date as mm-dd-yyyy and local time as hh:mm:ss (24-hour), whatever the locale.
QString DateText(const QDateTime& when);
QString TimeText(const QDateTime& when);

// RFC 5322, 3.3: "Sat, 05 Dec 2026 15:23:38 +0100", in English whatever the locale.
QString Rfc5322DateTime(const QDateTime& when);

// "mm-dd-yyyy hh:mm:ss" of now, as every status line and log line carries it.
QString NowStamp();

// The clock that NowStamp reads; tests fix it.
QDateTime now();
void setClockForTesting(std::function<QDateTime()> clock);

} // namespace quillet
