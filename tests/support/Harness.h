#pragma once

#include "TestSupport.h"

#include "core/DateText.h"
#include "core/Endpoints.h"
#include "core/Quillet.h"
#include "platform/Network.h"
#include "platform/ProgramDir.h"
#include "ui/frmMain.h"

#include <QDir>
#include <QTemporaryDir>

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
        app->actionRunner = [this, actions = app->actionRunner](frmMain& form, RunCause cause) {
            ++actionRuns;
            if (runActions)
                actions(form, cause);
        };
        app->Main();
        return *app;
    }

    frmMain& form() { return app->form(); }
    QString file(const QString& name) const { return dir.filePath(name); }
    QByteArray bytes(const QString& name) const { return readAll(file(name)); }
    bool exists(const QString& name) const { return QFileInfo::exists(file(name)); }
    qsizetype echoRequests() const { return echo.requests().size(); }

    void writeConfig(const QString& addressFileName)
    {
        // A file as the program writes it, naming the address file; nothing encrypted.
        QByteArray c;
        for (int line = 1; line <= 25; ++line) {
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
