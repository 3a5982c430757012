#include "TestSupport.h"

#include "actions/EmailAction.h"

#include <QtNetwork>
#include <QtTest>

using namespace quillet;

namespace {

// Long enough that an encoding broken into lines would show (RFC 4954, 4: one line each).
const QString kUser(50, 'u');
const QString kPassword = QString(49, 'p') + "!";
const QByteArray kPassLine = kPassword.toLatin1().toBase64() + "\r\n";
// The computer's name and the internal address try to add a header or end the data early:
// every line ends in CR LF, and one that begins with "." gets a second (RFC 5321, 4.5.2).
const QByteArray kMessage =
    "Date: Sat, 05 Dec 2026 15:23:38 *\r\nFrom: me@example.org\r\nTo: you@example.org\r\n"
    "Message-ID: <*@example.org>\r\nMIME-Version: 1.0\r\n"
    "Content-Type: text/plain; charset=windows-1252\r\nContent-Transfer-Encoding: 8bit\r\n"
    "SUBJECT:IP Change Notification for PC PC1.QUIT\r\n\r\n\r\nPC:PC1\r\n..\r\nQUIT\r\n"
    "203.0.113.7\r\n..5\r\nThis is an automated message from the Tarnwick Quillet software.\r\n"
    "Please do not reply to this message.\r\nYour computer's IP address has changed.\r\n"
    "The new external and internal IP addresses can be found at the top of the body of this "
    "email. Thank you.\r\n.\r\n";
// What the client sends, one command (or the mail data) an item.
const QByteArrayList kMail = {"MAIL FROM:<me@example.org>\r\n", "RCPT TO:<you@example.org>\r\n",
                              "DATA\r\n", kMessage, "QUIT\r\n"};
const QByteArrayList kPlain = QByteArrayList{"HELO [203.0.113.7]\r\n"} + kMail;
const QByteArrayList kLogin = QByteArrayList{"EHLO [203.0.113.7]\r\n", "AUTH LOGIN\r\n",
                                             kUser.toLatin1().toBase64() + "\r\n", kPassLine} +
                              kMail;

// The message's time zone and the varying part of its Message-ID as "*".
QByteArray stable(const QByteArray& text)
{
    static const QRegularExpression varying("(?<=:38 )[+-]\\d{4}|(?<=<)\\d{14}\\.[0-9a-f]{16}");
    return QString::fromLatin1(text).replace(varying, "*").toLatin1();
}

struct Case {
    bool auth;
    int security;         // 0 none, 1 STARTTLS, 2 SSL/TLS from the first byte
    QByteArray replies;   // the scripted server's
    QString tip = {};     // empty: the mail went
    QString trusted = {}; // empty: the scripted server; else aiosmtpd, trusting this
};

} // namespace

class TestEmail : public QObject {
    Q_OBJECT

    // aiosmtpd with TLS, after STARTTLS or from the first byte.
    test::SmtpPeer startTls{kUser, kPassword, "starttls", test::tlsFile("server.pem")};
    test::SmtpPeer implicit{kUser, kPassword, "implicit", test::tlsFile("server.pem")};
    // The scripted server answers each command of its latest connection with the next reply
    // of its script, writing the pieces of a reply 80 ms apart, so that they arrive apart.
    QTcpServer scripted;
    QTcpSocket* connection = nullptr;
    QList<QByteArrayList> script;
    QByteArray received; // everything the latest connection sent
    bool inData = false;
    test::Hooks hooks; // the clock
    EmailAction email;
    QString transcript;
    std::optional<Outcome> outcome;

    void answer()
    {
        const QByteArrayList pieces = script.isEmpty() ? QByteArrayList() : script.takeFirst();
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            if (i > 0)
                QTest::qWait(80);
            if (pieces[i] == "close")
                connection->disconnectFromHost();
            else
                connection->write(pieces[i]);
        }
    }

