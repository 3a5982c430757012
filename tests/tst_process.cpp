#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace quillet;

// The built program, started as its own process from a program directory of its own.
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
    }

    void signalEndsTheRunCleanly_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void signalEndsTheRunCleanly()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString binary = dir.filePath(QStringLiteral("quillet"));
        QVERIFY(QFile::copy(QStringLiteral(QUILLET_BINARY), binary));

        QProcess quillet;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // No display at all: the program must find its own way.
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        quillet.setProcessEnvironment(env);
        quillet.start(binary, {});
        QVERIFY(quillet.waitForStarted(10000));

        // Running once it has said where it draws; the checks fail fast (nothing listens).
        QByteArray err;
        const QDeadlineTimer deadline(20000);
        while (!err.contains('\n') && !deadline.hasExpired() &&
               quillet.state() == QProcess::Running) {
            quillet.waitForReadyRead(200);
            err += quillet.readAllStandardError();
        }
        QVERIFY2(err.contains("offscreen"), err.constData());
        QTest::qWait(300);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("config.txt"))));

        ::kill(static_cast<pid_t>(quillet.processId()), signal);
        QVERIFY(quillet.waitForFinished(20000));
        QCOMPARE(quillet.exitStatus(), QProcess::NormalExit);
        QCOMPARE(quillet.exitCode(), 0);

        const QByteArray config = test::readAll(dir.filePath(QStringLiteral("config.txt")));
        QCOMPARE(config.count("\r\n"), 21);
        QVERIFY(config.endsWith("http://\r\n"));
        QCOMPARE(QFile::permissions(dir.filePath(QStringLiteral("config.txt"))) &
                     (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
    }
};

QTEST_GUILESS_MAIN(TestProcess)
#include "tst_process.moc"
