#include "TestSupport.h"

#include <QDeadlineTimer>
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

struct Run {
    int exitCode = -1;
    QByteArray err;
};

// The built program as its own process in `dir`, with no display at all: started, left to
// settle, then ended by `signal`.
Run runAndEnd(const QString& dir, int signal, bool asNobody = false)
{
    const QString binary = dir + QStringLiteral("/quillet");
    QFile::copy(QStringLiteral(QUILLET_BINARY), binary);
    QProcess quillet;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    quillet.setProcessEnvironment(env);
    if (asNobody)
        quillet.start(QStringLiteral("setpriv"),
                      {"--reuid=nobody", "--regid=nogroup", "--clear-groups", binary});
    else
        quillet.start(binary, {});
    Run run;
    if (!quillet.waitForStarted(10000))
        return run;
    // Running once it has said where it draws; its checks fail fast (nothing listens).
    const QDeadlineTimer deadline(20000);
    while (!run.err.contains('\n') && !deadline.hasExpired() &&
           quillet.state() == QProcess::Running) {
        quillet.waitForReadyRead(200);
        run.err += quillet.readAllStandardError();
    }
    QTest::qWait(500);
    ::kill(static_cast<pid_t>(quillet.processId()), signal);
    if (quillet.waitForFinished(20000) && quillet.exitStatus() == QProcess::NormalExit)
        run.exitCode = quillet.exitCode();
    run.err += quillet.readAllStandardError();
    return run;
}

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
        const Run run = runAndEnd(dir.path(), signal);
        QVERIFY2(run.err.contains("offscreen"), run.err.constData());
        QCOMPARE(run.exitCode, 0);
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

        const Run run = runAndEnd(dir.path(), SIGTERM, nobody);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(test::readAll(target), QByteArray("precious"));
        QVERIFY2(run.err.contains("config.txt"), run.err.constData());
        if (disk) {
            QCOMPARE(test::readAll(config), kConfig);
            QVERIFY2(run.err.contains("No space left"), run.err.constData());
        } else {
            QCOMPARE(test::fileMode(config), plant == QLatin1String("link")   ? 0777
                                             : plant == QLatin1String("fifo") ? 0600
                                                                              : 0200);
            const QString unsaved = config + QStringLiteral(".unsaved");
            QCOMPARE(test::readAll(unsaved).count("\r\n"), 25);
            QCOMPARE(test::fileMode(unsaved), 0600);
        }
    }
};

QTEST_GUILESS_MAIN(TestProcess)
#include "tst_process.moc"
