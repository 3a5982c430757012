#include "TestSupport.h"

#include "platform/Download.h"
#include "platform/Shutdown.h"

#include <QElapsedTimer>
#include <QtTest>

#include <csignal>

using namespace quillet;

// A signal must reach the program even while it waits on a silent server. Once raised,
// the request stays for the whole process, so these cases live in a program of their own.
class TestShutdown : public QObject {
    Q_OBJECT

private slots:
    void signalInterruptsATransferAndRequestsShutdownOnce()
    {
        test::HttpPeer silent(QStringLiteral("hang"));
        QVERIFY(silent.ok());
        platform::setTransferTimeoutsForTesting(
            {std::chrono::seconds(20), std::chrono::seconds(20)});

        int requests = 0;
        platform::installShutdownSignals([&requests] { ++requests; });
        QVERIFY(!platform::shutdownRequested());
        QTest::qWait(50);
        QCOMPARE(requests, 0);

        std::raise(SIGTERM);
        std::raise(SIGINT);
        QVERIFY(platform::shutdownRequested());
        QTRY_COMPARE_WITH_TIMEOUT(requests, 1, 5000);

        QElapsedTimer timer;
        timer.start();
        platform::DownloadRequest request;
        request.url = "http://" + silent.hostPort().toLatin1() + "/";
        const platform::DownloadResult result = test::fetch(request);
        QVERIFY(!result.ok);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QTest::qWait(100);
        QCOMPARE(requests, 1);
    }
};

QTEST_GUILESS_MAIN(TestShutdown)
#include "tst_shutdown.moc"
