#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillet;

namespace {

const QByteArray kConfig =
    " 0 \r\n\r\n\r\n25\r\n\r\n 0 \r\n\r\n\r\n 0 \r\nip.txt\r\nftp.example.net\r\n"
    "21\r\n\r\n\r\n/\r\n 0 \r\n\r\n\r\n\r\n 0 \r\nhttp://\r\n";

// The built program as its own process, copied to `binary` first, with no display at all
// and `env` ("NAME=value") added to its environment.
struct Program {
    QProcess process;
    QByteArray err;

    explicit Program(const QString& binary, const QStringList& args = {}, bool asNobody = false,
                     const QStringList& env = {})
    {
        QFile::copy(QStringLiteral(QUILLET_BINARY), binary);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        for (const QString& pair : env)
            environment.insert(pair.section('=', 0, 0), pair.section('=', 1));
        process.setProcessEnvironment(environment);
        if (asNobody)
            process.start(
                "setpriv",
                QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups", binary} + args);
        else
            process.start(binary, args);
        process.waitForStarted(10000);
    }
    ~Program()
    {
        process.kill();
        process.waitForFinished(5000);
    }
    // Running once it has said where it draws; its checks fail fast (nothing listens).
    bool running()
    {
        const QDeadlineTimer deadline(20000);
        while (!err.contains('\n') && !deadline.hasExpired() &&
               process.state() == QProcess::Running) {
            process.waitForReadyRead(200);
            err += process.readAllStandardError();
        }
        QTest::qWait(500);
        return process.state() == QProcess::Running;
    }
    // Its exit status after `signal`, or -1 when it did not end normally.
    int end(int signal)
    {
        ::kill(static_cast<pid_t>(process.processId()), signal);
        const bool ended = process.waitForFinished(20000);
        err += process.readAllStandardError();
        return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
};

} // namespace

class TestProcess : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // It must never look anything up beyond this machine.
        const QString echo = QStringLiteral(QUILLET_BUILT_ECHO_HOST);
        const QString host = echo.section(QLatin1Char(':'), 0, 0);
        if (QHostAddress(host) != QHostAddress::LocalHost)
            QSKIP("this build's echo host is not on the loopback interface");
        // Whatever the umask, what Quillet creates is its owner's only.
        ::umask(0);
    }

