#include "TestSupport.h"

#include "actions/EmailAction.h"
#include "core/DateText.h"
#include "core/Endpoints.h"
#include "core/Model.h"
#include "core/RunState.h"
#include "monitor/ActionRunner.h"
#include "platform/Paths.h"
#include "ui/TrayMenu.h"
#include "ui/frmMain.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace quillet;
using test::FtpPeer;
using test::header;
using test::HttpPeer;

namespace {

const QString kStamp = QStringLiteral("12-05-2026 15:23:38");
const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);
const QByteArray kAddressFile = "10.1.2.3\r\n192.168.0.5\r\n";
const QString kFtpUser = QStringLiteral("office");
const QString kFtpPassword = QStringLiteral("s3cret");

QString transcript(const FtpPeer& peer)
{
    QString lines;
    for (const QVariantMap& command : peer.commands())
        lines += command.value(QStringLiteral("cmd")).toString() + QLatin1Char(' ') +
                 command.value(QStringLiteral("arg")).toString() + QLatin1Char('\n');
    return lines;
}

} // namespace

class TestActions : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    // The actions work on the model; the window on it shows what they did.
    std::unique_ptr<Model> model;
    std::unique_ptr<EmailAction> email;
    std::unique_ptr<frmMain> form;
    RunState state;

    QString addressFile() const { return dir->filePath(QStringLiteral("ip_office.txt")); }
    void run(RunCause cause = RunCause::User)
    {
        bool done = false;
        ExecuteActions(*model, state, *email, cause, [&done] { done = true; });
        QVERIFY(done || !form->cmdUploadNow->isEnabled()); // no second run meanwhile
        QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
    }
    void expectStatus(std::size_t index, const QString& prefix, const QColor& colour)
    {
        QCOMPARE(form->lblStatus[index]->text(), prefix + kStamp);
        QCOMPARE(form->statusColour(index), colour);
    }
    void tickFtp(quint16 port, const QString& path = QStringLiteral("/"))
    {
        setCheckValue(form->chkUploadFile, 1);
        form->txtFTPserver->setText(QStringLiteral("127.0.0.1"));
        form->txtFTPport->setText(QString::number(port));
        form->txtFTPusername->setText(kFtpUser);
        form->txtFTPpassword->setText(kFtpPassword);
        form->txtFTPpath->setText(path);
    }
    void tickDynDns(const HttpPeer& peer)
    {
        setCheckValue(form->chkUpdateDynDNS, 1);
        form->cboDDNSservice->setCurrentText(peer.hostPort());
        setCheckValue(form->chkDDNShttps, 0);
        form->txtDDNSusername->setText(QStringLiteral("user"));
        form->txtDDNSpassword->setText(QStringLiteral("p@ss:/#word"));
        form->txtDDNShostname->setText(QStringLiteral("myhost"));
    }

