#include "TestSupport.h"

#include "platform/Download.h"
#include "platform/Shutdown.h"

#include <QtNetwork>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

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
    if (process.state() == QProcess::Running)
        ::kill(static_cast<pid_t>(process.processId()), signal);
    const bool ended = process.state() == QProcess::NotRunning || process.waitForFinished(20000);
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
    // Left pointing at a test's removed folders, they would be made again by the next start.
    void cleanup()
    {
        qputenv("HOME", home_);
        qputenv("XDG_RUNTIME_DIR", runtime_);
        qunsetenv("XDG_CONFIG_HOME");
    }

    // Installed in any "bin", it keeps its files owner-only in the XDG folders and listens where
    // only its user can reach. A second start asks the first to show its window and ends; a
    // crashed copy's lock blocks nothing, nor does a copy ending: a restart leaves one running.
    // Ended by a signal, a closed terminal's too, it saves its settings.
    void installedCopyIsOneCopy()
    {
        QTemporaryDir root, runtime;
        QVERIFY(QDir(root.path()).mkpath("bin"));
        qputenv("HOME", QFile::encodeName(root.filePath("home")));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        const QString settings = root.filePath("home/.config/quillet");
        const auto first = start(root.filePath("bin/quillet"));
        QCOMPARE(QDir(runtime.path()).entryList({"quillet-*"}, QDir::System).size(), 1);
        const auto second = start(root.filePath("bin/quillet"));
        QCOMPARE(second->state(), QProcess::NotRunning);
        const QByteArray running = "quillet: already running for " + QFile::encodeName(settings);
        QCOMPARE(second->readAllStandardError(), running + "; its window is shown\n");
        QCOMPARE(end(*first, SIGKILL), -1);

        const auto third = start(root.filePath("bin/quillet"));
        ::kill(static_cast<pid_t>(third->processId()), SIGTERM);
        const auto fourth = start(root.filePath("bin/quillet"));
        QVERIFY(third->state() == QProcess::NotRunning || third->waitForFinished(10000));
        QCOMPARE(fourth->state(), QProcess::Running);
        QCOMPARE(end(*fourth, SIGHUP), 0);
        QCOMPARE(test::fileMode(settings), 0700);
        QCOMPARE(test::fileMode(root.filePath("home/.local/share/quillet")), 0700);
        QCOMPARE(test::readAll(settings + "/config.txt").count("\r\n"), 26);
    }

    // Beside the program, a config.txt that cannot be loaded whole is left as it is (the
    // session's settings go beside it), another program's makes the folder not Quillet's, and
    // a lock file that is no file of Quillet's own lets no copy run.
    void filesNotOursAreLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("config");  // none: the lock file is a link instead
        QTest::addColumn<QString>("settingsIn"); // empty: it does not run
        QTest::newRow("line too long") << QByteArray(20, '\n') + QByteArray(40000, 'x') + "\n\n"
                                       << "config.txt.unsaved";
        QTest::newRow("another program's")
            << QByteArray("[main]\nwidth=3\n").repeated(20) << "xdg/quillet/config.txt";
        QTest::newRow("lock is a link") << QByteArray() << "";
    }
    void filesNotOursAreLeftAlone()
    {
        QFETCH(QByteArray, config);
        QFETCH(QString, settingsIn);
        QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("xdg")));
        QVERIFY(config.isEmpty() ? QFile::link("/nowhere", dir.filePath("quillet.lock"))
                                 : test::writeAll(dir.filePath("config.txt"), config));
        const auto quillet = start(dir.filePath("quillet"));
        QCOMPARE(end(*quillet, SIGINT), settingsIn.isEmpty() ? 1 : 0);
        QCOMPARE(test::readAll(dir.filePath("config.txt")), config);
        if (settingsIn.isEmpty())
            QVERIFY(quillet->readAllStandardError().endsWith("; not starting\n"));
        else
            QCOMPARE(test::readAll(dir.filePath(settingsIn)).count("\r\n"), 26);
    }

    // A portable folder that cannot be written (here a read-only file system, which only root
    // can mount) is used all the same, and says so.
    void readOnlyFolderSaysSo()
    {
        QTemporaryDir dir, xdg;
        const QString path = dir.path();
        if (::geteuid() != 0 ||
            QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64m", "tmpfs", path}) != 0)
            QSKIP("mounting a read-only file system needs root");
        const auto unmount = qScopeGuard([path] { QProcess::execute("umount", {"-l", path}); });
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(xdg.path()));
        QVERIFY(test::writeAll(dir.filePath("config.txt"), QByteArray(" 0 \r\n").repeated(25)));
        QVERIFY(QFile::copy(QUILLET_BINARY, dir.filePath("quillet")));
        QCOMPARE(QProcess::execute("mount", {"-o", "remount,ro", path}), 0);
        const auto quillet = start(dir.filePath("quillet"));
        QCOMPARE(end(*quillet, SIGINT), 0);
        QVERIFY(quillet->readAllStandardError().contains(QFile::encodeName(path) +
                                                         " cannot be written"));
        QCOMPARE(QDir(xdg.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
    }

    // An answer that cannot be written fails; an unknown argument is shown cut short, its
    // bytes that are no text escaped.
    void commandLine()
    {
        for (const auto& [arguments, code, shown] : QList<std::tuple<QString, int, QByteArray>>{
                 {"--version >/dev/full", 1, ""},
                 {"\"$(printf 'a\\377b')\"", 2, " a\\xffb\nUsage"},
                 {QString(120000, 'x'), 2, " " + QByteArray(80, 'x') + "\xe2\x80\xa6\nUsage"}}) {
            QProcess quillet;
            quillet.start("sh", {"-c", QUILLET_BINARY " " + arguments});
            QVERIFY(quillet.waitForFinished(10000) && quillet.exitCode() == code);
            QCOMPARE(quillet.readAllStandardError().split(':').value(2), shown);
        }
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
        QCOMPARE(test::fetch(request).error, "Cut short: Quillet is ending");
        QTRY_COMPARE(requests, 1);
    }

private:
    const QByteArray home_ = qgetenv("HOME"), runtime_ = qgetenv("XDG_RUNTIME_DIR");
};

QTEST_GUILESS_MAIN(TestProcess)
#include "tst_process.moc"
