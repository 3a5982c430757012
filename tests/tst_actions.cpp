#include "TestSupport.h"

#include "actions/DynDnsUpdate.h"
#include "core/Model.h"
#include "monitor/ActionRunner.h"
#include "monitor/Deliveries.h"

using namespace quillet;

namespace {

struct FtpCase {
    bool ftps;
    QString user;
    QString trusted;  // the peer with TLS, trusting this; empty: the one without
    QString port;     // "%1": the peer's
    QString path;     // the remote folder
    QString tip;      // how the tool tip begins; "226 ": stored
    QString commands; // a pattern of what the peer receives
};

struct HttpCase {
    bool dynDns;     // else the user's URL
    QString trusted; // over HTTPS, trusting this; empty: HTTP
    QString text;    // the host names, or the URL ("%1": the peer)
    QString path;    // of the request; empty: the action fails
    QString tip;
    QByteArray answer = "good 10.1.2.3\r\nnochg 10.1.2.3";
    bool ipv6 = false; // IPv6 watched
};

} // namespace

class TestActions : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString addressFile = dir.filePath("ip_office.txt");
    // The servers the actions talk to, each with and without TLS; the one without never
    // answers QUIT.
    test::FtpPeer ftpPeer{"office", "s3cret", {}, "QUIT"};
    test::FtpPeer ftpsPeer{"office", "s3cret", test::tlsFile("server.pem")};
    test::HttpPeer httpPeer;
    test::HttpPeer httpsPeer{test::tlsFile("server.pem")};
    test::Hooks hooks;
    Model model;
    Deliveries deliveries;
    ActionRunner runner{model, deliveries};
    Settings s;

    // One run of the actions `s` ticks, to its end; the window's thread answers all along.
    void run(RunCause cause = RunCause::User)
    {
        model.setSettings(s);
        const test::Heartbeat heart;
        QList<Action> ticked;
        for (const Action action : kActions)
            if (isTicked(s, action))
                ticked << action;
        runner.run({cause,
                    ticked,
                    {"10.1.2.3", "192.168.0.5", "2001:db8::7", "2001:db8::5"},
                    {},
                    addressFile},
                   [] {});
        QTRY_VERIFY_WITH_TIMEOUT(!model.running(), 20000);
        QVERIFY2(heart.gap < 500, qPrintable(QString::number(heart.gap)));
    }

