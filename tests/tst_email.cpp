#include "TestSupport.h"

#include "actions/Base64.h"
#include "actions/EmailAction.h"
#include "actions/SmtpDialogue.h"
#include "core/DateText.h"
#include "core/Model.h"
#include "platform/Winsock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace quillet;
using Script = QList<QByteArrayList>;

namespace {

const QByteArray kHelo = "HELO [203.0.113.7]\r\n";
const QByteArray kEhlo = "EHLO [203.0.113.7]\r\n";
const QByteArray kAuth = "AUTH LOGIN\r\n";
const QByteArray kUser = "YWxpY2U=\r\n";
const QByteArray kPass = "c2VjcmV0\r\n";
const QByteArray kFrom = "MAIL FROM:<me@example.org>\r\n";
const QByteArray kRcpt = "RCPT TO:<you@example.org>\r\n";
const QByteArray kData = "DATA\r\n";
// After the Date and the Message-ID, whose values stable() stands in for.
const QByteArray kMime = "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=windows-1252\r\n"
                         "Content-Transfer-Encoding: 8bit\r\n";
const QByteArray kTail = "This is an automated message from the Tarnwick Quillet software.\r\n"
                         "Please do not reply to this message.\r\n"
                         "Your computer's IP address has changed.\r\n"
                         "The new external and internal IP addresses can be found at the top "
                         "of the body of this email. Thank you.\r\n";
const QByteArray kMessage = "Date: <date>\r\nFrom: me@example.org\r\nTo: you@example.org\r\n"
                            "Message-ID: <id>\r\n" +
                            kMime +
                            "SUBJECT:IP Change Notification for PC PC1\r\n\r\n\r\nPC:PC1\r\n"
                            "203.0.113.7\r\n192.168.1.20\r\n" +
                            kTail + ".\r\n";
const QByteArray kQuit = "QUIT\r\n";
const QByteArrayList kPlainLines = {kHelo, kFrom, kRcpt, kData, kMessage, kQuit};
const QByteArrayList kAuthLines = {kEhlo, kAuth, kUser,    kPass, kFrom,
                                   kRcpt, kData, kMessage, kQuit};
const QString kStamp = "12-05-2026 15:23:38";
const QByteArray kPlain = "220|250|250|250|354|250|221";

// The message's Date (of the tests' clock, in any zone) and its Message-ID as placeholders.
QByteArray stable(QByteArray text)
{
    static const QRegularExpression date("Date: Sat, 05 Dec 2026 15:23:38 [+-]\\d{4}(\r?\n)");
    static const QRegularExpression id("Message-ID: <\\d{14}\\.[0-9a-f]{16}@[A-Za-z0-9.-]+>");
    QString s = QString::fromLatin1(text);
    s.replace(date, "Date: <date>\\1").replace(id, "Message-ID: <id>");
    return s.toLatin1();
}

// Replies split at "|", each written in pieces split at "~"; a bare code gets " ok" CR LF.
Script replies(const QByteArray& text)
{
    Script script;
    for (const QByteArray& reply : text.isEmpty() ? QByteArrayList() : text.split('|')) {
        script.append(reply.size() == 3 ? QByteArrayList{reply + " ok\r\n"} : reply.split('~'));
    }
    return script;
}

// An SMTP server that answers each command of the latest connection with the next reply of
// its script, written in pieces 80 ms apart; a piece "CLOSE" drops the connection instead.
class ScriptedServer : public QObject {
public:
    explicit ScriptedServer(Script script)
        : script_(std::move(script))
    {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            peer_ = server_.nextPendingConnection();
            ++connections;
            received.clear();
            step_ = 0;
            connect(peer_, &QTcpSocket::readyRead, this, [this, peer = peer_] { read(peer); });
            answer();
        });
    }
    quint16 port() const { return server_.serverPort(); }

    QByteArray received; // everything the latest connection sent
    int connections = 0;

