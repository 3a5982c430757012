#pragma once

#include <QDateTime>
#include <QString>

namespace quillet {

// The local time now (tests fix it).
QDateTime now();

// "mm-dd-yyyy hh:mm:ss" (24-hour) of now, whatever the locale, as every status line and
// change-log line carries it.
QString nowStamp();

// RFC 5322, 3.3: "Sat, 05 Dec 2026 15:23:38 +0100", in English whatever the locale.
QString rfc5322DateTime(const QDateTime& when);

} // namespace quillet
