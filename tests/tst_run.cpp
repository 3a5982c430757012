// A whole run in one process: start-up, checks, the address file and change log, the
// actions in order against real servers, autosave and shutdown.
#include "Harness.h"

#include "actions/EmailAction.h"
#include "platform/VersionInfo.h"
#include "ui/TrayController.h"

#include <QTcpServer>

#include <sys/stat.h>
#include <unistd.h>

using namespace quillet;
using test::Harness;

namespace {
const QByteArray kKnown = "1.2.3.4\r\n192.168.0.5\r\n";
QByteArray logLine(const char* change)
{
    return QByteArray("12-05-2026 15:23:38: ") + change + "\r\n";
}
} // namespace

class TestRun : public QObject {
    Q_OBJECT
    test::HttpPeer echo;

private slots:
    void initTestCase() { QVERIFY2(echo.ok(), "echo server did not start"); }

    // The first start: the name of the computer (asked for when the system has none) names
    // the address file; no window is built until needed; shutdown saves, once. Asked to end
    // while it asks, it ends and writes nothing. Temporary files a killed copy left go.
    void firstStart_data()
    {
        QTest::addColumn<QStringList>("c"); // the system's name, the one shown, the file
        QTest::newRow("known") << QStringList{"office pc", "office_pc", "ip.txt"};
        QTest::newRow("asked") << QStringList{"", "My_PC", "ip_My_PC.txt"};
        QTest::newRow("ended while asked") << QStringList{"", "", ""};
    }
    void firstStart()
    {
        QFETCH(QStringList, c);
        const QString hostName = c[0], shown = c[1], fileName = c[2];
        Harness h(echo);
        h.hostName = hostName;
        h.promptAnswer = QStringLiteral("My PC");
        if (fileName.isEmpty())
            h.duringPrompt = [&h] { h.app->requestShutdown(); };
        for (const char* stray : {"config.txt.Ab12Cd", "config.txt.bak.Xy9z0Q", "notes.Ab12Cd"})
            QVERIFY(test::writeAll(h.file(stray), "stray"));
        Application& app = h.start(false);
        QCOMPARE(QDir(h.dir.path()).entryList({"*.??????"}), QStringList{"notes.Ab12Cd"});
        if (fileName.isEmpty()) {
            QVERIFY(!h.started && !QFile::exists(h.file("config.txt")));
            return;
        }

        QCOMPARE(h.prompts, hostName.isEmpty() ? 1 : 0);
        QCOMPARE(h.model().hostName(), shown);
        QCOMPARE(h.bytes(fileName), kKnown);
        QCOMPARE(h.bytes("ipchange.log"), logLine(", changed to 1.2.3.4,192.168.0.5"));
        QCOMPARE(h.actionRuns, 1);
        QCOMPARE(app.tray().tip(), "External IP: 1.2.3.4\r\nInternal IP: 192.168.0.5");
        QVERIFY(app.checkTimerArmed() && app.tray().menu() == nullptr);
        QCOMPARE(app.window()->windowTitle(), platform::versionTitle());
        QCOMPARE(h.ui().externalAddressEdit->text(), QStringLiteral("1.2.3.4"));

        QSignalSpy finished(&app, &Application::finished);
        app.window()->close();
        app.window()->close();
        QCOMPARE(finished.size(), 1);
        QVERIFY(!app.checkTimerArmed());
        QCOMPARE(h.bytes("config.txt").split('\n').value(9), fileName.toLatin1() + '\r');
    }