private:
    void read(QTcpSocket* peer)
    {
        if (peer != peer_)
            return;
        const QByteArray data = peer->readAll();
        received += data;
        pending_ += data;
        if (!pending_.endsWith(lastCommand_ == kData ? "\r\n.\r\n" : "\r\n"))
            return;
        lastCommand_ = std::exchange(pending_, {});
        answer();
    }
    void answer()
    {
        if (step_ < script_.size())
            write(script_[step_++], 0);
    }
    void write(const QByteArrayList& pieces, qsizetype i)
    {
        if (pieces[i] == "CLOSE") {
            peer_->disconnectFromHost();
            return;
        }
        peer_->write(pieces[i]);
        if (i + 1 < pieces.size())
            QTimer::singleShot(80, this, [=, this, peer = QPointer(peer_)] {
                if (peer && peer == peer_)
                    write(pieces, i + 1);
            });
    }

    QTcpServer server_;
    QTcpSocket* peer_ = nullptr;
    Script script_;
    qsizetype step_ = 0;
    QByteArray pending_;
    QByteArray lastCommand_;
};

struct Mailer {
    Model model;
    EmailAction email{model};

    Mailer(quint16 port, bool auth)
    {
        edit([&](Settings& s) {
            s.txtSMTPServer = "127.0.0.1";
            s.txtSMTPport = QString::number(port);
            s.txtEmailFrom = "me@example.org";
            s.txtEmailRecipient = "  you@example.org ";
            s.chkAuthentication = auth ? 1 : 0;
            s.txtSMTPuser = "alice";
            s.txtSMTPpassword = "secret";
        });
        model.setAddresses("203.0.113.7", "192.168.1.20");
        model.setHostName("PC1");
    }
    void edit(const std::function<void(Settings&)>& change)
    {
        Settings settings = model.settings();
        change(settings);
        model.setSettings(settings);
    }
    // As the log box shows it: a CR LF on the wire is one line break there.
    QString log() const
    {
        return QString::fromLatin1(stable(model.transcript().toLatin1())).replace("\r\n", "\n");
    }
    QString tip() const { return model.status(0).toolTip; }
    bool ended() const { return !model.status(0).text.isEmpty(); }
    bool endedAs(bool success) const
    {
        return model.status(0).text ==
                   (success ? "Send Email Success @ " : "Send Email Failure @ ") + kStamp &&
               model.status(0).success == success;
    }
};

// The transcript as the log box shows it: each reply after "s:", then what answered it.
QString transcript(const Script& script, const QByteArrayList& sent)
{
    QByteArray text;
    for (qsizetype i = 0; i < script.size(); ++i)
        text += "s:" + script[i].join() +
                (sent.value(i) == kPass ? "(password hidden)\r\n" : sent.value(i));
    return QString::fromLatin1(text).replace("\r\n", "\n");
}

} // namespace

