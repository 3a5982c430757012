#pragma once

#include <functional>

namespace quillet::platform {

// Turns SIGTERM, SIGINT and SIGHUP into one call of `onRequest` on the user-interface thread.
// The signal handler itself only writes to a pipe and raises a flag.
void installShutdownSignals(std::function<void()> onRequest);

// True once the platform has asked the program to end; long transfers give up then.
bool shutdownRequested();

} // namespace quillet::platform