private slots:
    void init()
    {
        test::resetSeams();
        dir = std::make_unique<QTemporaryDir>();
        platform::setProgramDirectoryForTesting(dir->path());
        test::fixClock();
        model = std::make_unique<Model>();
        email = std::make_unique<EmailAction>(*model);
        form = std::make_unique<frmMain>(*model);
        state = {};
        state.IPFilePath = addressFile();
        model->setAddresses(QStringLiteral("10.1.2.3"), QStringLiteral("192.168.0.5"));
        QVERIFY(test::writeAll(addressFile(), kAddressFile));
    }
    void cleanup()
    {
        form.reset();
        email.reset();
        model.reset();
        dir.reset();
        test::resetSeams();
    }

    // --- runner ---

    void nothingTickedChangesNothing()
    {
        form->txtFTPpath->setText(QStringLiteral("incoming"));
        form->cmdUploadNow->setEnabled(false);
        run();
        QVERIFY(form->cmdUploadNow->isEnabled());
        QCOMPARE(form->txtFTPpath->text(), QStringLiteral("incoming"));
        for (const QLabel* status : form->lblStatus) {
            QVERIFY(status->text().isEmpty());
            QVERIFY(status->toolTip().isEmpty());
        }
    }

    void ftpPathIsNormalisedIntoTheBox()
    {
        const QList<std::pair<QString, QString>> cases = {{"", "/"},
                                                          {"incoming", "/incoming/"},
                                                          {"incoming/", "/incoming/"},
                                                          {"/incoming/", "/incoming/"}};
        for (const auto& [typed, used] : cases) {
            tickFtp(test::unusedPort(), typed);
            run();
            QCOMPARE(form->txtFTPpath->text(), used);
        }
    }

    void failedUploadIsFollowedByDynDns()
    {
        HttpPeer dynDns;
        QVERIFY(dynDns.ok());
        dynDns.answer("good 10.1.2.3");
        tickFtp(test::unusedPort());
        tickDynDns(dynDns);
        run();
        expectStatus(1, QStringLiteral("FTP Upload Failure @ "), kRed);
        expectStatus(2, QStringLiteral("DDNS Update Success @ "), kGreen);
        QCOMPARE(dynDns.requests().size(), 1);
    }

    // --- FTP ---

    void ftpStoresTheFileActiveAsciiAbsolute()
    {
        FtpPeer server(kFtpUser, kFtpPassword);
        QVERIFY2(server.ok(), "pyftpdlib peer did not start");
        // A port above the 16-bit signed range must work too.
        QVERIFY(server.port() > 32767);
        QVERIFY(QDir(server.root()).mkdir(QStringLiteral("incoming")));
        tickFtp(server.port(), QStringLiteral("incoming"));
        run();

        expectStatus(1, QStringLiteral("FTP Upload Success @ "), kGreen);
        QVERIFY2(form->lblStatus[1]->toolTip().startsWith("226 "),
                 qPrintable(form->lblStatus[1]->toolTip()));
        // CR LF on the wire, once: pyftpdlib stores an ASCII upload with this system's LF.
        QCOMPARE(test::readAll(server.root() + QStringLiteral("/incoming/ip_office.txt")),
                 QByteArray(kAddressFile).replace("\r\n", "\n"));
        // One line per command: active mode, ASCII, no directory change, an absolute STOR.
        const QString commands = transcript(server);
        QVERIFY2(QRegularExpression(QStringLiteral("^(EPRT|PORT) .*^TYPE A$.*^STOR "
                                                   "/incoming/ip_office.txt$"),
                                    QRegularExpression::MultilineOption |
                                        QRegularExpression::DotMatchesEverythingOption)
                     .match(commands)
                     .hasMatch(),
                 qPrintable(commands));
        QCOMPARE(commands.count(QStringLiteral("STOR ")), 1);
        QVERIFY(!QRegularExpression(QStringLiteral("^(PASV|EPSV|CWD|MKD) "),
                                    QRegularExpression::MultilineOption)
                     .match(commands)
                     .hasMatch());
    }

    // FTPS: AUTH TLS before the log-in, commands and data encrypted over a passive data
    // connection. An untrusted certificate, or a server without TLS, fails before the log-in.
    void ftps()
    {
        test::trustAuthorities(test::tlsFile("ca.pem"));
        FtpPeer server(kFtpUser, kFtpPassword, test::tlsFile("server.pem"));
        FtpPeer plain(kFtpUser, kFtpPassword);
        QVERIFY2(server.ok() && plain.ok(), "pyftpdlib peers did not start");
        tickFtp(server.port());
        setCheckValue(form->chkFTPS, 1);
        run();
        expectStatus(1, QStringLiteral("FTP Upload Success @ "), kGreen);
        QCOMPARE(test::readAll(server.root() + QStringLiteral("/ip_office.txt")),
                 QByteArray(kAddressFile).replace("\r\n", "\n"));
        const QString commands = transcript(server);
        QVERIFY2(QRegularExpression(
                     QStringLiteral("^AUTH TLS\n.*^USER office\n.*^PBSZ 0\n^PROT P\n.*^(EPSV|PASV) "
                                    ".*^TYPE A\n.*^STOR /ip_office.txt\n"),
                     QRegularExpression::MultilineOption |
                         QRegularExpression::DotMatchesEverythingOption)
                     .match(commands)
                     .hasMatch(),
                 qPrintable(commands));
        QVERIFY(!commands.contains(QStringLiteral("PORT ")));

        const QList<std::pair<FtpPeer*, QString>> refusals = {{&server, "other-ca.pem"},
                                                              {&plain, "ca.pem"}};
        for (const auto& [peer, trusted] : refusals) {
            test::trustAuthorities(test::tlsFile(trusted));
            tickFtp(peer->port());
            const QString before = transcript(*peer);
            run();
            expectStatus(1, QStringLiteral("FTP Upload Failure @ "), kRed);
            QVERIFY2(form->lblStatus[1]->toolTip().startsWith(
                         peer == &plain ? "500 " : "certificate not trusted: issued by an unknown"),
                     qPrintable(form->lblStatus[1]->toolTip()));
            // libcurl asks AUTH SSL after a refused AUTH TLS; never USER in the clear.
            const QString sent = transcript(*peer).mid(before.size());
            QVERIFY2(sent.startsWith("AUTH TLS\n") && !sent.contains("USER"), qPrintable(sent));
        }
    }

    void ftpFailures_data()
    {
        // "%1" the server's port, "%2" one nothing listens on, "%3" the server's port + 65536
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("password"); // of the upload
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("contacted");
        QTest::addColumn<QString>("tip"); // how the tool tip begins
        const QString notAPort = "The port must be a number from 1 to 65535";
        QTest::newRow("wrong password") << "%1"
                                        << "wrong"
                                        << "/" << true << "530 ";
        QTest::newRow("missing directory") << "%1" << kFtpPassword << "/nothere/" << true << "550 ";
        QTest::newRow("zero") << "0" << kFtpPassword << "/" << false << notAPort;
        QTest::newRow("65536") << "65536" << kFtpPassword << "/" << false << notAPort;
        QTest::newRow("trailing letter") << "%1x" << kFtpPassword << "/" << false << notAPort;
        QTest::newRow("wraps to the port") << "%3" << kFtpPassword << "/" << false << notAPort;
        QTest::newRow("refused connection")
            << "%2" << kFtpPassword << "/" << false << "Connection refused";
        QTest::newRow("CR LF in path") << "%1" << kFtpPassword << "/a\r\nDELE b/" << false
                                       << "The remote path, user name or password holds a";
    }
    void ftpFailures()
    {
        QFETCH(QString, port);
        QFETCH(QString, password);
        QFETCH(QString, path);
        QFETCH(bool, contacted);
        QFETCH(QString, tip);
        FtpPeer server(kFtpUser, kFtpPassword);
        QVERIFY(server.ok());
        tickFtp(server.port(), path);
        form->txtFTPpassword->setText(password);
        form->txtFTPport->setText(
            port.replace(QLatin1String("%1"), QString::number(server.port()))
                .replace(QLatin1String("%2"), QString::number(test::unusedPort()))
                .replace(QLatin1String("%3"), QString::number(server.port() + 65536)));
        run();
        expectStatus(1, QStringLiteral("FTP Upload Failure @ "), kRed);
        QVERIFY2(form->lblStatus[1]->toolTip().startsWith(tip),
                 qPrintable(form->lblStatus[1]->toolTip()));
        QCOMPARE(!server.commands().isEmpty(), contacted);
        QVERIFY(QDir(server.root()).isEmpty());
    }

    // --- DynDNS and URL (status 0: nothing listens) ---

    void dynDns_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("hostName");
        QTest::addColumn<QByteArray>("query"); // as the peer receives it
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("toolTip");
        const QByteArray rest = "&myip=10.1.2.3&wildcard=NOCHG&mx=NOCHG&backmx=NOCHG&offline=NO";
        QTest::newRow("good, first line")
            << 200 << QByteArray("good 10.1.2.3\r\nnochg 10.1.2.3") << "myhost,my-other.example"
            << "system=dyndns&hostname=myhost,my-other.example" + rest << true << "good 10.1.2.3";
        QTest::newRow("nochg, line break in value, Windows-1252")
            << 200 << QByteArray("nochg") << QString::fromUtf8("my h\u00f6st\r\nX-Injected: 1")
            << "system=dyndns&hostname=my%20h%F6st%0D%0AX-Injected%3A%201" + rest << true
            << "nochg";
        QTest::newRow("unknown answer") << 200 << QByteArray("ok") << "myhost"
                                        << "system=dyndns&hostname=myhost" + rest << true << "ok";
        QTest::newRow("badauth") << 200 << QByteArray("badauth") << "myhost" << QByteArray()
                                 << false << "badauth: the user name or password is wrong";
        QTest::newRow("911") << 200 << QByteArray("911") << "myhost" << QByteArray() << false
                             << "911: the service has a problem; it will be tried again at "
                                "the next change";
        QTest::newRow("401 with reason")
            << 401 << QByteArray("badauth\r\nmore") << "myhost" << QByteArray() << false
            << "badauth: the user name or password is wrong";
        QTest::newRow("401 empty")
            << 401 << QByteArray() << "myhost" << QByteArray() << false << "HTTP status 401";
        QTest::newRow("closed port")
            << 0 << QByteArray() << "myhost" << QByteArray() << false << "Connection refused";
    }
    void dynDns()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, hostName);
        QFETCH(QByteArray, query);
        QFETCH(bool, success);
        QFETCH(QString, toolTip);
        HttpPeer peer;
        QVERIFY(peer.ok());
        peer.answer(body, status);
        tickDynDns(peer);
        form->txtDDNShostname->setText(hostName);
        if (status == 0)
            form->cboDDNSservice->setCurrentText(
                QStringLiteral("127.0.0.1:%1").arg(test::unusedPort()));
        run();

        expectStatus(2, QStringLiteral("DDNS Update %1 @ ").arg(success ? "Success" : "Failure"),
                     success ? kGreen : kRed);
        QCOMPARE(form->lblStatus[2]->toolTip(), toolTip);
        if (!query.isEmpty()) {
            const QList<QVariantMap> requests = peer.requests();
            QCOMPARE(requests.size(), 1);
            QCOMPARE(requests[0].value(QStringLiteral("path")).toByteArray(),
                     "/nic/update?" + query);
            QCOMPARE(header(requests[0], QStringLiteral("Authorization")),
                     QString::fromLatin1("Basic " + QByteArray("user:p@ss:/#word").toBase64()));
            QVERIFY(header(requests[0], QStringLiteral("X-Injected")).isEmpty());
        }
    }

    // Over HTTPS the credentials go only to the service whose certificate is trusted.
    void dynDnsOverHttps()
    {
        HttpPeer peer(QStringLiteral("serve"), test::tlsFile("server.pem"));
        QVERIFY(peer.ok());
        peer.answer("good 10.1.2.3");
        tickDynDns(peer);
        setCheckValue(form->chkDDNShttps, 1);
        for (const char* trusted : {"ca.pem", "other-ca.pem"}) {
            test::trustAuthorities(test::tlsFile(trusted));
            run();
        }
        expectStatus(2, QStringLiteral("DDNS Update Failure @ "), kRed);
        QCOMPARE(form->lblStatus[2]->toolTip(),
                 "certificate not trusted: issued by an unknown authority");
        const QList<QVariantMap> requests = peer.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(header(requests[0], QStringLiteral("Authorization")),
                 QString::fromLatin1("Basic " + QByteArray("user:p@ss:/#word").toBase64()));
    }

    // After a refusal such as "badauth" the service must not be asked again until the user
    // acts: a change of a DynDNS setting, or "Execute Selected Actions".
    void refusalHoldsUpdatesUntilTheUserActs()
    {
        HttpPeer peer;
        QVERIFY(peer.ok());
        peer.answer("badauth");
        tickDynDns(peer);
        const QString held = "Held after badauth: change the DynDNS settings or press Execute "
                             "Selected Actions";
        const QList<std::pair<RunCause, std::function<void()>>> steps = {
            {RunCause::Change, [] {}},
            {RunCause::Change, [] {}}, // held
            {RunCause::User, [] {}},
            {RunCause::Change, [] {}}, // held again
            {RunCause::Change, [this] { form->txtDDNSpassword->setText("new"); }},
            {RunCause::Change, [] {}}, // held after the new refusal
        };
        const QList<qsizetype> requests = {1, 1, 2, 2, 3, 3};
        for (qsizetype i = 0; i < steps.size(); ++i) {
            steps[i].second();
            run(steps[i].first);
            QCOMPARE(peer.requests().size(), requests[i]);
            const bool sent = i == 0 || requests[i] > requests[i - 1];
            QCOMPARE(form->lblStatus[2]->toolTip(),
                     sent ? "badauth: the user name or password is wrong" : held);
            QCOMPARE(form->statusColour(2), kRed);
        }
        peer.answer("good 10.1.2.3");
        run(RunCause::User);
        run(RunCause::Change);
        QCOMPARE(peer.requests().size(), 5);
        QCOMPARE(form->statusColour(2), kGreen);
    }

    void url_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("external");
        QTest::addColumn<QString>("path"); // as the peer receives it
        QTest::addColumn<QString>("toolTip");
        const QString failed = QStringLiteral("Couldn't access URL");
        QTest::newRow("substituted, whole answer")
            << 200 << QByteArray("line 1\r\nline 2\r\n") << "10.1.2.3"
            << "/u%20p?ip=10.1.2.3&lan=192.168.0.5&again=10.1.2.3&low=$extip$"
            << "line 1\r\nline 2\r\n";
        QTest::newRow("line break in address, Windows-1252")
            << 200 << QByteArray("ok") << QString::fromUtf8("10.1.2.3\r\nX-Injected: \u00e9")
            << "/u%20p?ip=10.1.2.3%0D%0AX-Injected%3A%20%E9&lan=192.168.0.5&again=10.1.2.3%0D%0A"
               "X-Injected%3A%20%E9&low=$extip$"
            << "ok";
        QTest::newRow("404") << 404 << QByteArray("not here") << "10.1.2.3"
                             << "" << failed + "\nHTTP status 404";
        QTest::newRow("closed port") << 0 << QByteArray() << "10.1.2.3"
                                     << "" << failed + "\nConnection refused";
        QTest::newRow("answer over 1 MiB") << 200 << QByteArray(1024 * 1024 + 1, 'x') << "10.1.2.3"
                                           << "" << failed + "\nAnswer larger than 1048576 bytes";
    }
    void url()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, external);
        QFETCH(QString, path);
        QFETCH(QString, toolTip);
        HttpPeer peer;
        QVERIFY(peer.ok());
        peer.answer(body, status);
        model->setAddresses(external, QStringLiteral("192.168.0.5"));
        setCheckValue(form->chkExecuteURL, 1);
        form->txtExecuteURL->setText(
            QStringLiteral(
                "http://127.0.0.1:%1/u p?ip=$EXTIP$&lan=$INTIP$&again=$EXTIP$&low=$extip$")
                .arg(status == 0 ? test::unusedPort() : peer.port()));
        run();

        const bool success = !path.isEmpty();
        expectStatus(3, QStringLiteral("URL Execute %1 @ ").arg(success ? "Success" : "Failure"),
                     success ? kGreen : kRed);
        QCOMPARE(form->lblStatus[3]->toolTip(), toolTip);
        if (success) {
            const QList<QVariantMap> requests = peer.requests();
            QCOMPARE(requests.size(), 1);
            QCOMPARE(requests[0].value(QStringLiteral("path")).toString(), path);
            QVERIFY(header(requests[0], QStringLiteral("X-Injected")).isEmpty());
        }
    }
};

QTEST_MAIN(TestActions)
#include "tst_actions.moc"
