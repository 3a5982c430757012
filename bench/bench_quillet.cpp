// Measures what a user feels: how long start-up and one check take, and the memory the
// program holds at rest. Runs against a real echo server on 127.0.0.1.
#include "Harness.h"

#include "address/modGetIP.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace quillet;

namespace {

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

void report(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-30s median %8.3f ms   min %8.3f ms   (%zu runs)\n", what, ms[ms.size() / 2],
                ms.front(), ms.size());
}

template <typename F> std::vector<double> timeRuns(int runs, F&& body)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        body();
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return ms;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    const long before = residentKiB();

    test::Harness h;
    if (!h.echo.ok()) {
        std::fputs("echo server did not start\n", stderr);
        return 1;
    }
    h.echo.answer("1.2.3.4");
    h.start();
    std::printf("%-28s %8ld KiB (process before start-up: %ld KiB)\n", "resident at rest",
                residentKiB(), before);

    report("one check", timeRuns(200, [&h] { h.app->CheckIPChange(); }));
    platform::setAdapterListSourceForTesting({});
    report("internal address lookup", timeRuns(2000, [] { GetInternalIP(); }));
    // Start-up with an address file in place: the window, the settings and one check.
    // Each run brings its own program directory and echo server.
    std::vector<double> startups;
    for (int i = 0; i < 10; ++i) {
        test::Harness run;
        run.writeConfig(QStringLiteral("ip.txt"));
        test::writeAll(run.file(QStringLiteral("ip.txt")), "1.2.3.4\r\n192.168.0.5\r\n");
        run.echo.answer("1.2.3.4");
        QElapsedTimer timer;
        timer.start();
        run.start();
        startups.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    report("start-up (window, one check)", startups);
    return 0;
}
