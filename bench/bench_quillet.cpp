// CPU per check with no change, in this process: Quillet's whole check (the echo lookup on
// the event loop, the adapters, the address file) beside what a bare Qt + libcurl program
// does for the same job (one blocking download, the file written with QSaveFile). Both ask
// the same echo server on 127.0.0.1; only this process's CPU time counts.
#include "Harness.h"

#include "monitor/Monitor.h"

#include <QApplication>
#include <QEventLoop>
#include <QNetworkInterface>
#include <QSaveFile>

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

using namespace quillet;

namespace {

double cpuMs()
{
    timespec t = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double medianCpuMs(int runs, const std::function<void()>& body)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const double start = cpuMs();
        body();
        ms.push_back(cpuMs() - start);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

size_t collect(char* data, size_t size, size_t count, void* body)
{
    static_cast<QByteArray*>(body)->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

// The bare program's check: download, then the two lines written whole.
void bareCheck(const QByteArray& url, const QString& file)
{
    QByteArray body;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    if (curl_easy_perform(curl) == CURLE_OK) {
        QString internal;
        for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) {
                internal = a.toString();
                break;
            }
        }
        QSaveFile out(file);
        if (out.open(QIODevice::WriteOnly)) {
            out.write(body.trimmed() + "\r\n" + internal.toLatin1() + "\r\n");
            out.commit();
        }
    }
    curl_easy_cleanup(curl);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    const int runs = 200;

    test::HttpPeer echo;
    test::Harness h(echo);
    if (!h.echoPeer.ok()) {
        std::fputs("echo server did not start\n", stderr);
        return 1;
    }
    h.echoPeer.answer("203.0.113.7");
    h.adapters.reset();
    h.start();
    const auto check = [&h] {
        QEventLoop loop;
        QObject::connect(&h.app->monitor(), &Monitor::idle, &loop, &QEventLoop::quit);
        h.app->checkNow();
        loop.exec();
    };
    const double quillet = medianCpuMs(runs, check);
    const QByteArray url =
        "http://" + h.echoPeer.hostPort().toLatin1() + "/getip_quillet_paidusers.php";
    const double bare = medianCpuMs(runs, [&] { bareCheck(url, h.file("bare-ip.txt")); });

    std::printf("CPU per check with no change, median of %d: Quillet %.3f ms, bare %.3f ms, "
                "ratio %.2fx (target <= 1.0x)\n",
                runs, quillet, bare, quillet / bare);

    // The same with "Also watch IPv6" ticked: the IPv6 lookup, at [::1], runs beside the IPv4 one.
    test::HttpPeer echo6({}, QStringLiteral("::1"));
    echo6.answer("2001:db8::7");
    h.echo6Host = echo6.hostPort();
    h.edit([](Settings& settings) { settings.watchIPv6 = true; });
    h.check();
    const double ipv6 = medianCpuMs(runs, check);
    std::printf("CPU per check with IPv6 watched, median of %d: Quillet %.3f ms (the IPv6 lookup "
                "adds %.3f ms)\n",
                runs, ipv6, ipv6 - quillet);
    return 0;
}
