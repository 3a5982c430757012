#pragma once

#include <QLoggingCategory>
#include <QString>

namespace quillet {

// What Quillet tells whoever started it from a terminal: one line on stderr, "quillet: …".
Q_DECLARE_LOGGING_CATEGORY(quilletLog)

inline void warn(const QString& message)
{
    qCWarning(quilletLog).noquote() << message;
}

} // namespace quillet
