#include "ui/SettingsPanel.h"

#include "core/Endpoints.h"
#include "core/TextUtil.h"
#include "ui_MainWindow.h"

#include <QScopedValueRollback>

namespace quillet {

namespace {

// Each setting with its control, in one list for both directions: a control renamed or of
// another kind does not compile.
template <typename S, typename Bind> void bindFields(Ui::MainWindow& ui, S& s, const Bind& bind)
{
    bind(ui.sendEmailCheck, s.email.enabled);
    bind(ui.recipientEdit, s.email.recipient);
    bind(ui.smtpServerEdit, s.email.server);
    bind(ui.smtpPortEdit, s.email.port);
    bind(ui.senderEdit, s.email.sender);
    bind(ui.authenticateCheck, s.email.authenticate);
    bind(ui.smtpUserEdit, s.email.user);
    bind(ui.smtpPasswordEdit, s.email.password);
    bind(ui.securityCombo, s.email.security);
    bind(ui.uploadCheck, s.ftp.enabled);
    bind(ui.fileNameEdit, s.addressFileName);
    bind(ui.ftpServerEdit, s.ftp.server);
    bind(ui.ftpPortEdit, s.ftp.port);
    bind(ui.ftpUserEdit, s.ftp.user);
    bind(ui.ftpPasswordEdit, s.ftp.password);
    bind(ui.ftpPathEdit, s.ftp.remotePath);
    bind(ui.ftpsCheck, s.ftp.tls);
    bind(ui.dynDnsCheck, s.dynDns.enabled);
    bind(ui.serviceCombo, s.dynDns.service);
    bind(ui.dynDnsUserEdit, s.dynDns.user);
    bind(ui.dynDnsPasswordEdit, s.dynDns.password);
    bind(ui.dynDnsHostEdit, s.dynDns.hostNames);
    bind(ui.httpsCheck, s.dynDns.https);
    bind(ui.urlCheck, s.url.enabled);
    bind(ui.urlEdit, s.url.url);
    bind(ui.watchIPv6Check, s.watchIPv6);
}

// Into the controls, touching only what differs: the caret stays where the user is typing.
struct Show {
    void operator()(QCheckBox* box, bool ticked) const { box->setChecked(ticked); }
    void operator()(QLineEdit* edit, const QString& text) const
    {
        if (edit->text() != text)
            edit->setText(text);
    }
    void operator()(QLineEdit* edit, Port port) const
    {
        if (portFromText(edit->text()) != port)
            edit->setText(portText(port));
    }
    void operator()(QComboBox* combo, const QString& text) const
    {
        if (combo->currentText() != text)
            combo->setCurrentText(text);
    }
    void operator()(QComboBox* combo, EmailSecurity security) const
    {
        // A choice made elsewhere is as it was made: the port does not follow it.
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(static_cast<int>(security));
    }
};

struct Read {
    void operator()(const QCheckBox* box, bool& ticked) const { ticked = box->isChecked(); }
    void operator()(const QLineEdit* edit, QString& text) const { text = edit->text(); }
    void operator()(const QLineEdit* edit, Port& port) const { port = portFromText(edit->text()); }
    void operator()(const QComboBox* combo, QString& text) const { text = combo->currentText(); }
    void operator()(const QComboBox* combo, EmailSecurity& security) const
    {
        security = static_cast<EmailSecurity>(std::clamp(combo->currentIndex(), 0, 2));
    }
};

} // namespace

SettingsPanel::SettingsPanel(Ui::MainWindow& ui, QObject* parent)
    : QObject(parent)
    , ui_(ui)
{
    ui_.serviceCombo->addItems(dynDnsServices());
    serviceTyped(ui_.serviceCombo->currentText());

    const auto edited = [this] {
        if (!showing_)
            emit this->edited();
    };
    for (QCheckBox* box :
         {ui_.sendEmailCheck, ui_.authenticateCheck, ui_.uploadCheck, ui_.ftpsCheck,
          ui_.dynDnsCheck, ui_.httpsCheck, ui_.urlCheck, ui_.watchIPv6Check}) {
        connect(box, &QCheckBox::toggled, this, &SettingsPanel::followTicks);
        connect(box, &QCheckBox::toggled, this, edited);
    }
    for (QLineEdit* edit :
         {ui_.recipientEdit, ui_.smtpServerEdit, ui_.smtpPortEdit, ui_.senderEdit, ui_.smtpUserEdit,
          ui_.smtpPasswordEdit, ui_.fileNameEdit, ui_.ftpServerEdit, ui_.ftpPortEdit,
          ui_.ftpUserEdit, ui_.ftpPasswordEdit, ui_.ftpPathEdit, ui_.dynDnsUserEdit,
          ui_.dynDnsPasswordEdit, ui_.dynDnsHostEdit, ui_.urlEdit})
        connect(edit, &QLineEdit::textChanged, this, edited);
    connect(ui_.securityCombo, &QComboBox::currentIndexChanged, this,
            &SettingsPanel::securityChosen);
    connect(ui_.securityCombo, &QComboBox::currentIndexChanged, this, edited);
    connect(ui_.serviceCombo, &QComboBox::currentTextChanged, this, &SettingsPanel::serviceTyped);
    connect(ui_.serviceCombo, &QComboBox::currentTextChanged, this, edited);
    followTicks();
}

void SettingsPanel::show(const Settings& settings)
{
    // The model's own values coming in: nothing to put back.
    const QScopedValueRollback showing(showing_, true);
    bindFields(ui_, settings, Show{});
    securityShown_ = ui_.securityCombo->currentIndex();
}

Settings SettingsPanel::settings() const
{
    Settings settings;
    bindFields(ui_, settings, Read{});
    return settings;
}

void SettingsPanel::followTicks()
{
    const bool email = ui_.sendEmailCheck->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{ui_.recipientEdit, ui_.senderEdit,
                                                      ui_.smtpServerEdit, ui_.smtpPortEdit,
                                                      ui_.securityCombo, ui_.authenticateCheck})
        w->setEnabled(email);
    const bool credentials = email && ui_.authenticateCheck->isChecked();
    ui_.smtpUserEdit->setEnabled(credentials);
    ui_.smtpPasswordEdit->setEnabled(credentials);

