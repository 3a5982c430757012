#include "ui/Look.h"

#include "ui/frmMain.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QPalette>

namespace quillet {

namespace {

const QColor kTeal(0, 64, 64);
const QColor kGrey(64, 64, 64);
const QColor kGreen(0, 255, 0);

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
    box->setPalette(p);
}

} // namespace

void applyLook(frmMain& f)
{
    colour(&f, QPalette::Window, Qt::black, true);
    for (QFrame* shape : {f.Shape1, f.Shape2, f.Shape3, f.Shape4})
        colour(shape, QPalette::Window, kTeal, true);
    colour(f.Shape5, QPalette::Window, kGrey, true);

    // Captions sit on the panels (or the black window) and take their background.
    const QFont tahoma = designFont("Tahoma", 8.25);
    for (QWidget* w : std::initializer_list<QWidget*>{f.chkSendEmail,    f.lblEmailFrom,
                                                      f.lblSMTPServer,   f.lblSMTPport,
                                                      f.lblSMTPSecurity, f.chkAuthentication,
                                                      f.lblSMTPuser,     f.lblSMTPPassword,
                                                      f.chkUploadFile,   f.Label1,
                                                      f.lblFTPserver,    f.lblFTPport,
                                                      f.lblFTPusername,  f.lblFTPpassword,
                                                      f.lblFTPpath,      f.chkExecuteURL,
                                                      f.chkUpdateDynDNS, f.lblDDNSservice,
                                                      f.chkDDNShttps,    f.chkFTPS,
                                                      f.lblDDNSusername, f.lblDDNSpassword,
                                                      f.lblDDNShostname, f.lblExternalIP,
                                                      f.lblInternalIP,   f.lblViewIPChangeLog,
                                                      f.Label3,          f.Label2,
                                                      f.lblHyperlink}) {
        w->setFont(tahoma);
        colour(w, QPalette::WindowText, Qt::white);
    }
    for (QWidget* box : std::initializer_list<QWidget*>{
             f.txtEmailRecipient, f.txtEmailFrom, f.txtSMTPServer, f.txtSMTPport, f.txtSMTPuser,
             f.txtSMTPpassword, f.txtFileName, f.txtFTPserver, f.txtFTPport, f.txtFTPusername,
             f.txtFTPpassword, f.txtFTPpath, f.txtExecuteURL, f.txtDDNSusername, f.txtDDNSpassword,
             f.txtDDNShostname, f.cboSMTPSecurity, f.cboDDNSservice}) {
        box->setFont(tahoma);
        darkBox(box, Qt::white);
    }
    for (QWidget* address : {f.txtExternalIP, f.txtInternalIP}) {
        address->setFont(designFont("MS Sans Serif", 8.25, true));
        darkBox(address, kGreen);
    }
    // A disabled "Use Authentication" greys its caption.
    QPalette auth = f.chkAuthentication->palette();
    auth.setColor(QPalette::Disabled, QPalette::WindowText, QColor(160, 160, 160));
    f.chkAuthentication->setPalette(auth);

    const QFont bold = designFont("Tahoma", 8.25, true);
    for (QWidget* w : std::initializer_list<QWidget*>{f.lblExternalIP, f.lblInternalIP, f.Label3,
                                                      f.lblHostNameCaption, f.cmdUploadNow})
        w->setFont(bold);
    f.lblViewIPChangeLog->setFont(designFont("Tahoma", 8.25, true, true));
    f.lblViewIPChangeLog->setCursor(Qt::PointingHandCursor);
    f.lblHyperlink->setFont(designFont("Tahoma", 9.75, true, true));
    f.lblHyperlink->setCursor(Qt::PointingHandCursor);
    f.Label2->setFont(designFont("Tahoma", 9, true));
    colour(f.lblHostNameCaption, QPalette::WindowText, QColor(224, 224, 224));

    f.lblHostName->setFont(designFont("Tahoma", 11.25, true));
    colour(f.lblHostName, QPalette::WindowText, kGreen);
    colour(f.lblHostName, QPalette::Window, QColor(0, 64, 0), true);

    // Status text colour stays with the palette's WindowText, which the window sets.
    f.lblSaveProblem->setFont(bold);
    colour(f.lblSaveProblem, QPalette::WindowText, QColor(255, 0, 0));
    for (QLabel* status : f.lblStatus) {
        status->setFont(bold);
        colour(status, QPalette::WindowText, Qt::white);
        colour(status, QPalette::Window, kGrey, true);
    }
    f.txtSMTPlog->setPalette(QApplication::palette(f.txtSMTPlog));
}

} // namespace quillet