class TestEmail : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitBase64();
        test::fixClock();
    }
    void cleanupTestCase() { test::resetSeams(); }

    void dialogue_data()
    {
        QTest::addColumn<bool>("auth");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("success");
        QTest::newRow("without authentication") << false << kPlain << true;
        QTest::newRow("with authentication, EHLO answered line by line")
            << true
            << QByteArray("220|250-quillet.test\r\n~250-AUTH LOGIN\r\n~250 HELP\r\n|334|334|235|"
                          "250|250|354|250|221")
            << true;
        QTest::newRow("replies split across arrivals")
            << false << QByteArray("22~0 ready\r\n|250 ok\r~\n|250|250|354|250|221") << true;
        QTest::newRow("multi-line reply in one arrival")
            << false << QByteArray("220|250-quillet.test\r\n250 HELP\r\n|250|250|354|250|221")
            << true;
        // The second reply answers nothing sent yet: shown, not taken for HELO's answer.
        QTest::newRow("two replies in one arrival")
            << false << QByteArray("220 ready\r\n250 early\r\n|250|250|250|354|250|221") << true;
        QTest::newRow("535 to the password") << true << QByteArray("220|250|334|334|535") << false;
        QTest::newRow("251 to RCPT TO") << false << QByteArray("220|250|250|251") << false;
    }
    void dialogue()
    {
        QFETCH(bool, auth);
        QFETCH(QByteArray, text);
        QFETCH(bool, success);
        const Script script = replies(text);
        // Each accepted reply is answered by the next line; a refused one by QUIT.
        QByteArrayList sent = (auth ? kAuthLines : kPlainLines).first(script.size() - 1);
        if (!success)
            sent.append(kQuit);
        ScriptedServer server(script);
        Mailer m(server.port(), auth);
        m.email.SendEmail();
        QTRY_VERIFY_WITH_TIMEOUT(m.ended(), 10000);
        QVERIFY(m.endedAs(success));
        QCOMPARE(m.log(), transcript(script, sent));
        QTRY_COMPARE(stable(server.received), sent.join());
        QCOMPARE(m.tip(), QString::fromLatin1(script.last().join()));
    }

    void failuresAreReported_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QString>("log"); // "*" + text: the log ends with the text
        QTest::newRow("unresolvable host") << "smtp.quillet.invalid" << QByteArray()
                                           << "SMTP server not found: smtp.quillet.invalid"
                                           << "";
        QTest::newRow("refused") << "" << QByteArray() << "Connection refused by 127.0.0.1:%1"
                                 << "";
        QTest::newRow("closed before the answer to QUIT")
            << "127.0.0.1" << QByteArray("220|250|CLOSE")
            << "The SMTP server closed the connection before the answer to QUIT"
            << transcript(replies("220|250"), {kHelo, kFrom});
        const QString silence = "The SMTP server sent no complete reply within 0.5 s";
        QTest::newRow("silent server") << "127.0.0.1" << QByteArray() << silence << "QUIT\n";
        QTest::newRow("reply never completes")
            << "127.0.0.1" << QByteArray("220 half a line") << silence << "s:220 half a lineQUIT\n";
        QTest::newRow("endless reply")
            << "127.0.0.1" << QByteArray(70000, 'x') << "The SMTP server's reply is too long"
            << "*xxxxQUIT\n";
    }
    void failuresAreReported()
    {
        QFETCH(QString, host);
        QFETCH(QByteArray, text);
        QFETCH(QString, tip);
        QFETCH(QString, log);
        ScriptedServer server(replies(text));
        const quint16 port = host.isEmpty() ? test::unusedPort() : server.port();
        Mailer m(port, false);
        if (!host.isEmpty())
            m.edit([&](Settings& s) { s.txtSMTPServer = host; });
        m.email.dialogue().setReplyTimeout(
            std::chrono::milliseconds(server.port() == port ? 500 : 10000));
        m.email.SendEmail();
        QTRY_VERIFY_WITH_TIMEOUT(m.ended(), 15000);
        QVERIFY(m.endedAs(false));
        QCOMPARE(m.tip(), host.isEmpty() ? tip.arg(port) : tip);
        if (log.startsWith(QLatin1Char('*')))
            QVERIFY(m.log().endsWith(log.mid(1)));
        else
            QCOMPARE(m.log(), log);
    }

    void linesCannotBreakTheFraming()
    {
        ScriptedServer server(replies(kPlain));
        Mailer m(server.port(), false);
        m.model.setAddresses("203.0.113.7\r\nRSET", ".5");
        m.edit([](Settings& s) {
            s.txtEmailFrom = "me@example.org>\r\nRCPT TO:<x@y";
            s.txtEmailRecipient = " you@example.org\n ";
        });
        m.model.setHostName("PC1\r\n.\r\nQUIT");
        m.email.SendEmail();
        QTRY_VERIFY_WITH_TIMEOUT(m.ended(), 10000);
        QVERIFY(m.endedAs(true));
        // No valid address to greet with: the computer's name. In the message every line ends
        // in CR LF and one that begins with "." gets a second one (RFC 5321, 4.5.2).
        QCOMPARE(stable(server.received),
                 "HELO PC1.QUIT\r\nMAIL FROM:<me@example.org>RCPT TO:<x@y>\r\n" + kRcpt + kData +
                     "Date: <date>\r\nFrom: me@example.org>RCPT TO:<x@y\r\nTo: you@example.org\r\n"
                     "Message-ID: <id>\r\n" +
                     kMime +
                     "SUBJECT:IP Change Notification for PC PC1.QUIT\r\n\r\n\r\nPC:PC1\r\n"
                     "..\r\nQUIT\r\n203.0.113.7\r\nRSET\r\n..5\r\n" +
                     kTail + ".\r\n" + kQuit);
    }

    // A 535 can come in the same read as the 334 before it: the 334 is answered, then the
    // 535 ends the dialogue, never the server's answer to what followed.
    void refusalInTheSameReadDecides()
    {
        ScriptedServer server(replies("220|250|334|334 go on\r\n535 5.7.8 no\r\n|500 what?\r\n"));
        Mailer m(server.port(), true);
        m.email.SendEmail();
        QTRY_VERIFY_WITH_TIMEOUT(m.ended(), 10000);
        QVERIFY(m.endedAs(false));
        QCOMPARE(m.tip(), "535 5.7.8 no\r\n");
        QTRY_COMPARE(server.received, kEhlo + kAuth + kUser + kPass + kQuit);
    }

    void newSendEmailAbandonsTheDialogue()
    {
        const Script slow = replies("220|250 ~ok\r\n|250|250|354|250|221");
        ScriptedServer server(slow);
        Mailer m(test::unusedPort(), false);
        // The refusal of this attempt is still on its way when it is given up.
        m.email.SendEmail();
        m.edit([&](Settings& s) { s.txtSMTPport = QString::number(server.port()); });
        m.email.SendEmail();
        QTRY_COMPARE_WITH_TIMEOUT(server.received, kHelo, 5000);
        m.email.SendEmail();
        QCOMPARE(m.log(), QString());
        QTRY_VERIFY_WITH_TIMEOUT(m.ended(), 10000);
        QTest::qWait(200);
        QVERIFY(m.endedAs(true));
        QCOMPARE(server.connections, 2);
        QCOMPARE(m.log(), transcript(slow, kPlainLines));
    }

    // Against aiosmtpd, with AUTH LOGIN: credentials over 45 bytes go as one Base64 line each
    // (RFC 4954, 4); with TLS asked for, encrypted before anything secret, or nothing is sent.
    void realServer_data()
    {
        QTest::addColumn<int>("security");   // 0 none, 1 STARTTLS, 2 SSL/TLS
        QTest::addColumn<QString>("server"); // the peer's TLS: "starttls", "implicit" or none
        QTest::addColumn<QString>("trusted");
        QTest::addColumn<QString>("tip"); // empty: the mail arrives
        QTest::newRow("plain") << 0 << ""
                               << "ca.pem"
                               << "";
        QTest::newRow("STARTTLS") << 1 << "starttls"
                                  << "ca.pem"
                                  << "";
        QTest::newRow("SSL/TLS") << 2 << "implicit"
                                 << "ca.pem"
                                 << "";
        QTest::newRow("STARTTLS not offered") << 1 << ""
                                              << "ca.pem"
                                              << "The server does not offer STARTTLS";
        QTest::newRow("another CA") << 1 << "starttls"
                                    << "other-ca.pem"
                                    << "certificate not trusted: issued by an unknown authority";
    }
    void realServer()
    {
        QFETCH(int, security);
        QFETCH(QString, server);
        QFETCH(QString, trusted);
        QFETCH(QString, tip);
        const QString user(50, 'u'), password = QString(49, 'p') + "!";
        test::trustAuthorities(test::tlsFile(trusted));
        test::SmtpPeer peer(user, password, server,
                            server.isEmpty() ? QString() : test::tlsFile("server.pem"));
        QVERIFY2(peer.ok(), qPrintable(peer.errorText()));
        Mailer m(peer.port(), true);
        m.edit([&](Settings& s) {
            s.txtSMTPuser = user;
            s.txtSMTPpassword = password;
            s.cboSMTPSecurity = security;
        });
        m.email.SendEmail();
        QTRY_VERIFY_WITH_TIMEOUT(m.ended(), 15000);
        test::trustAuthorities({});
        QVERIFY2(m.endedAs(tip.isEmpty()), qPrintable(m.log()));
        const QRegularExpression tls("^\\(TLS: TLSv1\\.[23], \\S+\\)$",
                                     QRegularExpression::MultilineOption);
        QCOMPARE(m.log().contains(tls), security > 0 && tip.isEmpty());
        QCOMPARE(stable(peer.mails()),
                 tip.isEmpty() ? "me@example.org\nyou@example.org\n" + kMessage.chopped(3)
                               : QByteArray());
        if (!tip.isEmpty()) {
            QCOMPARE(m.tip(), tip);
            QVERIFY2(!m.log().contains("(password hidden)"), qPrintable(m.log()));
        }
        peer.stop();
    }
};

QTEST_MAIN(TestEmail)
#include "tst_email.moc"
