#include "actions/EmailAction.h"

#include "actions/SmtpDialogue.h"
#include "core/Ansi.h"
#include "core/Model.h"
#include "platform/Winsock.h"

namespace quillet {

namespace {

// The number the port text begins with, leading blanks skipped; 0 when there is none or it
// is no port at all.
quint16 portValue(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    int value = 0;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9');
         ++i) {
        value = value * 10 + (text.at(i).unicode() - '0');
        if (value > 65535)
            return 0;
    }
    return static_cast<quint16>(value);
}

} // namespace

EmailAction::EmailAction(Model& model, QObject* parent)
    : QObject(parent)
    , model_(model)
    , Winsock1(new platform::Winsock(this))
{
    SmtpLink link;
    link.inputs = [this] {
        const Settings& s = model_.settings();
        return SmtpInputs{s.chkAuthentication != 0, s.cboSMTPSecurity == 1, s.txtSMTPuser,
                          s.txtSMTPpassword,        s.txtEmailFrom,         s.txtEmailRecipient,
                          model_.externalIP(),      model_.internalIP(),    model_.hostName()};
    };
    link.send = [this](const QString& wire, const QString& shown) {
        return SendDataAndLog(wire, shown);
    };
    link.log = [this](const QString& text) { model_.appendTranscript(text); };
    link.showReply = [this](const QString& reply) { model_.setStatusTip(0, reply); };
    link.startTls = [this] { Winsock1->StartTls(); };
    link.end = [this](bool success, const QString& toolTip) {
        Winsock1->Close();
        model_.showStatus(0,
                          success ? QStringLiteral("Send Email Success @ ")
                                  : QStringLiteral("Send Email Failure @ "),
                          success);
        if (!success)
            model_.setStatusTip(0, toolTip);
        busy_ = false;
        emit finished();
    };
    dialogue_ = new SmtpDialogue(std::move(link), this);

    platform::Winsock* socket = Winsock1;
    SmtpDialogue* dialogue = dialogue_;
    connect(socket, &platform::Winsock::DataArrival, dialogue,
            [dialogue, socket] { dialogue->received(fromAnsi(socket->GetData())); });
    connect(socket, &platform::Winsock::Encrypted, dialogue,
            [dialogue, socket] { dialogue->encrypted(socket->tlsSummary()); });
    connect(socket, &platform::Winsock::Error, dialogue,
            [dialogue, socket](QAbstractSocket::SocketError number, const QString& description) {
                switch (number) {
                case QAbstractSocket::HostNotFoundError:
                    dialogue->fail(QStringLiteral("SMTP server not found: ") +
                                   socket->RemoteHost());
                    break;
                case QAbstractSocket::ConnectionRefusedError:
                    dialogue->fail(QStringLiteral("Connection refused by %1:%2")
                                       .arg(socket->RemoteHost())
                                       .arg(socket->RemotePort()));
                    break;
                case QAbstractSocket::SslHandshakeFailedError:
                    dialogue->fail(description);
                    break;
                default:
                    dialogue->fail(QStringLiteral("Connection to the SMTP server failed: ") +
                                   description);
                    break;
                }
            });
    connect(socket, &platform::Winsock::Closed, dialogue, [dialogue] {
        dialogue->fail(
            QStringLiteral("The SMTP server closed the connection before the answer to QUIT"));
    });
}

EmailAction::~EmailAction() = default;

void EmailAction::SendEmail()
{
    const Settings& s = model_.settings();
    model_.clearTranscript();
    Winsock1->Close();
    busy_ = true;
    dialogue_->start();
    // SSL/TLS: encrypted from the first byte, as on port 465.
    Winsock1->Connect(s.txtSMTPServer, portValue(s.txtSMTPport), s.cboSMTPSecurity == 2);
}

bool EmailAction::SendDataAndLog(const QString& strData, const QString& shown)
{
    if (!Winsock1->SendData(toAnsi(strData)))
        return false;
    model_.appendTranscript(shown);
    return true;
}

} // namespace quillet
