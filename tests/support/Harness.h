#pragma once

#include "TestSupport.h"

#include "app/Quillet.h"
#include "core/Endpoints.h"
#include "monitor/Monitor.h"
#include "platform/Network.h"
#include "platform/Paths.h"
#include "ui/TrayMenu.h"
#include "ui/frmMain.h"

#include <QTest>

#include <memory>

namespace quillet::test {

// A whole Quillet run inside a temporary program directory, its echo page served by `echo`
// (one server for a whole test class), the adapters, host name and clock fixed.
class Harness {
public:
    explicit Harness(HttpPeer& echoPeer)
        : echo(echoPeer)
    {
        resetSeams();
        platform::setProgramDirectoryForTesting(dir.path());
        setEchoHostForTesting(echo.hostPort());
        platform::setHostNameSourceForTesting([this] { return hostName; });
        platform::setAdapterListSourceForTesting([this] {
            return QList<platform::Adapter>{{QStringLiteral("eth0"), internal, false}};
        });
        fixClock();
        echo.answer(QByteArrayLiteral("1.2.3.4"));
        echoRequestsBefore = echo.requests().size();
    }
    ~Harness()
    {
        app.reset();
        resetSeams();
    }
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    // Starts from an address file of 1.2.3.4 and 192.168.0.5 unless `known` is false.
    Quillet& start(bool known = true)
    {
        if (known) {
            QByteArray config;
            for (int line = 1; line <= kSettingCount; ++line)
                config += (line == 10 ? QByteArray("ip_office.txt") : QByteArray()) + "\r\n";
            writeAll(file(QStringLiteral("config.txt")), config);
            writeAll(file(QStringLiteral("ip_office.txt")), "1.2.3.4\r\n192.168.0.5\r\n");
        }
        app = std::make_unique<Quillet>();
        app->monitor().actionRunner = [this, actions = app->monitor().actionRunner](
                                          RunCause cause, std::function<void()> done) {
            ++actionRuns;
            if (runActions)
                actions(cause, std::move(done));
            else
                done();
        };
        app->Main();
        settle();
        return *app;
    }

    // Until nothing runs and nothing waits (a check, an action run), at most 20 s.
    bool settle() const
    {
        return QTest::qWaitFor([this] { return !app->monitor().busy(); }, 20000);
    }
    void check() const
    {
        app->CheckIPChange();
        settle();
    }

    Model& model() { return app->model(); }
    // The window, built now if it was not yet.
    frmMain& form() { return *static_cast<frmMain*>(app->window(true)); }
    void edit(const std::function<void(Settings&)>& change)
    {
        Settings settings = model().settings();
        change(settings);
        model().setSettings(settings);
    }

    QString file(const QString& name) const { return dir.filePath(name); }
    QByteArray bytes(const QString& name) const { return readAll(file(name)); }
    // Lookups of the echo page since this harness began.
    qsizetype echoRequests() const { return echo.requests().size() - echoRequestsBefore; }

    QTemporaryDir dir;
    HttpPeer& echo;
    QString hostName = QStringLiteral("office-pc");
    QString internal = QStringLiteral("192.168.0.5");
    int actionRuns = 0;
    bool runActions = false; // the real actions, besides counting them
    std::unique_ptr<Quillet> app;

private:
    qsizetype echoRequestsBefore = 0;
};

} // namespace quillet::test
