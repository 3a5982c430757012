#include "platform/Shutdown.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quillet::platform {

namespace {
volatile std::sig_atomic_t g_requested = 0;
int g_pipe[2] = {-1, -1};

void onSignal(int)
{
    g_requested = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
}
} // namespace

void installShutdownSignals(std::function<void()> onRequest)
{
    if (g_pipe[0] != -1)
        return;
    if (::pipe(g_pipe) != 0)
        return;
    for (const int fd : g_pipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
    }

    auto* notifier =
        new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [notifier, onRequest = std::move(onRequest)] {
                         char buffer[16];
                         while (::read(g_pipe[0], buffer, sizeof buffer) > 0) {
                         }
                         notifier->setEnabled(false);
                         onRequest();
                     });

    struct sigaction action = {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // SIGHUP too: the terminal that started Quillet was closed, and the settings still count.
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

bool shutdownRequested()
{
    return g_requested != 0;
}

} // namespace quillet::platform
