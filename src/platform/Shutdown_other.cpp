#include "platform/Shutdown.h"

namespace quillet::platform {

// Platforms without POSIX signals end the program through the session and the window.
void installShutdownSignals(std::function<void()>) {}

bool shutdownRequested()
{
    return false;
}

} // namespace quillet::platform
