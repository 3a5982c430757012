#include "Harness.h"

#include "app/ConfigFile.h"
#include "monitor/CheckCycle.h"
#include "platform/InputBox.h"
#include "platform/Timer.h"
#include "platform/VersionInfo.h"
#include "ui/Tray.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace quillet;
using quillet::test::Harness;

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void firstStartWithoutConfig()
    {
        Harness h;
        QVERIFY2(h.echo.ok(), "echo server did not start");
        h.hostName = QStringLiteral("office pc");
        h.echo.answer("1.2.3.4");
        const int promptsBefore = platform::inputBoxRecord().shown;

        Quillet& app = h.start();

        QCOMPARE(platform::inputBoxRecord().shown, promptsBefore);
        // Nothing is built before it is needed: no window until one is asked for.
        QVERIFY(app.form() == nullptr);
        QCOMPARE(h.model().hostName(), QStringLiteral("office_pc"));
        // The file name was empty during initialisation: only Main's check ran.
        QCOMPARE(h.echoRequests(), 1);
        QCOMPARE(h.echo.requests().at(0).value(QStringLiteral("path")).toString(),
                 QStringLiteral("/getip_quillet_paidusers.php"));
        QCOMPARE(h.model().settings().txtFileName, QStringLiteral("ip.txt"));
        QCOMPARE(h.bytes(QStringLiteral("ip.txt")), QByteArray("1.2.3.4\r\n192.168.0.5\r\n"));
        QCOMPARE(h.bytes(QStringLiteral("ipchange.log")),
                 QByteArray("12-05-2026 15:23:38: , changed to 1.2.3.4,192.168.0.5\r\n"));
        QCOMPARE(h.actionRuns, 1);
        QCOMPARE(currentTrayTip(),
                 QStringLiteral("External IP: 1.2.3.4\r\nInternal IP: 192.168.0.5"));
        QVERIFY(platform::isTimerArmed(&app, kCheckTimerId));
        QVERIFY(isInTray());
        // Once built, the window shows the model and is titled for the version.
        QVERIFY(!h.form().isVisible());
        QCOMPARE(h.form().windowTitle(), BuildAppTitle(platform::versionRecord()));
        QCOMPARE(h.form().lblHostName->text(), QStringLiteral("office_pc"));
        QCOMPARE(h.form().txtExternalIP->text(), QStringLiteral("1.2.3.4"));

        // Shutdown: timer stopped, every setting saved, the icon gone.
        QSignalSpy finished(&app, &Quillet::finished);
        h.form().close();
        QCOMPARE(finished.size(), 1);
        QVERIFY(!platform::isTimerArmed(&app, kCheckTimerId));
        QVERIFY(!isInTray());
        const QList<QByteArray> lines = h.bytes(QStringLiteral("config.txt")).split('\n');
        QCOMPARE(lines.size(), kSettingCount + 1);
        QCOMPARE(lines.at(9), QByteArray("ip.txt\r"));

        // Clean-up runs once however it is reached.
        h.form().close();
        QCOMPARE(finished.size(), 1);
    }

    void promptNamesTheComputerAndTheAddressFile_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("shownName");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("answered") << "My PC"
                                  << "My_PC"
                                  << "ip_My_PC.txt";
        QTest::newRow("cancelled") << ""
                                   << ""
                                   << "ip_.txt";
    }
    void promptNamesTheComputerAndTheAddressFile()
    {
        QFETCH(QString, answer);
        QFETCH(QString, shownName);
        QFETCH(QString, fileName);
        Harness h;
        h.hostName.clear();
        h.echo.answer("1.2.3.4");
        const int promptsBefore = platform::inputBoxRecord().shown;
        platform::setNextInputBoxAnswer(answer);

        h.start();

        QCOMPARE(platform::inputBoxRecord().shown, promptsBefore + 1);
        QCOMPARE(platform::inputBoxRecord().title, h.app->state().AppTitle);
        QCOMPARE(platform::inputBoxRecord().prompt,
                 QStringLiteral("Please enter a short name for this computer (Letters and "
                                "Numbers only):"));
        QCOMPARE(h.model().hostName(), shownName);
        QCOMPARE(h.model().settings().txtFileName, fileName);
        QCOMPARE(h.bytes(fileName), QByteArray("1.2.3.4\r\n192.168.0.5\r\n"));
    }

    void missingAddressFileIsCheckedTwice()
    {
        Harness h;
        h.writeConfig(QStringLiteral("ip_office.txt"));
        h.echo.answer("1.2.3.4");

        h.start();

        // Once inside the initialisation, once from Main; only the first finds a change.
        QCOMPARE(h.echoRequests(), 2);
        QCOMPARE(h.actionRuns, 1);
        QCOMPARE(h.bytes(QStringLiteral("ipchange.log")).count("\r\n"), 1);
        QCOMPARE(h.bytes(QStringLiteral("ip_office.txt")),
                 QByteArray("1.2.3.4\r\n192.168.0.5\r\n"));
    }

    void restartReadsThePreviousAddresses_data()
    {
        QTest::addColumn<QByteArray>("echoAnswer");
        QTest::addColumn<QByteArray>("expectedLog");
        QTest::newRow("unchanged") << QByteArray("1.2.3.4") << QByteArray();
        QTest::newRow("changed while not running")
            << QByteArray("5.6.7.8")
            << QByteArray("12-05-2026 15:23:38: 1.2.3.4,192.168.0.5 changed to "
                          "5.6.7.8,192.168.0.5\r\n");
    }
    void restartReadsThePreviousAddresses()
    {
        QFETCH(QByteArray, echoAnswer);
        QFETCH(QByteArray, expectedLog);
        Harness h;
        h.writeConfig(QStringLiteral("ip_office.txt"));
        test::writeAll(h.file(QStringLiteral("ip_office.txt")), " 1.2.3.4 \r\n192.168.0.5\r\n");
        h.echo.answer(echoAnswer);

        h.start();

        QCOMPARE(h.echoRequests(), 1);
        QCOMPARE(h.bytes(QStringLiteral("ipchange.log")), expectedLog);
        QCOMPARE(h.actionRuns, expectedLog.isEmpty() ? 0 : 1);
        QCOMPARE(h.model().externalIP(), QString::fromLatin1(echoAnswer));
    }

    void addressFileWithOneLine()
    {
        Harness h;
        h.writeConfig(QStringLiteral("ip_office.txt"));
        test::writeAll(h.file(QStringLiteral("ip_office.txt")), "1.2.3.4");
        h.internal.clear();
        h.echo.answer("1.2.3.4");
        h.start();
        QCOMPARE(h.app->state().PrevInternalIP, QString());
        QCOMPARE(h.actionRuns, 0);
        QCOMPARE(currentTrayTip(), QStringLiteral("External IP: 1.2.3.4"));
    }

    // Saved a second after an edit, so a crash loses little; a save that fails says so in the
    // window, red under the status lines.
    void editsAreSavedSoonOrShownUnsaved()
    {
        Harness h;
        h.echo.answer("1.2.3.4");
        h.start();
        h.form().txtSMTPServer->setText(QStringLiteral("smtp.example.net"));
        QTRY_VERIFY_WITH_TIMEOUT(h.bytes("config.txt").contains("\r\nsmtp.example.net\r\n"), 3000);
        QVERIFY(QFile::remove(h.file("config.txt")) && QDir(h.dir.path()).mkdir("config.txt"));
        h.form().txtSMTPServer->setText(QStringLiteral("smtp2.example.net"));
        QTRY_VERIFY_WITH_TIMEOUT(h.form().lblSaveProblem->isVisibleTo(&h.form()), 3000);
        QVERIFY(h.form().lblSaveProblem->text().startsWith("Settings not saved: "));
        QCOMPARE(h.form().lblSaveProblem->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
