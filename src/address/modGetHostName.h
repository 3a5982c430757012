#pragma once

#include <QString>

namespace quillet {

// The computer's host name, or empty text when the platform supplies none.
QString GetHostName();

} // namespace quillet
