#include "Harness.h"

#include "ui/modAddToTray.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

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
        // Only blanks are trimmed: a line break from the page is part of the address.
        QTest::newRow("line break kept")
            << QByteArray(" 5.6.7.8\n ") << "192.168.0.5"
            << QByteArray("5.6.7.8\n\r\n192.168.0.5\r\n")
            << logLine("1.2.3.4,192.168.0.5 changed to 5.6.7.8\n,192.168.0.5");
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

        h.app->CheckIPChange();

        QCOMPARE(h.bytes(QStringLiteral("ip_office.txt")), addressFile);
        QCOMPARE(h.bytes(QStringLiteral("ipchange.log")), log);
        QCOMPARE(h.actionRuns, 1);

        // The next check with the same answers is no change.
        h.app->CheckIPChange();
        QCOMPARE(h.actionRuns, 1);
        QCOMPARE(h.bytes(QStringLiteral("ipchange.log")), log);
    }

    void lostConnectionAndTheFirstCheckAfterIt_data()
    {
        QTest::addColumn<bool>("serverGone");
        QTest::newRow("error answer") << false;
        QTest::newRow("nothing listening") << true;
    }
    void lostConnectionAndTheFirstCheckAfterIt()
    {
        QFETCH(bool, serverGone);
        Harness h;
        startSettled(h);
        if (serverGone)
            setEchoHostForTesting(QStringLiteral("127.0.0.1:%1").arg(test::unusedPort()));
        else
            h.echo.answer("<html>Server Error</html>", 500);
        h.internal = QStringLiteral("10.0.0.7");

        h.app->CheckIPChange();

        QCOMPARE(h.form().txtExternalIP->text(), QStringLiteral("0.0.0.0"));
        QCOMPARE(h.form().txtInternalIP->text(), QStringLiteral("10.0.0.7"));
        QCOMPARE(h.bytes(QStringLiteral("ip_office.txt")),
                 QByteArray("1.2.3.4\r\n192.168.0.5\r\n"));
        QVERIFY(!h.exists(QStringLiteral("ipchange.log")));
        QVERIFY(!h.exists(QStringLiteral("externalip.txt")));
        QCOMPARE(h.actionRuns, 0);
        QCOMPARE(currentTrayTip(), QStringLiteral("External IP: 0.0.0.0\r\nInternal IP: 10.0.0.7"));

        // Back with a new address: remembered and written, but not logged.
        setEchoHostForTesting(h.echo.hostPort());
        h.echo.answer("5.6.7.8");
        h.app->CheckIPChange();
        QCOMPARE(h.bytes(QStringLiteral("ip_office.txt")), QByteArray("5.6.7.8\r\n10.0.0.7\r\n"));
        QVERIFY(!h.exists(QStringLiteral("ipchange.log")));
        QCOMPARE(h.actionRuns, 0);

        // The next change is logged as usual.
        h.echo.answer("9.9.9.9");
        h.app->CheckIPChange();
        QCOMPARE(h.bytes(QStringLiteral("ipchange.log")),
                 logLine("5.6.7.8,10.0.0.7 changed to 9.9.9.9,10.0.0.7"));
        QCOMPARE(h.actionRuns, 1);
    }

    // Neither answer is a change: an unknown address is written but never compared, and
    // an empty answer leaves the address shown before.
    void answersThatAreNoChange_data()
    {
        QTest::addColumn<QByteArray>("echoAnswer");
        QTest::addColumn<QByteArray>("addressFile");
        QTest::newRow("0.0.0.0") << QByteArray("0.0.0.0")
                                 << QByteArray("0.0.0.0\r\n192.168.0.5\r\n");
        QTest::newRow("empty") << QByteArray() << QByteArray("1.2.3.4\r\n192.168.0.5\r\n");
    }
    void answersThatAreNoChange()
    {
        QFETCH(QByteArray, echoAnswer);
        QFETCH(QByteArray, addressFile);
        Harness h;
        startSettled(h);
        h.echo.answer(echoAnswer);
        h.app->CheckIPChange();
        QCOMPARE(h.bytes(QStringLiteral("ip_office.txt")), addressFile);
        QVERIFY(!h.exists(QStringLiteral("ipchange.log")));
        QCOMPARE(h.actionRuns, 0);
    }

    void blankFileNameBecomesIpTxt()
    {
        Harness h;
        startSettled(h);
        h.form().txtFileName->setText(QStringLiteral("   "));
        h.app->CheckIPChange();
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
        h.form().cmdCheckNow->click();
        QCOMPARE(h.echoRequests(), lookups + 2);
        QCOMPARE(h.actionRuns, 0);

        // "Execute Selected Actions": the actions, without a lookup or a log line.
        h.form().cmdUploadNow->click();
        QCOMPARE(h.actionRuns, 1);
        QCOMPARE(h.echoRequests(), lookups + 2);
        QVERIFY(!h.exists(QStringLiteral("ipchange.log")));
        QVERIFY(h.form().cmdUploadNow->isEnabled());
    }
};

QTEST_MAIN(TestCheckCycle)
#include "tst_checkcycle.moc"