private slots:
    void initTestCase()
    {
        hooks.transferTimeouts = {std::chrono::milliseconds(1000), std::chrono::milliseconds(5000)};
        QVERIFY(test::writeAll(addressFile, "10.1.2.3\r\n192.168.0.5\r\n"));
        QVERIFY(ftpPeer.ok() && ftpsPeer.ok() && httpPeer.ok() && httpsPeer.ok());
        QVERIFY(QDir(ftpPeer.root()).mkdir("incoming"));
    }
    void cleanupTestCase() { test::trustAuthorities({}); }
    void init() { s = {}; }

    void ftp_data()
    {
        QTest::addColumn<FtpCase>("c");
        // Active, ASCII (the file's CR LF goes out once), no directory change; QUIT never
        // answered.
        test::row<FtpCase>("FTP", false, "office", "", "%1", "incoming", "226 ",
                           "\\A(?!.*^(CWD|EPSV|PASV) ).*^(EPRT|PORT) .*^TYPE A\n.*^STOR "
                           "/incoming/ip_office.txt\n");
        test::row<FtpCase>("STOR refused", false, "office", "", "%1", "missing", "550 ", "STOR");
        // Passive: a router cannot read an encrypted PORT to open its NAT. The data connection
        // resumes the control connection's TLS session.
        test::row<FtpCase>("FTPS, STOR refused", true, "office", "ca.pem", "%1", "missing", "550 ",
                           "STOR");
        test::row<FtpCase>("FTPS", true, "office", "ca.pem", "%1", "/", "226 ",
                           "\\AAUTH TLS\n.*^(EPSV|PASV) .*^STOR /ip_office.txt\n");
        // Never USER in the clear (libcurl asks AUTH SSL after a refused AUTH TLS).
        // The data connection's certificate is checked too.
        test::row<FtpCase>("FTPS, data from another CA", true, "other", "ca.pem", "%1", "/",
                           "certificate not trusted: issued by an unknown", "AUTH TLS");
        test::row<FtpCase>("FTPS, another CA", true, "office", "other-ca.pem", "%1", "/",
                           "certificate not trusted: issued by an unknown",
                           "\\AAUTH TLS\n(?!.*USER)");
        test::row<FtpCase>("FTPS, server without TLS", true, "office", "", "%1", "/", "500 ",
                           "\\AAUTH TLS\n(?!.*USER)");
        test::row<FtpCase>("port 0", false, "office", "", "0", "/",
                           "The port must be a number from 1 to 65535", "\\A\\z");
        test::row<FtpCase>("CR LF in path", false, "office", "", "%1", "/a\r\nDELE b/",
                           "The remote path, user name or password holds a control", "\\A\\z");
    }
    void ftp()
    {
        QFETCH(FtpCase, c);
        const test::FtpPeer& peer = c.trusted.isEmpty() ? ftpPeer : ftpsPeer;
        test::trustAuthorities(c.trusted.isEmpty() ? QString() : test::tlsFile(c.trusted));
        const qsizetype before = peer.commands().size();
        s.ftp.enabled = true;
        s.ftp.server = "127.0.0.1";
        s.ftp.port = portFromText(c.port.replace("%1", QString::number(peer.port())));
        s.ftp.user = c.user;
        s.ftp.password = "s3cret";
        s.ftp.remotePath = c.path;
        s.ftp.tls = c.ftps;
        run();
        const StatusLine& status = model.status(Action::Ftp);
        QCOMPARE(status.success, c.tip == "226 ");
        QVERIFY2(status.toolTip.startsWith(c.tip), qPrintable(status.toolTip));
        QString sent;
        for (const QVariantMap& command : peer.commands().mid(before))
            sent += command["cmd"].toString() + ' ' + command["arg"].toString() + '\n';
        QVERIFY2(QRegularExpression("(?ms)" + c.commands).match(sent).hasMatch(), qPrintable(sent));
        if (status.success) // pyftpdlib stores an ASCII upload with this system's LF
            QCOMPARE(test::readAll(peer.root() + model.settings().ftp.remotePath + "ip_office.txt"),
                     "10.1.2.3\n192.168.0.5\n");
    }

    void http_data()
    {
        QTest::addColumn<HttpCase>("c");
        const QString query = "/nic/update?system=dyndns&hostname=%1&myip=10.1.2.3&wildcard=NOCHG"
                              "&mx=NOCHG&backmx=NOCHG&offline=NO";
        // Windows-1252, and a line break that must not start a header of its own.
        test::row<HttpCase>("DynDNS", true, "",
                            QString::fromUtf8("my h\u00f6st,b.example\r\nX-Injected: 1"),
                            query.arg("my%20h%F6st,b.example%0D%0AX-Injected%3A%201"),
                            "good 10.1.2.3\nnochg 10.1.2.3");
        test::row<HttpCase>("DynDNS over HTTPS", true, "ca.pem", "a.example",
                            query.arg("a.example"), "good 10.1.2.3\nnochg 10.1.2.3");
        test::row<HttpCase>(
            "DynDNS, IPv6 watched", true, "", "a.example",
            QString(query).replace("10.1.2.3", "10.1.2.3,2001:db8::7").arg("a.example"), "good",
            "good", true);
        // Every line of the answer counts; one without an update code is no success.
        const auto refused = [](const char* name, const char* answer, const char* tip) {
            test::row<HttpCase>(name, true, "", "a.example,b.example", "", tip, answer);
        };
        refused("two hosts, one refused", "good 10.1.2.3\nnohost",
                "nohost: the host name does not exist in this account");
        refused("!yours", "!yours", "!yours: the host name belongs to another account");
        refused("code and tab", "badauth\t", "badauth: the user name or password is wrong");
        refused("blank line first", "\r\nbadauth", "badauth: the user name or password is wrong");
        refused("911", "911", "911: the service has a problem\n");
        refused("empty", "", "The service's answer holds no update code");
        refused("portal", "<p>Log in", "The service's answer is no update code: <p>Log in");
        // Every byte of the page's answer, whatever it is.
        test::row<HttpCase>("URL", false, "", "http://%1/u p?ip=$EXTIP$&lan=$INTIP$&low=$extip$",
                            "/u%20p?ip=10.1.2.3&lan=192.168.0.5&low=$extip$",
                            QString::fromUtf8("ok\r\n\u20ac\u00ff"), "ok\r\n\x80\xff");
        test::row<HttpCase>("URL, IPv6 watched", false, "", "http://%1/?$EXTIP6$&$INTIP6$",
                            "/?2001:db8::7&2001:db8::5", "ok", "ok", true);
        test::row<HttpCase>("URL, IPv6 not watched", false, "", "http://%1/?$EXTIP6$", "",
                            "The external IPv6 address is not known: tick \"Also watch IPv6\"");
        test::row<HttpCase>(
            "URL over HTTPS, another CA", false, "other-ca.pem", "https://%1/", "",
            "Couldn't access URL\ncertificate not trusted: issued by an unknown authority");
        test::row<HttpCase>("URL over HTTPS, sent on to HTTP", false, "ca.pem", "https://%1/", "",
                            "Couldn't access URL\nRedirect not followed: it leads away from HTTPS",
                            "STATUS 302 http://" + httpPeer.hostPort().toLatin1());
    }
    void http()
    {
        QFETCH(HttpCase, c);
        test::HttpPeer& peer = c.trusted.isEmpty() ? httpPeer : httpsPeer;
        test::trustAuthorities(c.trusted.isEmpty() ? QString() : test::tlsFile(c.trusted));
        peer.answer(c.answer);
        const qsizetype before = peer.requests().size();
        s.dynDns.enabled = c.dynDns;
        s.dynDns.user = "user";
        s.dynDns.password = "p@ss:/#word";
        s.dynDns.hostNames = c.text;
        s.url.enabled = !c.dynDns;
        s.url.url = QString(c.text).replace("%1", peer.hostPort());
        s.dynDns.service = peer.hostPort();
        s.dynDns.https = !c.trusted.isEmpty();
        s.watchIPv6 = c.ipv6;
        run();
        const StatusLine& status = model.status(c.dynDns ? Action::DynDns : Action::Url);
        QCOMPARE(status.success, !c.path.isEmpty());
        QVERIFY2(status.toolTip.startsWith(c.tip), qPrintable(status.toolTip));
        QCOMPARE(peer.requests().size() - before,
                 c.trusted == "other-ca.pem" || c.tip.startsWith("The external") ? 0 : 1);
        if (c.path.isEmpty())
            return;
        const QList<QVariantMap> requests = peer.requests().mid(before);
        QCOMPARE(requests[0]["path"].toString(), c.path);
        if (c.dynDns) // the password as it is, never in the URL where "@:/#" would end it early
            QCOMPARE(test::header(requests[0], "authorization"),
                     "Basic " + QByteArray("user:p@ss:/#word").toBase64());
    }

    // Where the service documents "myipv6", the IPv6 address goes there.
    void dynDnsQueryNamesIPv6Apart()
    {
        QCOMPARE(dynDnsQuery("a.example", "10.1.2.3", "2001:db8::7", true),
                 "system=dyndns&hostname=a.example&myip=10.1.2.3&myipv6=2001:db8::7&wildcard=NOCHG"
                 "&mx=NOCHG&backmx=NOCHG&offline=NO");
    }

    // A refusal on any line that must not be repeated holds a change's update until the user
    // acts: changes a DynDNS setting, or runs the update and the service accepts it.
    void holdIsLiftedOnlyByTheUser()
    {
        s.dynDns.enabled = true;
        s.dynDns.service = httpPeer.hostPort();
        s.dynDns.https = false;
        const qsizetype before = httpPeer.requests().size();
        const QList<std::tuple<RunCause, QByteArray, QString>> steps = {
            {RunCause::User, "good\nnohost", "u"}, {RunCause::User, "911", "u"},
            {RunCause::Change, "good", "u"},       {RunCause::Change, "good", "v"},
            {RunCause::User, "badauth", "v"},      {RunCause::User, "good", "v"},
            {RunCause::Change, "good", "v"}};
        for (const auto& [cause, answer, user] : steps) {
            httpPeer.answer(answer);
            s.dynDns.user = user;
            run(cause);
        }
        QCOMPARE(httpPeer.requests().size() - before, 6);
        QCOMPARE(model.status(Action::DynDns).toolTip, "good");
    }
};

QTEST_MAIN(TestActions)
#include "tst_actions.moc"
