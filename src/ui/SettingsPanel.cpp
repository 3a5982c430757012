#include "ui/frmMain.h"

#include "core/Endpoints.h"
#include "core/Settings.h"
#include "core/TextUtil.h"

#include <QScopedValueRollback>

// The settings panel: every setting into its control and back, and the rules that enable a
// panel's controls as its tick changes.
namespace quillet {

int checkValue(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    }
    return 0;
}

void setCheckValue(QCheckBox* box, int value)
{
    if (value == 2)
        box->setTristate(true);
    box->setCheckState(value == 1 ? Qt::Checked
                                  : (value == 2 ? Qt::PartiallyChecked : Qt::Unchecked));
}

void frmMain::applySettings(const Settings& settings)
{
    // The model's own values coming in: nothing to put back.
    const QScopedValueRollback applying(applying_, true);
    for (const SettingField& field : kSettingFields) {
        QWidget* control = findChild<QWidget*>(QString::fromLatin1(field.control));
        auto* combo = qobject_cast<QComboBox*>(control);
        if (const auto* number = std::get_if<int Settings::*>(&field.member)) {
            if (combo) {
                // A choice made elsewhere is as it was made: the port does not follow it.
                const QSignalBlocker quiet(combo);
                combo->setCurrentIndex(settings.*(*number));
            } else {
                setCheckValue(qobject_cast<QCheckBox*>(control), settings.*(*number));
            }
            continue;
        }
        // Only what changed: the caret stays where the user is typing.
        const QString& text = settings.*std::get<QString Settings::*>(field.member);
        if (combo && combo->currentText() != text)
            combo->setCurrentText(text);
        else if (auto* edit = qobject_cast<QLineEdit*>(control); edit && edit->text() != text)
            edit->setText(text);
    }
    securityShown_ = cboSMTPSecurity->currentIndex();
}

Settings frmMain::settings() const
{
    Settings settings;
    for (const SettingField& field : kSettingFields) {
        QWidget* control = findChild<QWidget*>(QString::fromLatin1(field.control));
        const auto* combo = qobject_cast<const QComboBox*>(control);
        if (const auto* number = std::get_if<int Settings::*>(&field.member))
            settings.*(*number) =
                combo ? combo->currentIndex() : checkValue(qobject_cast<QCheckBox*>(control));
        else
            settings.*std::get<QString Settings::*>(field.member) =
                combo ? combo->currentText() : qobject_cast<QLineEdit*>(control)->text();
    }
    return settings;
}

void frmMain::chkSendEmail_Click()
{
    const bool ticked = checkValue(chkSendEmail) == 1;
    for (QWidget* w :
         std::initializer_list<QWidget*>{txtEmailRecipient, txtEmailFrom, txtSMTPServer,
                                         txtSMTPport, cboSMTPSecurity, chkAuthentication})
        w->setEnabled(ticked);
    const bool credentials = ticked && checkValue(chkAuthentication) == 1;
    txtSMTPuser->setEnabled(credentials);
    txtSMTPpassword->setEnabled(credentials);
}

void frmMain::chkAuthentication_Click()
{
    if (checkValue(chkAuthentication) == 1) {
        if (checkValue(chkSendEmail) == 1) {
            txtSMTPuser->setEnabled(true);
            txtSMTPpassword->setEnabled(true);
        }
    } else {
        txtSMTPuser->setEnabled(false);
        txtSMTPpassword->setEnabled(false);
    }
}

void frmMain::chkUploadFile_Click()
{
    const bool ticked = checkValue(chkUploadFile) == 1;
    for (QWidget* w :
         std::initializer_list<QWidget*>{txtFileName, txtFTPserver, txtFTPport, chkFTPS,
                                         txtFTPusername, txtFTPpassword, txtFTPpath})
        w->setEnabled(ticked);
}

void frmMain::chkUpdateDynDNS_Click()
{
    const bool ticked = checkValue(chkUpdateDynDNS) == 1;
    for (QWidget* w : std::initializer_list<QWidget*>{
             cboDDNSservice, txtDDNSusername, txtDDNSpassword, txtDDNShostname, chkDDNShttps})
        w->setEnabled(ticked);
}

void frmMain::chkExecuteURL_Click()
{
    txtExecuteURL->setEnabled(checkValue(chkExecuteURL) == 1);
}

void frmMain::cboSMTPSecurity_Click(int index)
{
    // The port follows the choice while it still holds the previous choice's usual one.
    static const QStringList usualPorts = {QStringLiteral("25"), QStringLiteral("587"),
                                           QStringLiteral("465")};
    if (index >= 0 && txtSMTPport->text() == usualPorts.value(securityShown_))
        txtSMTPport->setText(usualPorts.value(index));
    securityShown_ = index;
}

void frmMain::cboDDNSservice_Change(const QString& service)
{
    const QString host = TrimBlanks(service);
    chkUpdateDynDNS->setText(QStringLiteral("Update Dynamic DNS Entry (%1)")
                                 .arg(dynDnsDomain(host.isEmpty() ? dynDnsHost() : host)));
}

} // namespace quillet
