#include "Harness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>

using namespace quillet;
using test::FtpPeer;
using test::HttpPeer;

namespace {

// One outside service the actions tell about a change: how the settings point at it,
// and the monotonic times at which it received each run's request, checked for content.
struct Service {
    QString name;
    std::function<void(frmMain&)> configure;
    std::function<QList<double>(const QString& external)> arrivals;
};

double arrivalTime(const QVariantMap& entry)
{
    return entry.value(QStringLiteral("t")).toDouble();
}

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void changeRunsEveryTickedActionInOrder()
    {
        test::Harness h;
        FtpPeer ftp(QStringLiteral("office"), QStringLiteral("s3cret"));
        HttpPeer dynDns;
        HttpPeer page;
        test::SmtpPeer smtp(QStringLiteral("office"), QStringLiteral("m@il:pw"));
        QVERIFY2(smtp.ok(), qPrintable(smtp.errorText()));
        QVERIFY(h.echo.ok() && ftp.ok() && dynDns.ok() && page.ok());
        QVERIFY(QDir(ftp.root()).mkdir(QStringLiteral("incoming")));
        dynDns.answer("good");
        page.answer("ok");

        // The e-mail only starts its dialogue in the run; the server's replies drive the rest
        // once the run has ended.
        const auto configureEmail = [&](frmMain& f) {
            setCheckValue(f.chkSendEmail, 1);
            setCheckValue(f.chkAuthentication, 1);
            f.txtEmailRecipient->setText(QStringLiteral("me@example.org"));
            f.txtEmailFrom->setText(QStringLiteral("office@example.org"));
            f.txtSMTPServer->setText(QStringLiteral("127.0.0.1"));
            f.txtSMTPport->setText(QString::number(smtp.port()));
            f.txtSMTPuser->setText(QStringLiteral("office"));
            f.txtSMTPpassword->setText(QStringLiteral("m@il:pw"));
        };
        const auto mailEnded = [&] {
            return h.model().status(0).text.startsWith(QStringLiteral("Send Email Success @ "));
        };
        // In the order the actions run.
        const QList<Service> services = {
            {QStringLiteral("FTP"),
             [&](frmMain& f) {
                 setCheckValue(f.chkUploadFile, 1);
                 f.txtFTPserver->setText(QStringLiteral("127.0.0.1"));
                 f.txtFTPport->setText(QString::number(ftp.port()));
                 f.txtFTPusername->setText(QStringLiteral("office"));
                 f.txtFTPpassword->setText(QStringLiteral("s3cret"));
                 f.txtFTPpath->setText(QStringLiteral("incoming"));
             },
             [&](const QString& external) {
                 const QByteArray stored =
                     test::readAll(ftp.root() + QStringLiteral("/incoming/ip_office.txt"));
                 QList<double> times;
                 if (stored != external.toLatin1() + "\n192.168.0.5\n")
                     return times;
                 for (const QVariantMap& c : ftp.commands()) {
                     if (c.value(QStringLiteral("cmd")).toString() == QLatin1String("STOR"))
                         times << arrivalTime(c);
                 }
                 return times;
             }},
            {QStringLiteral("DynDNS"),
             [&](frmMain& f) {
                 setCheckValue(f.chkUpdateDynDNS, 1);
                 f.cboDDNSservice->setCurrentText(dynDns.hostPort());
                 setCheckValue(f.chkDDNShttps, 0);
                 f.txtDDNShostname->setText(QStringLiteral("office"));
             },
             [&](const QString& external) {
                 QList<double> times;
                 for (const QVariantMap& r : dynDns.requests()) {
                     if (r.value(QStringLiteral("path"))
                             .toString()
                             .contains(QStringLiteral("&myip=") + external + QLatin1Char('&')))
                         times << arrivalTime(r);
                 }
                 return times;
             }},
            {QStringLiteral("URL"),
             [&](frmMain& f) {
                 setCheckValue(f.chkExecuteURL, 1);
                 f.txtExecuteURL->setText(
                     QStringLiteral("http://%1/set?ip=$EXTIP$").arg(page.hostPort()));
             },
             [&](const QString& external) {
                 QList<double> times;
                 for (const QVariantMap& r : page.requests()) {
                     if (r.value(QStringLiteral("path")).toString() ==
                         QStringLiteral("/set?ip=") + external)
                         times << arrivalTime(r);
                 }
                 return times;
             }},
        };

        // A known address at start-up, which the first check confirms.
        h.writeConfig(QStringLiteral("ip_office.txt"));
        QVERIFY(
            test::writeAll(h.file(QStringLiteral("ip_office.txt")), "1.2.3.4\r\n192.168.0.5\r\n"));
        h.echo.answer("1.2.3.4");
        h.runActions = true;
        h.start();
        QCOMPARE(h.actionRuns, 0);
        configureEmail(h.form());
        for (const Service& service : services)
            service.configure(h.form());

        // A run ends when all its actions have, the e-mail's dialogue included.
        h.echo.answer("5.6.7.8");
        h.check();
        QCOMPARE(h.actionRuns, 1);
        QVERIFY(mailEnded());

        const qsizetype checks = h.echoRequests();
        h.form().cmdUploadNow->click();
        QVERIFY(!h.form().cmdUploadNow->isEnabled());
        h.settle();
        QCOMPARE(h.actionRuns, 2);
        QCOMPARE(h.echoRequests(), checks);
        const QByteArray mails = smtp.mails();
        QCOMPARE(mails.count("\r\nPC:office-pc\r\n5.6.7.8\r\n192.168.0.5\r\n"), 2);
        QVERIFY(mails.startsWith("office@example.org\nme@example.org\n"));

        // Run by run, each service heard of 5.6.7.8 after the one before it.
        double previous = 0;
        for (qsizetype run = 0; run < 2; ++run) {
            for (const Service& service : services) {
                const QList<double> times = service.arrivals(QStringLiteral("5.6.7.8"));
                QVERIFY2(times.size() == 2, qPrintable(service.name));
                QVERIFY2(times[run] > previous, qPrintable(service.name));
                previous = times[run];
            }
        }
        for (std::size_t index = 0; index <= 3; ++index) {
            QVERIFY2(h.form().lblStatus[index]->text().contains(QStringLiteral("Success @ ")),
                     qPrintable(h.form().lblStatus[index]->text()));
        }
        QVERIFY(h.form().cmdUploadNow->isEnabled());
        smtp.stop();
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
