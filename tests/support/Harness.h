#pragma once

#include "TestSupport.h"

#include "app/Application.h"
#include "monitor/Monitor.h"
#include "platform/DiskQueue.h"
#include "platform/Paths.h"
#include "ui/MainWindow.h"
#include "ui_MainWindow.h"

namespace quillet::test {

// A whole Quillet run inside a temporary program directory, its echo page served by `echo`
// (one server for a whole test class), the adapter list, host name and clock fixed.
class Harness : public Hooks {
public:
    explicit Harness(HttpPeer& peer)
        : echoPeer(peer)
    {
        programDirectory = dir.path();
        echoHost = peer.hostPort();
        hostName = QStringLiteral("office-pc");
        internal(QStringLiteral("192.168.0.5"));
        peer.answer(QByteArrayLiteral("1.2.3.4"));
        echoRequestsBefore = peer.requests().size();
    }
    ~Harness() override
    {
        app.reset();
        platform::useFolders({});
    }

    // The first adapter's address from now on.
    void internal(const QString& address)
    {
        adapters = QList<platform::Adapter>{{QStringLiteral("eth0"), address, false}};
    }

    // Starts from an address file of 1.2.3.4 and 192.168.0.5 unless `known` is false.
    Application& start(bool known = true)
    {
        if (known) { // config.txt's line 10 of 25 names the address file
            const QByteArray crlf = "\r\n";
            writeAll(file("config.txt"), crlf.repeated(9) + "ip_office.txt" + crlf.repeated(16));
            writeAll(file("ip_office.txt"), "1.2.3.4\r\n192.168.0.5\r\n");
        }
        app = std::make_unique<Application>();
        app->monitor().runActions = [this, actions = app->monitor().runActions](
                                        const RunOrder& order, std::function<void()> done) {
            ++actionRuns;
            if (runActions)
                actions(order, std::move(done));
            else
                done();
        };
        started = app->start();
        settle();
        return *app;
    }

    // Ends the run as the window's close box does, and starts anew in the same folder.
    void restart()
    {
        app->requestShutdown();
        app.reset();
        start(false);
    }

    // Until nothing runs and nothing waits (a check, an action run), at most 20 s.
    bool settle() const
    {
        return QTest::qWaitFor(
            [this] { return !app->monitor().busy() && platform::finishDiskJobs(0); }, 20000);
    }
    void check() const
    {
        app->checkNow();
        settle();
    }

    Model& model() { return app->model(); }
    // The window's controls, the window built now if it was not yet.
    Ui::MainWindow& ui() { return app->window()->ui(); }
    void edit(const std::function<void(Settings&)>& change)
    {
        Settings settings = model().settings();
        change(settings);
        model().setSettings(settings);
    }

    QString file(const QString& name) const { return dir.filePath(name); }
    QByteArray bytes(const QString& name) const { return readAll(file(name)); }
    // Lookups of the echo page since this harness began.
    qsizetype echoRequests() const { return echoPeer.requests().size() - echoRequestsBefore; }

    QTemporaryDir dir;
    HttpPeer& echoPeer;
    bool started = false;
    int actionRuns = 0;
    bool runActions = false; // the real actions, besides counting them
    std::unique_ptr<Application> app;

private:
    qsizetype echoRequestsBefore = 0;
};

} // namespace quillet::test
