#include "Harness.h"

#include "platform/Download.h"
#include "ui/Tray.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <sys/stat.h>

using namespace quillet;
using quillet::test::Harness;

namespace {

// A run that starts from an address file of 1.2.3.4 and 192.168.0.5, with no change.
void startSettled(Harness& h)
{
    h.writeConfig(QStringLiteral("ip_office.txt"));
    test::writeAll(h.file(QStringLiteral("ip_office.txt")), "1.2.3.4\r\n192.168.0.5\r\n");
    h.echo.answer("1.2.3.4");
    h.start();
    QCOMPARE(h.actionRuns, 0);
    QVERIFY(!h.exists(QStringLiteral("ipchange.log")));
}

QByteArray logLine(const char* change)
{
    return QByteArray("12-05-2026 15:23:38: ") + change + "\r\n";
}

} // namespace

class TestCheckCycle : public QObject {
    Q_OBJECT

private slots:
    void changeIsLoggedAndActedOn_data()
    {
        QTest::addColumn<QByteArray>("echoAnswer");
        QTest::addColumn<QString>("internal");
        QTest::addColumn<QByteArray>("addressFile");
        QTest::addColumn<QByteArray>("log");
        QTest::newRow("external") << QByteArray("5.6.7.8") << "192.168.0.5"
                                  << QByteArray("5.6.7.8\r\n192.168.0.5\r\n")
                                  << logLine("1.2.3.4,192.168.0.5 changed to 5.6.7.8,192.168.0.5");
        QTest::newRow("internal only")
            << QByteArray("1.2.3.4") << "10.0.0.7" << QByteArray("1.2.3.4\r\n10.0.0.7\r\n")
            << logLine("1.2.3.4,192.168.0.5 changed to 1.2.3.4,10.0.0.7");
        QTest::newRow("no adapter") << QByteArray("1.2.3.4") << "" << QByteArray("1.2.3.4\r\n\r\n")
                                    << logLine("1.2.3.4,192.168.0.5 changed to 1.2.3.4,");
        // A line break that ends the page's answer is no part of the address.
        QTest::newRow("line break trimmed")
            << QByteArray("5.6.7.8\r\n") << "192.168.0.5"
            << QByteArray("5.6.7.8\r\n192.168.0.5\r\n")
            << logLine("1.2.3.4,192.168.0.5 changed to 5.6.7.8,192.168.0.5");
    }
    void changeIsLoggedAndActedOn()
    {
        QFETCH(QByteArray, echoAnswer);
        QFETCH(QString, internal);
        QFETCH(QByteArray, addressFile);
        QFETCH(QByteArray, log);
        Harness h;
        startSettled(h);
        h.echo.answer(echoAnswer);
        h.internal = internal;

        h.check();

        QCOMPARE(h.bytes(QStringLiteral("ip_office.txt")), addressFile);
        QCOMPARE(h.bytes(QStringLiteral("ipchange.log")), log);
        QCOMPARE(h.actionRuns, 1);
        // Answers are read in memory: no scratch file of any kind.
        QCOMPARE(QDir(h.dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"config.txt", "ip_office.txt", "ipchange.log"}));

