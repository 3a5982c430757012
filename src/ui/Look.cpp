#include "ui/Look.h"

#include "ui/MainWindow.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QFont>
#include <QPalette>

namespace quillet {

namespace {

const QColor kTeal(0, 64, 64);
const QColor kGrey(64, 64, 64);

// The designed faces where the system has them; otherwise a sans-serif of about their width,
// and failing that fontconfig's closest sans-serif.
QFont designFont(const char* family, qreal points, bool bold = false, bool underline = false)
{
    QFont font;
    font.setFamilies({QString::fromLatin1(family), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arimo"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

void colour(QWidget* w, QPalette::ColorRole role, const QColor& c, bool fill = false)
{
    QPalette p = w->palette();
    p.setColor(role, c);
    w->setPalette(p);
    if (fill)
        w->setAutoFillBackground(true);
}

// Edit boxes and lists: light text on black, greyed but readable when disabled.
void darkBox(QWidget* box, const QColor& text)
{
    QPalette p = box->palette();
    for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Button}) {
        p.setColor(role, Qt::black);
        p.setColor(QPalette::Disabled, role, Qt::black);
    }
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText}) {
        p.setColor(role, text);
        p.setColor(QPalette::Disabled, role, QColor(128, 128, 128));
    }
    p.setColor(QPalette::PlaceholderText, QColor(160, 160, 160));
    box->setPalette(p);
}

} // namespace

void applyLook(MainWindow& window)
{
    Ui::MainWindow& ui = window.ui();
    colour(&window, QPalette::Window, Qt::black, true);
    for (QFrame* panel : {ui.emailPanel, ui.ftpPanel, ui.urlPanel, ui.dynDnsPanel})
        colour(panel, QPalette::Window, kTeal, true);
    colour(ui.addressPanel, QPalette::Window, kGrey, true);

    // Captions sit on the panels (or the black window) and take their background.
    const QFont regular = designFont("Tahoma", 8.25);
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui.sendEmailCheck,  ui.senderLabel,         ui.smtpServerLabel,   ui.smtpPortLabel,
             ui.securityLabel,   ui.authenticateCheck,   ui.smtpUserLabel,     ui.smtpPasswordLabel,
             ui.uploadCheck,     ui.toFtpServerLabel,    ui.ftpServerLabel,    ui.ftpPortLabel,
             ui.ftpUserLabel,    ui.ftpPasswordLabel,    ui.ftpPathLabel,      ui.urlCheck,
             ui.dynDnsCheck,     ui.serviceLabel,        ui.httpsCheck,        ui.ftpsCheck,
             ui.dynDnsUserLabel, ui.dynDnsPasswordLabel, ui.dynDnsHostLabel,   ui.externalLabel,
             ui.internalLabel,   ui.viewLogLink,         ui.statusCaption,     ui.headline,
             ui.makerLink,       ui.transcriptCaption,   ui.externalIPv6Label, ui.internalIPv6Label,
             ui.watchIPv6Check,  ui.checkLabel}) {
        w->setFont(regular);
        colour(w, QPalette::WindowText, kCaptionColour);
    }
    for (QWidget* box : std::initializer_list<QWidget*>{
             ui.recipientEdit, ui.senderEdit, ui.smtpServerEdit, ui.smtpPortEdit, ui.smtpUserEdit,
             ui.smtpPasswordEdit, ui.fileNameEdit, ui.ftpServerEdit, ui.ftpPortEdit, ui.ftpUserEdit,
             ui.ftpPasswordEdit, ui.ftpPathEdit, ui.urlEdit, ui.dynDnsUserEdit,
             ui.dynDnsPasswordEdit, ui.dynDnsHostEdit, ui.securityCombo, ui.serviceCombo}) {
        box->setFont(regular);
        darkBox(box, Qt::white);
    }
    // An address box shows a whole IPv4 address, and an IPv6 one of the usual length; a
    // longer one scrolls (Copy takes it whole).
    for (QLineEdit* address : {ui.externalAddressEdit, ui.internalAddressEdit, ui.externalIPv6Edit,
                               ui.internalIPv6Edit}) {
        address->setFont(designFont("MS Sans Serif", 8.25, true));
        darkBox(address, kSuccessColour);
        const bool ipv6 = address == ui.externalIPv6Edit || address == ui.internalIPv6Edit;
        address->setMinimumWidth(address->fontMetrics().horizontalAdvance(
                                     ipv6 ? QStringLiteral("2001:db8:ffff:ffff::ffff")
                                          : QStringLiteral("255.255.255.255")) +
                                 2 * address->fontMetrics().averageCharWidth());
    }
    // A disabled "Use Authentication" greys its caption.
    QPalette auth = ui.authenticateCheck->palette();
    auth.setColor(QPalette::Disabled, QPalette::WindowText, QColor(160, 160, 160));
    ui.authenticateCheck->setPalette(auth);

    const QFont bold = designFont("Tahoma", 8.25, true);
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui.externalLabel, ui.internalLabel, ui.externalIPv6Label, ui.internalIPv6Label,
             ui.statusCaption, ui.computerNameCaption, ui.executeButton, ui.transcriptCaption})
        w->setFont(bold);
    ui.viewLogLink->setFont(designFont("Tahoma", 8.25, true, true));
    ui.viewLogLink->setCursor(Qt::PointingHandCursor);
    ui.makerLink->setFont(designFont("Tahoma", 9.75, true, true));
    ui.makerLink->setCursor(Qt::PointingHandCursor);
    ui.headline->setFont(designFont("Tahoma", 9, true));
    colour(ui.computerNameCaption, QPalette::WindowText, QColor(224, 224, 224));

    ui.computerName->setFont(designFont("Tahoma", 11.25, true));
    colour(ui.computerName, QPalette::WindowText, kSuccessColour);
    colour(ui.computerName, QPalette::Window, QColor(0, 64, 0), true);

    // A status line's text colour is the palette's WindowText, which the window sets.
    ui.problemLabel->setFont(bold);
    colour(ui.problemLabel, QPalette::WindowText, kFailureColour);
    for (QLabel* status : {ui.emailStatus, ui.ftpStatus, ui.dynDnsStatus, ui.urlStatus}) {
        status->setFont(bold);
        colour(status, QPalette::WindowText, Qt::white);
        colour(status, QPalette::Window, kGrey, true);
    }
    ui.transcriptView->setPalette(QApplication::palette(ui.transcriptView));
}

} // namespace quillet