    void signalEndsTheRunCleanly_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void signalEndsTheRunCleanly()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        Program quillet(dir.filePath("quillet"));
        QVERIFY(quillet.running());
        QCOMPARE(quillet.end(signal), 0);
        QVERIFY2(quillet.err.contains("offscreen"), quillet.err.constData());
        const QString config = dir.filePath(QStringLiteral("config.txt"));
        QCOMPARE(test::readAll(config).count("\r\n"), 25);
        QVERIFY(test::readAll(config).contains("\r\nhttp://\r\n"));
        QCOMPARE(test::fileMode(config), 0600);
    }

    // A settings file that cannot be read, or is no file of Quillet's, is left as it is,
    // and the session's settings go beside it; a full disk keeps the old file whole.
    void settingsFileIsNeverLost_data()
    {
        QTest::addColumn<QString>("plant");
        QTest::newRow("link") << "link";
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("unreadable") << "unreadable";
        QTest::newRow("full disk") << "full";
    }
    void settingsFileIsNeverLost()
    {
        QFETCH(QString, plant);
        QTemporaryDir dir, outside;
        const QString config = dir.filePath(QStringLiteral("config.txt"));
        const QString target = outside.filePath(QStringLiteral("precious"));
        QVERIFY(test::writeAll(target, "precious"));
        std::unique_ptr<test::SmallDisk> disk;
        if (plant == QLatin1String("link")) {
            QVERIFY(QFile::link(target, config));
        } else if (plant == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(config).constData(), 0600), 0);
        } else if (plant == QLatin1String("full")) {
            disk = std::make_unique<test::SmallDisk>(
                dir.path(), QFileInfo(QStringLiteral(QUILLET_BINARY)).size() + (1 << 20));
            if (!disk->ok())
                QSKIP("mounting a small disk needs root");
            QVERIFY(test::writeAll(config, kConfig));
        } else {
            QVERIFY(test::writeAll(config, kConfig));
            QFile::setPermissions(config, QFileDevice::WriteOwner);
        }
        const bool nobody = plant == QLatin1String("unreadable") && ::geteuid() == 0;
        if (nobody)
            QCOMPARE(::chown(QFile::encodeName(dir.path()).constData(), 65534, 65534) +
                         ::chown(QFile::encodeName(config).constData(), 65534, 65534),
                     0);
        if (disk)
            QTimer::singleShot(300, [&disk] { disk->fill(); });

        Program quillet(dir.filePath("quillet"), {}, nobody);
        QVERIFY(quillet.running());
        QCOMPARE(quillet.end(SIGTERM), 0);
        QCOMPARE(test::readAll(target), QByteArray("precious"));
        QVERIFY2(quillet.err.contains("config.txt"), quillet.err.constData());
        if (disk) {
            QCOMPARE(test::readAll(config), kConfig);
            QVERIFY2(quillet.err.contains("No space left"), quillet.err.constData());
        } else {
            QCOMPARE(test::fileMode(config), plant == QLatin1String("link")   ? 0777
                                             : plant == QLatin1String("fifo") ? 0600
                                                                              : 0200);
            const QString unsaved = config + QStringLiteral(".unsaved");
            QCOMPARE(test::readAll(unsaved).count("\r\n"), 25);
            QCOMPARE(test::fileMode(unsaved), 0600);
        }
    }

    // The command line answers without starting a watcher or making a file.
    void commandLine()
    {
        const QList<std::tuple<QString, int, QByteArray>> cases = {
            {"--help", 0, "Usage: quillet"},
            {"--version", 0, "Tarnwick Quillet 1.0.0\n"},
            {"-v", 2, "quillet: unknown argument: -v\nUsage:"}};
        for (const auto& [argument, exitCode, answer] : cases) {
            QTemporaryDir dir;
            Program quillet(dir.filePath("quillet"), {argument});
            QVERIFY(quillet.process.waitForFinished(10000));
            QCOMPARE(quillet.process.exitCode(), exitCode);
            QVERIFY((exitCode == 0 ? quillet.process.readAllStandardOutput()
                                   : quillet.process.readAllStandardError())
                        .startsWith(answer));
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                     QStringList{"quillet"});
        }
    }

    // Installed where Linux programs go, it keeps its files in the XDG folders, owner-only. A
    // second start asks the first to show its window and ends; the lock of a crashed copy
    // blocks nothing.
    void installedCopyIsOneCopy()
    {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath("bin") && QDir(root.path()).mkpath("share/applications"));
        QVERIFY(
            test::writeAll(root.filePath("share/applications/quillet.desktop"), "[Desktop Entry]"));
        const QString binary = root.filePath("bin/quillet");
        const QStringList env = {"HOME=" + root.filePath("home"),
                                 "XDG_CONFIG_HOME=", "XDG_DATA_HOME="};
        const QString settings = root.filePath("home/.config/quillet");
        auto first = std::make_unique<Program>(binary, QStringList(), false, env);
        QVERIFY(first->running());
        Program second(binary, {}, false, env);
        QVERIFY(second.process.waitForFinished(10000));
        QCOMPARE(second.process.exitCode(), 0);
        QCOMPARE(second.process.readAllStandardError(), "quillet: already running for " +
                                                            settings.toLocal8Bit() +
                                                            "; its window is shown\n");
        QCOMPARE(first->process.state(), QProcess::Running);
        first->end(SIGKILL);

        Program third(binary, {}, false, env);
        QVERIFY(third.running());
        QCOMPARE(third.end(SIGTERM), 0);
        QCOMPARE(test::fileMode(settings), 0700);
        QCOMPARE(test::fileMode(root.filePath("home/.local/share/quillet")), 0700);
        QCOMPARE(test::readAll(settings + "/config.txt").count("\r\n"), 25);
        QCOMPARE(QDir(root.filePath("bin")).entryList(QDir::Files), QStringList{"quillet"});
    }
};

QTEST_GUILESS_MAIN(TestProcess)
#include "tst_process.moc"
