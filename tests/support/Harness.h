#pragma once

#include "TestSupport.h"

#include "app/Quillet.h"
#include "core/DateText.h"
#include "core/Endpoints.h"
#include "monitor/Monitor.h"
#include "platform/Network.h"
#include "platform/Paths.h"
#include "ui/TrayMenu.h"
#include "ui/frmMain.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace quillet::test {

// A whole Quillet run inside a temporary program directory, with its echo page served
// by a real HTTP server on 127.0.0.1 and the adapters, host name and clock fixed.
class Harness {
public:
    Harness()
    {
        resetSeams();
        platform::setProgramDirectoryForTesting(dir.path());
        setEchoHostForTesting(echo.hostPort());
        platform::setHostNameSourceForTesting([this] { return hostName; });
        platform::setAdapterListSourceForTesting([this] {
            return QList<platform::Adapter>{
                {QStringLiteral("lo"), QStringLiteral("127.0.0.1"), true},
                {QStringLiteral("eth0"), internal, false}};
        });
        fixClock();
    }
    ~Harness()
    {
        app.reset();
        resetSeams();
    }
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    Quillet& start()
    {
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
    bool exists(const QString& name) const { return QFileInfo::exists(file(name)); }
    qsizetype echoRequests() const { return echo.requests().size(); }

    void writeConfig(const QString& addressFileName)
    {
        // A file as the program writes it, naming the address file; nothing encrypted.
        QByteArray c;
        for (int line = 1; line <= kSettingCount; ++line) {
            if (line == 10)
                c += addressFileName.toLatin1();
            else if (QList<int>{1, 6, 9, 16, 20, 22, 23, 25}.contains(line))
                c += " 0 ";
            c += "\r\n";
        }
        writeAll(file(QStringLiteral("config.txt")), c);
    }

    QTemporaryDir dir;
    HttpPeer echo;
    QString hostName = QStringLiteral("office-pc");
    QString internal = QStringLiteral("192.168.0.5");
    int actionRuns = 0;
    bool runActions = false; // the real actions, besides counting them
    std::unique_ptr<Quillet> app;
};

} // namespace quillet::test
