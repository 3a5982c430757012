#pragma once

#include <QString>

#include <cstdio>

namespace quillet {

// One line on stderr for whoever started Quillet from a terminal: what went wrong, and
// what became of it.
inline void warn(const QString& message)
{
    std::fprintf(stderr, "quillet: %s\n", message.toLocal8Bit().constData());
}

} // namespace quillet
