#include "TestSupport.h"

#include "core/DateText.h"
#include "core/Endpoints.h"
#include "monitor/ActionRunner.h"
#include "platform/ProgramDir.h"
#include "ui/frmMain.h"

#include <QCheckBox>
#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

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

QStringList commandNames(const FtpPeer& peer)
{
    QStringList names;
    for (const QVariantMap& command : peer.commands())
        names << command.value(QStringLiteral("cmd")).toString();
    return names;
}

} // namespace

class TestActions : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<frmMain> form;

    QString addressFile() const { return dir->filePath(QStringLiteral("ip_office.txt")); }
    void run() { ExecuteActions(*form, addressFile()); }
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
        setDynDnsHostForTesting(peer.hostPort());
        setCheckValue(form->chkUpdateDynDNS, 1);
        form->txtDDNSusername->setText(QStringLiteral("user"));
        form->txtDDNSpassword->setText(QStringLiteral("p@ss:/#word"));
        form->txtDDNShostname->setText(QStringLiteral("myhost"));
    }
    void tickUrl(const QString& url)
    {
        setCheckValue(form->chkExecuteURL, 1);
        form->txtExecuteURL->setText(url);
    }

private slots:
    void init()
    {
        test::resetSeams();
        dir = std::make_unique<QTemporaryDir>();
        platform::setProgramDirectoryForTesting(dir->path());
        setClockForTesting([] { return QDateTime(QDate(2026, 12, 5), QTime(15, 23, 38)); });
        form = std::make_unique<frmMain>();
        form->txtExternalIP->setText(QStringLiteral("10.1.2.3"));
        form->txtInternalIP->setText(QStringLiteral("192.168.0.5"));
        QVERIFY(test::writeAll(addressFile(), kAddressFile));
    }
    void cleanup()
    {
        form.reset();
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

    void ftpPathIsNormalisedIntoTheBox_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("used");
        QTest::newRow("empty") << ""
                               << "/";
        QTest::newRow("bare") << "incoming"
                              << "/incoming/";
        QTest::newRow("no leading") << "incoming/"
                                    << "/incoming/";
        QTest::newRow("no trailing") << "/incoming"
                                     << "/incoming/";
        QTest::newRow("complete") << "/incoming/"
                                  << "/incoming/";
    }
    void ftpPathIsNormalisedIntoTheBox()
    {
        QFETCH(QString, typed);
        QFETCH(QString, used);
        tickFtp(test::unusedPort(), typed);
        run();
        QCOMPARE(form->txtFTPpath->text(), used);
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
        QCOMPARE(test::readAll(server.root() + QStringLiteral("/incoming/ip_office.txt")),
                 kAddressFile);
        const QStringList names = commandNames(server);
        QVERIFY2(names.contains(QStringLiteral("EPRT")) || names.contains(QStringLiteral("PORT")),
                 qPrintable(names.join(' ')));
        QVERIFY(!names.contains(QStringLiteral("PASV")) && !names.contains(QStringLiteral("EPSV")));
        QVERIFY(!names.contains(QStringLiteral("CWD")) && !names.contains(QStringLiteral("MKD")));
        QStringList stored;
        for (const QVariantMap& command : server.commands()) {
            const QString name = command.value(QStringLiteral("cmd")).toString();
            if (name == QLatin1String("TYPE"))
                QCOMPARE(command.value(QStringLiteral("arg")).toString(), QStringLiteral("A"));
            if (name == QLatin1String("STOR"))
                stored << command.value(QStringLiteral("arg")).toString();
        }
        QVERIFY(names.contains(QStringLiteral("TYPE")));
        QCOMPARE(stored, QStringList{QStringLiteral("/incoming/ip_office.txt")});
    }

    void ftpFailures_data()
    {
        // "%1" the server's port, "%2" one nothing listens on, "%3" the server's port + 65536
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("password"); // of the upload
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("contacted");
        QTest::newRow("wrong password") << "%1"
                                        << "wrong"
                                        << "/" << true;
        QTest::newRow("missing directory") << "%1" << kFtpPassword << "/nothere/" << true;
        QTest::newRow("zero") << "0" << kFtpPassword << "/" << false;
        QTest::newRow("65536") << "65536" << kFtpPassword << "/" << false;
        QTest::newRow("trailing letter") << "%1x" << kFtpPassword << "/" << false;
        QTest::newRow("wraps to the port") << "%3" << kFtpPassword << "/" << false;
        QTest::newRow("refused connection") << "%2" << kFtpPassword << "/" << false;
        QTest::newRow("CR LF in path") << "%1" << kFtpPassword << "/a\r\nDELE b/" << false;
    }
    void ftpFailures()
    {
        QFETCH(QString, port);
        QFETCH(QString, password);
        QFETCH(QString, path);
        QFETCH(bool, contacted);
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
        QCOMPARE(!server.commands().isEmpty(), contacted);
        QVERIFY(QDir(server.root()).isEmpty());
    }

    // --- DynDNS ---

    void dynDnsSendsQueryAndCredentials_data()
    {
        QTest::addColumn<QString>("hostName");
        QTest::addColumn<QByteArray>("sentHostName");
        QTest::newRow("plain") << "myhost" << QByteArray("myhost");
        QTest::newRow("line break and blank")
            << "my host\r\nX-Injected: 1" << QByteArray("my%20host%0D%0AX-Injected%3A%201");
    }
    void dynDnsSendsQueryAndCredentials()
    {
        QFETCH(QString, hostName);
        QFETCH(QByteArray, sentHostName);
        HttpPeer dynDns;
        QVERIFY(dynDns.ok());
        dynDns.answer("good 10.1.2.3\r\nsecond line\r\n");
        tickDynDns(dynDns);
        form->txtDDNShostname->setText(hostName);
        run();

        const QList<QVariantMap> requests = dynDns.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].value(QStringLiteral("path")).toByteArray(),
                 "/nic/update?system=dyndns&hostname=" + sentHostName +
                     "&myip=10.1.2.3&wildcard=NOCHG&mx=NOCHG&backmx=NOCHG&offline=NO");
        QCOMPARE(header(requests[0], QStringLiteral("Authorization")),
                 QString::fromLatin1("Basic " + QByteArray("user:p@ss:/#word").toBase64()));
        QVERIFY(header(requests[0], QStringLiteral("X-Injected")).isEmpty());
        expectStatus(2, QStringLiteral("DDNS Update Success @ "), kGreen);
        QCOMPARE(form->lblStatus[2]->toolTip(), QStringLiteral("good 10.1.2.3"));
        QVERIFY(!QFileInfo::exists(dir->filePath(QStringLiteral("temp.txt"))));
    }

    void dynDnsFailures_data()
    {
        QTest::addColumn<int>("status"); // 0: nothing listens
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("401 with reason") << 401 << QByteArray("badauth\r\nmore") << "badauth";
        QTest::newRow("401 empty") << 401 << QByteArray() << "HTTP status 401";
        QTest::newRow("closed port") << 0 << QByteArray() << "previous reply";
    }
    void dynDnsFailures()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, toolTip);
        HttpPeer dynDns;
        QVERIFY(dynDns.ok());
        dynDns.answer(body, status);
        tickDynDns(dynDns);
        if (status == 0)
            setDynDnsHostForTesting(QStringLiteral("127.0.0.1:%1").arg(test::unusedPort()));
        form->lblStatus[2]->setToolTip(QStringLiteral("previous reply"));
        run();
        expectStatus(2, QStringLiteral("DDNS Update Failure @ "), kRed);
        QCOMPARE(form->lblStatus[2]->toolTip(), toolTip);
    }

    // --- URL ---

    void urlGetsAddressesAndShowsWholeAnswer()
    {
        HttpPeer page;
        QVERIFY(page.ok());
        page.answer("line one\r\nline two\r\n");
        form->txtExternalIP->setText(QStringLiteral("10.1.2.3\r\nX-Injected: 1"));
        tickUrl(QStringLiteral("http://%1/u p?ip=$EXTIP$&lan=$INTIP$&again=$EXTIP$&low=$extip$")
                    .arg(page.hostPort()));
        run();

        const QList<QVariantMap> requests = page.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].value(QStringLiteral("path")).toString(),
                 QStringLiteral("/u%20p?ip=10.1.2.3%0D%0AX-Injected%3A%201&lan=192.168.0.5"
                                "&again=10.1.2.3%0D%0AX-Injected%3A%201&low=$extip$"));
        QVERIFY(header(requests[0], QStringLiteral("X-Injected")).isEmpty());
        expectStatus(3, QStringLiteral("URL Execute Success @ "), kGreen);
        QCOMPARE(form->lblStatus[3]->toolTip(), QStringLiteral("line one\r\nline two\r\n"));
        QVERIFY(!QFileInfo::exists(dir->filePath(QStringLiteral("url_exec.txt"))));
    }

    void urlFailures_data()
    {
        QTest::addColumn<int>("status"); // 0: nothing listens
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("closed port") << 0 << QByteArray();
        QTest::newRow("404") << 404 << QByteArray("not here");
        QTest::newRow("answer over 1 MiB") << 200 << QByteArray(1024 * 1024 + 1, 'x');
    }
    void urlFailures()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        HttpPeer page;
        QVERIFY(page.ok());
        page.answer(body, status);
        const quint16 port = status == 0 ? test::unusedPort() : page.port();
        tickUrl(QStringLiteral("http://127.0.0.1:%1/update?ip=$EXTIP$").arg(port));
        run();
        expectStatus(3, QStringLiteral("URL Execute Failure @ "), kRed);
        QCOMPARE(form->lblStatus[3]->toolTip(), QStringLiteral("Couldn't access URL"));
        QVERIFY(!QFileInfo::exists(dir->filePath(QStringLiteral("url_exec.txt"))));
    }
};

QTEST_MAIN(TestActions)
#include "tst_actions.moc"