private slots:
    void initTestCase()
    {
        email.setReplyTimeout(std::chrono::seconds(3)); // a silent server fails fast
        connect(&email, &EmailAction::transcript, this,
                [this](const QString& t) { transcript += t; });
        QVERIFY(startTls.ok() && implicit.ok());
        QVERIFY(scripted.listen(QHostAddress::LocalHost));
        connect(&scripted, &QTcpServer::newConnection, this, [this] {
            delete connection; // nothing more from an earlier one
            connection = scripted.nextPendingConnection();
            received.clear();
            inData = false;
            connect(connection, &QTcpSocket::readyRead, this, [this] {
                received += connection->readAll();
                // A command ends at CR LF, the mail data at a line of one ".".
                if (received.endsWith(inData ? "\r\n.\r\n" : "\r\n")) {
                    inData = received.endsWith("DATA\r\n");
                    answer();
                }
            });
            answer();
        });
    }

    // The scripted server shows the exact bytes on the wire: each accepted reply is answered
    // by the next line, a refused one by QUIT. To aiosmtpd (with AUTH LOGIN) the mail goes
    // encrypted, and not at all when the server's certificate is not trusted.
    void send_data()
    {
        // Replies split at "|", a bare code taking " ok" CR LF; their pieces split at "~".
        QTest::addColumn<Case>("c");
        test::row<Case>("AUTH LOGIN, replies split across arrivals", true, 0,
                        "22~0 ready\r\n|250-quillet.test\r\n~250 AUTH LOGIN\r\n|334|334|235|"
                        "250 ok\r~\n|250|354|250|221");
        // The 535 ends the dialogue, never the server's answer to the password sent after.
        test::row<Case>("535 in the same read as the 334", true, 0,
                        "220|250|334|334 go on\r\n535 5.7.8 no\r\n|500 what?\r\n",
                        "535 5.7.8 no\r\n");
        test::row<Case>("STARTTLS not offered", true, 1, "220|250",
                        "The server does not offer STARTTLS");
        test::row<Case>("silent server", false, 0, "",
                        "The SMTP server sent no complete reply within 3 s");
        // Without AUTH, HELO. Once the message is taken, a close before QUIT's answer is no
        // failure; a close earlier says when it came.
        test::row<Case>("closed after the message", false, 0, "220|250|250|250|354|250|close");
        test::row<Case>("closed at once", false, 0, "close",
                        "The SMTP server closed the connection before its greeting");
        test::row<Case>("STARTTLS", true, 1, "", "", "ca.pem");
        test::row<Case>("SSL/TLS", true, 2, "", "", "ca.pem");
        test::row<Case>("STARTTLS, another CA", true, 1, "",
                        "certificate not trusted: issued by an unknown authority", "other-ca.pem");
    }
    void send()
    {
        QFETCH(Case, c);
        const test::SmtpPeer& peer = c.security == 1 ? startTls : implicit;
        const qsizetype before = peer.mails().size();
        test::trustAuthorities(c.trusted.isEmpty() ? QString() : test::tlsFile(c.trusted));
        script.clear();
        for (const QByteArray& reply : c.replies.split('|'))
            script.append(reply.size() == 3 ? QByteArrayList{reply + " ok\r\n"} : reply.split('~'));
        EmailSettings s;
        s.recipient = "  you@example.org ", s.sender = "me@example.org", s.server = "127.0.0.1";
        s.port = c.trusted.isEmpty() ? scripted.serverPort() : peer.port();
        s.authenticate = c.auth, s.security = static_cast<EmailSecurity>(c.security);
        s.user = kUser, s.password = kPassword;
        transcript.clear();
        outcome.reset();
        email.send(s, {"203.0.113.7", ".5"}, "PC1\r\n.\r\nQUIT",
                   [this](const Outcome& o) { outcome = o; });
        QVERIFY(QTest::qWaitFor([this] { return outcome.has_value(); }, 15000));
        QVERIFY2(outcome->success == c.tip.isEmpty(), qPrintable(transcript));
        if (!c.tip.isEmpty())
            QCOMPARE(outcome->detail, c.tip);
        QCOMPARE(transcript.contains("(TLS: TLSv1."), c.security > 0 && c.tip.isEmpty());
        QVERIFY(!transcript.contains(QString::fromLatin1(kPassLine)));
        if (!c.trusted.isEmpty())
            QCOMPARE(peer.mails().mid(before).startsWith("me@example.org\nyou@example.org\n"),
                     c.tip.isEmpty());
        else
            QTRY_COMPARE(stable(received),
                         (c.auth ? kLogin : kPlain).first(c.replies.count('|')).join() +
                             (c.tip.isEmpty() || c.replies.endsWith("close") ? "" : "QUIT\r\n"));
    }
};

QTEST_MAIN(TestEmail)
#include "tst_email.moc"
