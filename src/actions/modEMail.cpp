#include "actions/modEMail.h"

#include "actions/SmtpDialogue.h"
#include "core/Ansi.h"
#include "core/TextUtil.h"
#include "platform/Winsock.h"
#include "ui/frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

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

SmtpDialogue* CreateSmtpDialogue(frmMain& form)
{
    SmtpLink link;
    link.inputs = [&form] {
        return SmtpInputs{checkValue(form.chkAuthentication) != 0,
                          form.cboSMTPSecurity->currentIndex() == 1,
                          form.txtSMTPuser->text(),
                          form.txtSMTPpassword->text(),
                          form.txtEmailFrom->text(),
                          form.txtEmailRecipient->text(),
                          form.txtExternalIP->text(),
                          form.txtInternalIP->text(),
                          form.lblHostName->text()};
    };
    link.send = [&form](const QString& wire, const QString& shown) {
        return form.SendDataAndLog(wire, shown);
    };
    link.log = [&form](const QString& text) { AppendToSMTPlog(form, text); };
    link.showReply = [&form](const QString& reply) { form.lblStatus[0]->setToolTip(reply); };
    link.startTls = [&form] { form.Winsock1->StartTls(); };
    link.end = [&form](bool success, const QString& toolTip) {
        form.Winsock1->Close();
        form.showStatus(0,
                        success ? QStringLiteral("Send Email Success @ ")
                                : QStringLiteral("Send Email Failure @ "),
                        success);
        if (!success)
            form.lblStatus[0]->setToolTip(toolTip);
    };
    auto* dialogue = new SmtpDialogue(std::move(link), &form);

    platform::Winsock* socket = form.Winsock1;
    QObject::connect(socket, &platform::Winsock::DataArrival, dialogue,
                     [dialogue, socket] { dialogue->received(fromAnsi(socket->GetData())); });
    QObject::connect(socket, &platform::Winsock::Encrypted, dialogue,
                     [dialogue, socket] { dialogue->encrypted(socket->tlsSummary()); });
    QObject::connect(
        socket, &platform::Winsock::Error, dialogue,
        [dialogue, socket](QAbstractSocket::SocketError number, const QString& description) {
            switch (number) {
            case QAbstractSocket::HostNotFoundError:
                dialogue->fail(QStringLiteral("SMTP server not found: ") + socket->RemoteHost());
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
    QObject::connect(socket, &platform::Winsock::Closed, dialogue, [dialogue] {
        dialogue->fail(
            QStringLiteral("The SMTP server closed the connection before the answer to QUIT"));
    });
    return dialogue;
}

void SendEmail(frmMain& form)
{
    form.txtSMTPlog->clear();
    form.Winsock1->Close();
    form.Smtp->start();
    // SSL/TLS: encrypted from the first byte, as on port 465.
    form.Winsock1->Connect(form.txtSMTPServer->text(), portValue(form.txtSMTPport->text()),
                           form.cboSMTPSecurity->currentIndex() == 2);
}

void AppendToSMTPlog(frmMain& form, const QString& text)
{
    // The box breaks lines at LF; a CR LF on the wire is one line break here.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextCursor cursor(form.txtSMTPlog->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(shown);
}

} // namespace quillet
