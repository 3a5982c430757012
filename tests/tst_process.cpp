#include "TestSupport.h"

#include "platform/Download.h"
#include "platform/Shutdown.h"

#include <QDir>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>

using namespace quillet;

namespace {
// Up: it handles SIGTERM itself, as /proc tells, or it has ended already.
bool up(const QProcess& process)
{
    const QByteArray s = test::readAll(QStringLiteral("/proc/%1/status").arg(process.processId()));
    const qulonglong caught = s.mid(s.indexOf("SigCgt:") + 8, 16).toULongLong(nullptr, 16);
    return process.state() != QProcess::Running || caught >> (SIGTERM - 1) & 1;
}
// The built program, copied to `binary`, as a process of its own, once it is up.
std::unique_ptr<test::Process> start(const QString& binary)
{
    QFile::copy(QUILLET_BINARY, binary);
    auto process = std::make_unique<test::Process>();
    process->start(binary);
    process->waitForStarted(10000);
    static_cast<void>(QTest::qWaitFor([&] { return up(*process); }, 20000)); // tests tell
    return process;
}
// Its exit code after `signal`, or -1 when it did not end normally.
int end(QProcess& process, int signal)
{
    ::kill(static_cast<pid_t>(process.processId()), signal);
    const bool ended = process.waitForFinished(20000);
    return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
} // namespace

class TestProcess : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QHostAddress(QStringLiteral(QUILLET_BUILT_ECHO_HOST).section(':', 0, 0)) !=
            QHostAddress::LocalHost)
            QSKIP("this build's echo host is not on the loopback interface");
        // No display, so it runs without a window; whatever the umask, its files are its own.
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
            qunsetenv(name);
        ::umask(0);
    }

    // Installed where Linux programs go, it keeps its files in the XDG folders, owner-only. A
    // second start asks the first to show its window and ends; the lock of a crashed copy
    // blocks nothing. Ended by a signal, a closed terminal's too, it saves its settings.
    void installedCopyIsOneCopy()
    {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath("bin") && QDir(root.path()).mkpath("share/applications"));
        QVERIFY(test::writeAll(root.filePath("share/applications/quillet.desktop"), {}));
        qputenv("HOME", QFile::encodeName(root.filePath("home")));
        const QString settings = root.filePath("home/.config/quillet");
        const auto first = start(root.filePath("bin/quillet"));
        const auto second = start(root.filePath("bin/quillet"));
        QCOMPARE(second->state(), QProcess::NotRunning);
        const QByteArray running = "quillet: already running for " + QFile::encodeName(settings);
        QCOMPARE(second->readAllStandardError(), running + "; its window is shown\n");
        QCOMPARE(end(*first, SIGKILL), -1);

        const auto third = start(root.filePath("bin/quillet"));
        QCOMPARE(end(*third, SIGHUP), 0);
        QCOMPARE(test::fileMode(settings), 0700);
        QCOMPARE(test::fileMode(root.filePath("home/.local/share/quillet")), 0700);
        QCOMPARE(test::readAll(settings + "/config.txt").count("\r\n"), 25);
        QCOMPARE(test::fileMode(settings + "/config.txt"), 0600);
    }

    // A settings file that cannot be loaded whole, here for a line no edit box could hold, is
    // left as it is, and the session's settings go beside it.
    void unloadableSettingsFileIsKept()
    {
        QTemporaryDir dir;
        const QString config = dir.filePath("config.txt");
        const QByteArray precious = QByteArray(40000, 'x') + QByteArray("\r\n").repeated(25);
        QVERIFY(test::writeAll(config, precious));
        const auto quillet = start(dir.filePath("quillet"));
        QCOMPARE(end(*quillet, SIGINT), 0);
        QVERIFY(quillet->readAllStandardError().contains(QFile::encodeName(config)));
        QCOMPARE(test::readAll(config), precious);
        QCOMPARE(test::readAll(config + ".unsaved").count("\r\n"), 25);
        QCOMPARE(test::fileMode(config + ".unsaved"), 0600);
    }

    // Last, as the request stays for the rest of this process: once a signal came, a transfer
    // that would wait on a silent server is cut short, and the program hears of it once.
    void signalCutsTransfersShort()
    {
        QTcpServer silent; // accepts and never answers
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        int requests = 0;
        platform::installShutdownSignals([&requests] { ++requests; });
        std::raise(SIGTERM), std::raise(SIGINT);
        platform::DownloadRequest request;
        request.url = "http://127.0.0.1:" + QByteArray::number(silent.serverPort()) + "/";
        QCOMPARE(test::fetch(request).error, QStringLiteral("Cut short: Quillet is ending"));
        QTRY_COMPARE(requests, 1);
    }
};

QTEST_GUILESS_MAIN(TestProcess)
#include "tst_process.moc"