    // Against the addresses of the last run: a change found at start-up or later is logged
    // and acted on once; the page's line break is no part of the address. A failed lookup
    // (the page's "0.0.0.0" too) shows 0.0.0.0 and is logged nowhere, and the address before
    // it stays what the next one is compared with, so no change is lost.
    void changeIsLoggedAndActedOn_data()
    {
        QTest::addColumn<QByteArrayList>("answers"); // those after the start's
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QString>("internal");
        const auto row = [](const char* name, const char* answers, bool changed,
                            const char* internal = "192.168.0.5") {
            QTest::newRow(name) << QByteArray(answers).split('|') << changed << QString(internal);
        };
        row("none", "1.2.3.4", false);
        row("external", "5.6.7.8\r\n", true);
        row("provider's NAT", "100.64.0.1", true);
        row("internal gone", "1.2.3.4", true, "");
        row("error page, then another", "STATUS 500\nError|STATUS 500\nError|5.6.7.8", true);
        row("portal, then the same", "<html>Log in</html>|1.2.3.4", false);
        row("page's 0.0.0.0, then another", "0.0.0.0|5.6.7.8", true);
    }
    void changeIsLoggedAndActedOn()
    {
        QFETCH(QByteArrayList, answers);
        QFETCH(bool, changed);
        QFETCH(QString, internal);
        const QByteArray now = answers.last().trimmed() + "," + internal.toLatin1();
        const QByteArray log = changed ? logLine("1.2.3.4,192.168.0.5 changed to " + now) : "";
        for (const bool atStart : {true, false}) {
            Harness h(echo);
            if (atStart)
                h.echoPeer.answer(answers.first()), h.internal(internal);
            h.start();
            h.internal(internal);
            for (const QByteArray& answer : answers) {
                h.echoPeer.answer(answer);
                h.app->checkNow();
                QCOMPARE(h.ui().checkLabel->text(), "Checking the addresses…");
                h.settle();
                // Why the address is unknown, or what to know of it: in the tray's tip (which
                // marks the icon for the first), the box's tip and under the addresses.
                const AddressCheck& check = h.model().addressCheck();
                const QString why = check.problem + check.notes.join("");
                QCOMPARE(h.ui().checkLabel->text(),
                         "Checked at 15:23:38" + (why.isEmpty() ? "" : ": " + why));
                QVERIFY(h.ui().externalAddressEdit->toolTip().endsWith(why));
                QVERIFY(h.app->tray().tip().endsWith(why));
                if (h.model().addresses().external == "0.0.0.0") {
                    QCOMPARE(h.bytes("ip_office.txt"), kKnown);
                    QCOMPARE(h.app->tray().tip(), "External IP: 0.0.0.0\r\nInternal IP: " +
                                                      internal + "\r\nExternal IP unknown: " + why);
                }
            }
            QCOMPARE(h.bytes("ip_office.txt"), QByteArray(now).replace(',', "\r\n") + "\r\n");
            QCOMPARE(h.bytes("ipchange.log"), log);
            QCOMPARE(h.actionRuns, log.isEmpty() ? 0 : 1);
            // Answers are read in memory: no scratch file of any kind. A change is recorded.
            QCOMPARE(QDir(h.dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                     log.isEmpty() ? 2 : 4);
        }
    }

    // "View IP Change Log" opens the log with the desktop's handler; where there is none, in
    // a window of its own. Files of Quillet's own only: a planted link is left alone, a name
    // that leads out of the folder or names a file of Quillet's own is refused, and what is
    // created is its owner's whatever the umask. Settings are saved a second after an edit, so
    // a crash loses little; a save that fails says so in red under the status lines. After
    // the start the window's thread reads and writes none of these files itself.
    void filesAreItsOwnAndShown()
    {
        Harness h(echo);
        h.start();
        h.filesOnMainThread.clear();
        QVERIFY(test::writeAll(h.file("ipchange.log"), "a change\r\n"));
        h.desktopOpens = false;
        QTest::mouseClick(h.ui().viewLogLink, Qt::LeftButton);
        QCOMPARE(h.opened, QList<QUrl>{QUrl::fromLocalFile(h.file("ipchange.log"))});
        QTRY_VERIFY(h.app->window()->findChild<QPlainTextEdit*>("changeLogViewer"));
        const auto* viewer = h.app->window()->findChild<QPlainTextEdit*>("changeLogViewer");
        QVERIFY(viewer->isVisible() && viewer->toPlainText() == "a change\n");

        QTemporaryDir outside;
        const QString target = outside.filePath(QStringLiteral("target"));
        QVERIFY(test::writeAll(target, "mine") && QFile::remove(h.file("ipchange.log")));
        QVERIFY(QFile::link(target, h.file("ipchange.log")));
        const mode_t umask = ::umask(0);
        const QString out = QFileInfo(outside.path()).fileName();
        int check = 0;
        QStringList refused =
            QString("..|config.txt|ipchange.log|quillet.lock|config.txt.bak.3|config.txt.Q1w2E3")
                .split('|');
        refused << outside.filePath("escaped.txt") << "../" + out + "/x.txt";
        for (const QString& name : refused) {
            h.ui().fileNameEdit->setText(name);
            const QByteArray answer = "5.6.7." + QByteArray::number(++check);
            h.echoPeer.answer(answer);
            h.check();
            QCOMPARE(h.bytes("ip_office.txt"), answer + "\r\n192.168.0.5\r\n");
            QVERIFY(h.ui().fileNameEdit->toolTip().startsWith(QStringLiteral("Not used: ")));
        }
        ::umask(umask);
        QCOMPARE(h.actionRuns, refused.size());
        QCOMPARE(test::readAll(target), QByteArray("mine"));
        QCOMPARE(QDir(outside.path()).entryList(QDir::Files), QStringList{"target"});
        QCOMPARE(test::fileMode(h.file("ip_office.txt")), 0600);

        h.ui().smtpServerEdit->setText(QStringLiteral("smtp.example.net"));
        QTRY_VERIFY_WITH_TIMEOUT(h.bytes("config.txt").contains("\r\nsmtp.example.net\r\n"), 5000);
        QVERIFY(QFile::remove(h.file("config.txt")) && QDir(h.dir.path()).mkdir("config.txt"));
        h.ui().smtpServerEdit->setText(QStringLiteral("smtp2.example.net"));
        QTRY_VERIFY_WITH_TIMEOUT(h.ui().problemLabel->isVisibleTo(h.app->window()), 5000);
        QVERIFY(h.ui().problemLabel->text().startsWith("Settings not saved: "));
        QVERIFY(h.app->tray().tip().contains("\r\nSettings not saved: "));
        QCOMPARE(h.filesOnMainThread, QStringList());
    }

    // A full disk (a small tmpfs, which only root can mount) keeps the address file whole,
    // and the change log gets whole lines only.
    void fullDiskLosesNothing()
    {
        Harness h(echo);
        const QString dir = h.dir.path();
        if (::geteuid() != 0 ||
            QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", dir}) != 0)
            QSKIP("mounting a small disk needs root");
        const auto unmount = qScopeGuard([dir] { QProcess::execute("umount", {"-l", dir}); });
        h.start();
        const QByteArray log = QByteArray(4096 - 10, 'x') + "\r\n";
        QVERIFY(test::writeAll(h.file("ipchange.log"), log));
        QFile filler(h.file("filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        for (qint64 block = 4096; block > 0; block /= 2) // to the last byte
            while (filler.write(QByteArray(block, 'f')) == block && filler.size() < 65536) {
            }
        h.echoPeer.answer("5.6.7.8");
        h.check();
        QCOMPARE(h.bytes("ip_office.txt"), kKnown);
        QCOMPARE(h.bytes("ipchange.log"), log);
        QCOMPARE(h.actionRuns, 1);
    }

    // Checks, and action runs, one at a time: what is asked for meanwhile runs once after,
    // however often it was asked. A check never waits for a run; a change it finds then is
    // acted on once the run has ended. The window's thread answers all along, even while a
    // server stalls, and the end cuts a stalled transfer short.
    void requestsWaitTheirTurnAndNothingFreezes()
    {
        Harness h(echo);
        h.start();
        QList<RunCause> runs;
        h.app->monitor().runActions = [&runs](const RunOrder& order, std::function<void()> done) {
            runs << order.cause;
            QTimer::singleShot(1000, std::move(done));
        };
        h.app->runActionsNow();
        h.echoPeer.answer("5.6.7.8");
        h.app->checkNow();
        QTRY_VERIFY_WITH_TIMEOUT(!h.bytes("ipchange.log").isEmpty(), 900);
        QCOMPARE(runs, QList<RunCause>{RunCause::User});
        QVERIFY(h.settle());
        QCOMPARE(runs, (QList<RunCause>{RunCause::User, RunCause::Change}));

        QTcpServer silent; // accepts and never answers
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        h.echoHost = QStringLiteral("127.0.0.1:%1").arg(silent.serverPort());
        h.transferTimeouts = {std::chrono::milliseconds(1000), std::chrono::milliseconds(1500)};
        const test::Heartbeat heart;
        for (int i = 0; i < 3; ++i) {
            h.app->runActionsNow();
            h.app->checkNow();
        }
        QVERIFY(h.settle());
        QCOMPARE(runs.size(), 4);
        QCOMPARE(h.model().addresses().external, QStringLiteral("0.0.0.0")); // stalled checks
        // A wait on the network would stall the beat for a whole time-out.
        QVERIFY2(heart.gap < 500, qPrintable(QString::number(heart.gap)));

        h.app->checkNow();
        h.model().setAddresses({QStringLiteral("before the end"), {}});
        QSignalSpy finished(h.app.get(), &Application::finished);
        h.app->requestShutdown();
        QCOMPARE(finished.size(), 1);
        QVERIFY(h.bytes("config.txt").contains("ip_office.txt"));
        QTest::qWait(1700); // past the time-out: the stalled check never comes back
        QCOMPARE(h.model().addresses().external, QStringLiteral("before the end"));
    }

    // Every ticked action in order: e-mail (its server first never answers), FTP, DynDNS, URL;
    // a run ends when all have, the e-mail included, and the button runs them without a
    // lookup. A failed delivery is tried again alone, across a restart, from the next check on,
    // until it is made; nothing is sent twice, or unasked (a folder without a record sends
    // nothing). After 911 DynDNS waits half an hour. No action tells an address not known:
    // while the lookup fails DynDNS and an $EXTIP$ URL fail, and the e-mail tells the last
    // known one.
    void failedDeliveriesAreTriedAgain()
    {
        test::SmtpPeer smtp({}, {});
        test::FtpPeer ftp(QStringLiteral("office"), QStringLiteral("s3cret"));
        test::HttpPeer web;
        QTcpServer silent; // accepts and never answers
        QVERIFY(smtp.ok() && ftp.ok() && web.ok() && silent.listen(QHostAddress::LocalHost));
        Harness h(echo);
        h.runActions = true;
        h.start();
        h.edit([&](Settings& s) {
            s.email.enabled = s.ftp.enabled = s.dynDns.enabled = s.url.enabled = true;
            s.email.server = s.ftp.server = QStringLiteral("127.0.0.1");
            s.email.port = silent.serverPort(), s.ftp.port = test::unusedPort(); // down for now
            s.ftp.user = QStringLiteral("office");
            s.ftp.password = QStringLiteral("s3cret");
            s.dynDns.service = web.hostPort();
            s.dynDns.https = false;
            s.url.url = QStringLiteral("http://%1/u?$EXTIP$").arg(web.hostPort());
        });
        // What the servers heard: how many mails; then in order F an upload, n a DynDNS update
        // and u a call of the URL.
        const auto heard = [&] {
            QMap<double, char> order;
            for (const QVariantMap& c : ftp.commands())
                if (c.value("cmd") == "STOR")
                    order.insert(c.value("t").toDouble(), 'F');
            for (const QVariantMap& r : web.requests())
                order.insert(r.value("t").toDouble(), r.value("path").toString()[1].toLatin1());
            return QByteArray::number(smtp.mails().count("SUBJECT:")) + ' ' +
                   QByteArray(order.values().data(), order.size());
        };
        const auto advance = [&h](int minutes) { h.now = h.now->addSecs(60 * minutes); };
        h.restart();
        h.app->monitor().actions().email().setReplyTimeout(std::chrono::seconds(1));
        QCOMPARE(heard(), "0 ");
        web.answer("STATUS 503\n");
        h.echoPeer.answer("5.6.7.8");
        h.check();
        QVERIFY(h.model().status(Action::Email).toolTip.contains("no complete reply"));
        h.check();
        QCOMPARE(heard(), "0 nu");
        QVERIFY(h.app->tray().tip().endsWith("Failed: E-mail, FTP, DynDNS, URL"));
        QVERIFY(h.model().status(Action::DynDns).toolTip.contains("\nWill try again at "));
        h.edit([&](Settings& s) { s.email.port = smtp.port(), s.ftp.port = ftp.port(); });
        web.answer("good");
        advance(2);
        h.restart();
        for (const Action action : kActions)
            QVERIFY(h.app->window()->statusLabel(action)->text().contains("Success @ "));
        h.restart();
        QCOMPARE(heard(), "1 nuFnu");
        QVERIFY(!h.app->tray().tip().contains("Failed"));
        web.answer("911");
        h.echoPeer.answer("5.6.7.9");
        h.check();
        advance(29);
        h.check();
        QCOMPARE(heard(), "2 nuFnuFnu");
        web.answer("good");
        advance(2);
        h.check();
        h.echoPeer.answer("STATUS 500\n");
        h.check();
        const qsizetype looked = h.echoRequests();
        h.ui().executeButton->click();
        QVERIFY(!h.ui().executeButton->isEnabled());
        QVERIFY(h.settle() && h.ui().executeButton->isEnabled() && h.echoRequests() == looked);
        QCOMPARE(heard(), "3 nuFnuFnunF");
        QVERIFY(smtp.mails().split(':').last().contains("\r\n5.6.7.9\r\n192.168.0.5\r\n"));
        QVERIFY(h.model()
                    .status(Action::DynDns)
                    .toolTip.startsWith("The external address is not known: Cannot reach"));
        h.edit([](Settings& s) { s.url.enabled = false; }); // ticking again sends nothing
        h.echoPeer.answer("5.6.7.10");
        h.check();
        h.edit([](Settings& s) { s.url.enabled = true; });
        h.check();
        QCOMPARE(heard(), "4 nuFnuFnunFFn");
        QVERIFY(!smtp.mails().contains("0.0.0.0"));
        // A check while the update is under way does not send it again once it is made.
        QTcpServer service;
        QVERIFY(service.listen(QHostAddress::LocalHost));
        h.edit([&](Settings& s) {
            s.email.enabled = s.ftp.enabled = s.url.enabled = false;
            s.dynDns.service = QStringLiteral("127.0.0.1:%1").arg(service.serverPort());
        });
        h.echoPeer.answer("5.6.7.11");
        h.app->checkNow();
        QVERIFY(QTest::qWaitFor([&] { return service.hasPendingConnections(); }, 5000));
        QTcpSocket* update = service.nextPendingConnection();
        const qsizetype asked = h.echoRequests();
        h.app->checkNow();
        QVERIFY(QTest::qWaitFor([&] { return h.echoRequests() > asked; }, 5000));
        QTest::qWait(300); // the check ends
        update->write("HTTP/1.0 200 OK\r\n\r\ngood");
        update->disconnectFromHost();
        QVERIFY(h.settle() && !service.hasPendingConnections());
    }

    // IPv6 once ticked (the older settings file here leaves it unticked, and nothing is asked
    // over IPv6): looked up at [::1], kept in the address file's lines 3 and 4, logged after
    // the IPv4 pair, in the tray's tip and the e-mail. The first IPv6 address seen is a
    // change, as is one of IPv6 alone; an outage keeps the last one.
    void ipv6IsWatchedOnceTicked()
    {
        test::HttpPeer echo6({}, "::1");
        test::SmtpPeer smtp({}, {});
        QVERIFY(echo6.ok() && smtp.ok());
        Harness h(echo);
        h.echo6Host = echo6.hostPort();
        h.adapters = QList<platform::Adapter>{
            {"eth0", "192.168.0.5", false, {{"2001:db8::9", true}, {"2001:db8::5", false}}}};
        h.runActions = true;
        h.start();
        h.check();
        QCOMPARE(echo6.requests().size(), 0);
        h.edit([&](Settings& s) {
            s.watchIPv6 = s.email.enabled = true;
            s.email.server = "127.0.0.1";
            s.email.port = smtp.port();
        });
        const QByteArray same = "1.2.3.4,192.168.0.5 changed to 1.2.3.4,192.168.0.5; ";
        QByteArray log;
        for (const auto& [answer, kept, change] :
             QList<std::tuple<QByteArray, QByteArray, QByteArray>>{
                 {"2001:db8::7", "2001:db8::7", ", changed to 2001:db8::7,2001:db8::5"},
                 {"2001:db8::8", "2001:db8::8",
                  "2001:db8::7,2001:db8::5 changed to 2001:db8::8,2001:db8::5"},
                 {"STATUS 500\n", "2001:db8::8", ""}}) {
            echo6.answer(answer);
            h.check();
            log += change.isEmpty() ? "" : logLine(same + change);
            QCOMPARE(h.bytes("ipchange.log"), log);
            QCOMPARE(h.bytes("ip_office.txt"), kKnown + kept + "\r\n2001:db8::5\r\n");
            QVERIFY(h.app->tray().tip().split("\r\n").contains(
                "External IPv6: " + (change.isEmpty() ? "unknown" : kept)));
            QVERIFY(smtp.mails().endsWith("External IPv6: " + kept +
                                          "\r\nInternal IPv6: 2001:db8::5\r\n"));
        }
        QVERIFY(h.app->tray().tip().contains("\r\nExternal IPv6 unknown: Cannot reach [::1]:"));
    }
};

QTEST_MAIN(TestRun)
#include "tst_run.moc"