    const bool ftp = ui_.uploadCheck->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_.fileNameEdit, ui_.ftpServerEdit, ui_.ftpPortEdit, ui_.ftpsCheck, ui_.ftpUserEdit,
             ui_.ftpPasswordEdit, ui_.ftpPathEdit})
        w->setEnabled(ftp);

    const bool dynDns = ui_.dynDnsCheck->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{ui_.serviceCombo, ui_.dynDnsUserEdit,
                                                      ui_.dynDnsPasswordEdit, ui_.dynDnsHostEdit,
                                                      ui_.httpsCheck})
        w->setEnabled(dynDns);

    ui_.urlEdit->setEnabled(ui_.urlCheck->isChecked());

    // The IPv6 addresses show while watched; a build without IPv6 offers no tick.
    ui_.watchIPv6Check->setVisible(!echo6Host().isEmpty());
    const bool ipv6 = ui_.watchIPv6Check->isChecked() && !echo6Host().isEmpty();
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_.externalIPv6Label, ui_.externalIPv6Edit, ui_.copyExternalIPv6Button,
             ui_.internalIPv6Label, ui_.internalIPv6Edit, ui_.copyInternalIPv6Button})
        w->setVisible(ipv6);
}

void SettingsPanel::securityChosen(int index)
{
    // The port follows the choice while it still holds the previous choice's usual one.
    static const QStringList usualPorts = {QStringLiteral("25"), QStringLiteral("587"),
                                           QStringLiteral("465")};
    if (index >= 0 && ui_.smtpPortEdit->text() == usualPorts.value(securityShown_))
        ui_.smtpPortEdit->setText(usualPorts.value(index));
    securityShown_ = index;
}

void SettingsPanel::serviceTyped(const QString& service)
{
    const QString host = trimBlanks(service);
    ui_.dynDnsCheck->setText(QStringLiteral("Update Dynamic DNS Entry (%1)")
                                 .arg(dynDnsDomain(host.isEmpty() ? dynDnsHost() : host)));
}

} // namespace quillet