        // The next check with the same answers is no change.
        h.check();
        QCOMPARE(h.actionRuns, 1);
        QCOMPARE(h.bytes(QStringLiteral("ipchange.log")), log);
    }

    // An outage, or the page's own "0.0.0.0", is never logged; the address before it stays
    // what the next known address is compared with, so no change is lost.
    void outageLosesNoChange_data()
    {
        QTest::addColumn<QByteArray>("failure"); // the echo page's answer; empty: nobody answers
        QTest::addColumn<QByteArray>("back");
        QTest::addColumn<QByteArray>("fileDuring");
        const QByteArray kept = "1.2.3.4\r\n192.168.0.5\r\n";
        QTest::newRow("error page, then a new address")
            << QByteArray("STATUS 500\n<html>Server Error</html>") << QByteArray("5.6.7.8") << kept;
        QTest::newRow("captive portal, then the same address")
            << QByteArray("<html>Log in</html>") << QByteArray("1.2.3.4") << kept;
        QTest::newRow("nothing listening, then a new address")
            << QByteArray() << QByteArray("5.6.7.8") << kept;
        QTest::newRow("page's 0.0.0.0, then a new address")
            << QByteArray("0.0.0.0") << QByteArray("5.6.7.8")
            << QByteArray("0.0.0.0\r\n192.168.0.5\r\n");
    }
    void outageLosesNoChange()
    {
        QFETCH(QByteArray, failure);
        QFETCH(QByteArray, back);
        QFETCH(QByteArray, fileDuring);
        Harness h;
        startSettled(h);
        if (failure.isEmpty())
            setEchoHostForTesting(QStringLiteral("127.0.0.1:%1").arg(test::unusedPort()));
        else if (failure.startsWith("STATUS "))
            h.echo.answer(failure.mid(failure.indexOf('\n') + 1), 500);
        else
            h.echo.answer(failure);

        for (int check = 0; check < 2; ++check)
            h.check();
        QCOMPARE(h.model().externalIP(), QStringLiteral("0.0.0.0"));
        QCOMPARE(h.model().internalIP(), QStringLiteral("192.168.0.5"));
        QCOMPARE(h.bytes(QStringLiteral("ip_office.txt")), fileDuring);
        QVERIFY(!h.exists(QStringLiteral("ipchange.log")));
        QCOMPARE(h.actionRuns, 0);
        QCOMPARE(currentTrayTip(),
                 QStringLiteral("External IP: 0.0.0.0\r\nInternal IP: 192.168.0.5"));

        setEchoHostForTesting(h.echo.hostPort());
        h.echo.answer(back);
        h.check();
        const bool changed = back != "1.2.3.4";
        QCOMPARE(h.bytes(QStringLiteral("ipchange.log")),
                 changed ? logLine("1.2.3.4,192.168.0.5 changed to 5.6.7.8,192.168.0.5")
                         : QByteArray());
        QCOMPARE(h.actionRuns, changed ? 1 : 0);
        QCOMPARE(h.bytes(QStringLiteral("ip_office.txt")), back + "\r\n192.168.0.5\r\n");
    }

    // Files of Quillet's own only: a planted link is left alone, a name that leads out of the
    // folder is refused, and what is created is its owner's whatever the umask.
    void filesStayInsideAndOwnerOnly()
    {
        QTemporaryDir outside;
        const QString target = outside.filePath(QStringLiteral("target"));
        QVERIFY(test::writeAll(target, "mine"));
        Harness h;
        startSettled(h);
        QVERIFY(QFile::link(target, h.file(QStringLiteral("ipchange.log"))));
        const mode_t umask = ::umask(0);
        // A sibling of the program's folder: a write there would land beside the target.
        h.form().txtFileName->setText(
            QStringLiteral("../%1/escaped-ip.txt").arg(QFileInfo(outside.path()).fileName()));
        h.echo.answer("5.6.7.8");
        h.check();
        ::umask(umask);
        QCOMPARE(h.actionRuns, 1);
        QCOMPARE(test::readAll(target), QByteArray("mine"));
        QCOMPARE(QDir(outside.path()).entryList(QDir::Files), QStringList{"target"});
        QCOMPARE(h.bytes(QStringLiteral("ip_office.txt")),
                 QByteArray("5.6.7.8\r\n192.168.0.5\r\n"));
        QCOMPARE(test::fileMode(h.file(QStringLiteral("ip_office.txt"))), 0600);
        QVERIFY(h.form().txtFileName->toolTip().startsWith(QStringLiteral("Not used: ")));
        h.form().txtFileName->setText(QStringLiteral("ip_new.txt"));
        QVERIFY(!h.form().txtFileName->toolTip().startsWith(QStringLiteral("Not used: ")));
    }

    // A full disk keeps the address file whole, and the change log gets whole lines only.
    void fullDiskLosesNothing()
    {
        Harness h;
        test::SmallDisk disk(h.dir.path(), 64 * 1024);
        if (!disk.ok())
            QSKIP("mounting a small disk needs root");
        startSettled(h);
        const QByteArray log = QByteArray(4096 - 10, 'x') + "\r\n";
        QVERIFY(test::writeAll(h.file(QStringLiteral("ipchange.log")), log));
        disk.fill();
        h.echo.answer("5.6.7.8");
        h.check();
        QCOMPARE(h.bytes(QStringLiteral("ip_office.txt")),
                 QByteArray("1.2.3.4\r\n192.168.0.5\r\n"));
        QCOMPARE(h.bytes(QStringLiteral("ipchange.log")), log);
        QCOMPARE(h.actionRuns, 1);
    }

    void blankFileNameBecomesIpTxt()
    {
        Harness h;
        startSettled(h);
        h.form().txtFileName->setText(QStringLiteral("   "));
        h.check();
        QCOMPARE(h.form().txtFileName->text(), QStringLiteral("ip.txt"));
        QCOMPARE(h.app->state().IPFilePath, h.file(QStringLiteral("ip.txt")));
        QCOMPARE(h.bytes(QStringLiteral("ip.txt")), QByteArray("1.2.3.4\r\n192.168.0.5\r\n"));
    }

    void buttons()
    {
        Harness h;
        startSettled(h);
        const qsizetype lookups = h.echoRequests();

        // "refresh" twice with nothing changed: two lookups, nothing else.
        h.form().cmdCheckNow->click();
        h.settle();
        h.form().cmdCheckNow->click();
        h.settle();
        QCOMPARE(h.echoRequests(), lookups + 2);
        QCOMPARE(h.actionRuns, 0);

        // "Execute Selected Actions": the actions, without a lookup or a log line.
        h.form().cmdUploadNow->click();
        h.settle();
        QCOMPARE(h.actionRuns, 1);
        QCOMPARE(h.echoRequests(), lookups + 2);
        QVERIFY(!h.exists(QStringLiteral("ipchange.log")));
        QVERIFY(h.form().cmdUploadNow->isEnabled());
    }

    // The tray tells when the last run had a failure, and which actions failed; the next
    // run without one clears it.
    void trayTellsOfFailures()
    {
        Harness h;
        startSettled(h);
        h.runActions = true;
        const QString tip = QStringLiteral("External IP: 1.2.3.4\r\nInternal IP: 192.168.0.5");
        for (const int port : {0, 21}) { // 0 is no port; with nothing ticked nothing fails
            h.edit([port](Settings& s) {
                s.chkUploadFile = s.chkExecuteURL = port == 0;
                s.txtFTPport = QString::number(port);
                s.txtExecuteURL = QStringLiteral("http://127.0.0.1:%1/").arg(test::unusedPort());
            });
            h.app->ExecuteActions();
            h.settle();
            QCOMPARE(currentTrayTip(), port == 0 ? tip + "\r\nFailed: FTP, URL" : tip);
        }
    }

    // One thing at a time: what is asked for meanwhile runs once after it, however often it
    // was asked. The window's thread answers all along, even while a server stalls, and the
    // end cuts a stalled transfer short.
    void requestsWaitTheirTurnAndNothingFreezes()
    {
        Harness h;
        startSettled(h);
        test::HttpPeer silent(QStringLiteral("hang"));
        QVERIFY(silent.ok());
        setEchoHostForTesting(silent.hostPort());
        platform::setTransferTimeoutsForTesting(
            {std::chrono::milliseconds(1000), std::chrono::milliseconds(1500)});
        int runs = 0;
        h.app->monitor().actionRunner = [&runs](RunCause, std::function<void()> done) {
            ++runs;
            QTimer::singleShot(300, std::move(done));
        };
        QElapsedTimer clock;
        qint64 last = 0, longestGap = 0;
        QTimer beat;
        QObject::connect(&beat, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, clock.elapsed() - last);
            last = clock.elapsed();
        });
        clock.start();
        beat.start(10);

        h.app->ExecuteActions();
        for (int i = 0; i < 3; ++i) {
            h.app->CheckIPChange();
            h.app->ExecuteActions();
        }
        QVERIFY(h.settle());
        QCOMPARE(runs, 2);
        QCOMPARE(h.model().externalIP(), QStringLiteral("0.0.0.0")); // one stalled check
        QVERIFY2(longestGap < 50, qPrintable(QString::number(longestGap)));

        h.app->CheckIPChange();
        h.model().setAddresses(QStringLiteral("before the end"), {});
        QSignalSpy finished(h.app.get(), &Quillet::finished);
        const qint64 asked = clock.elapsed();
        h.app->requestShutdown();
        QCOMPARE(finished.size(), 1);
        QVERIFY(clock.elapsed() - asked < 500);
        QVERIFY(h.bytes(QStringLiteral("config.txt")).contains("ip_office.txt"));
        QTest::qWait(1700); // past the time-out: the stalled check never comes back
        QCOMPARE(h.model().externalIP(), QStringLiteral("before the end"));
    }
};

QTEST_MAIN(TestCheckCycle)
#include "tst_checkcycle.moc"
