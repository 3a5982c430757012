#include "ui/frmMain.h"

#include "core/Ansi.h"
#include "core/DateText.h"
#include "core/Endpoints.h"
#include "core/Model.h"
#include "core/Settings.h"
#include "core/TextUtil.h"
#include "platform/Autostart.h"
#include "platform/Launcher.h"
#include "platform/Paths.h"
#include "platform/TrayIcon.h"
#include "ui/modAddToTray.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTextDocument>
#include <QToolTip>
#include <QWindow>

#include <algorithm>

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

namespace {

template <typename W> W* place(W* widget, const char* name, int x, int y, int w, int h)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

QLineEdit* edit(QWidget* parent, const char* name, QRect r, const QString& tip,
                const QString& text = {})
{
    auto* e = place(new QLineEdit(text, parent), name, r.x(), r.y(), r.width(), r.height());
    e->setToolTip(tip);
    return e;
}

QLabel* label(QWidget* parent, const char* name, QRect r, const QString& caption)
{
    return place(new QLabel(caption, parent), name, r.x(), r.y(), r.width(), r.height());
}

QFrame* panel(QWidget* parent, const char* name, QRect r)
{
    auto* f = place(new QFrame(parent), name, r.x(), r.y(), r.width(), r.height());
    f->setFrameShape(QFrame::NoFrame);
    return f;
}

// The design's tip, and where the file lives on this computer.
QString fileNameTip()
{
    return QStringLiteral("What you want the file to be called on the FTP server\nKept in %1")
        .arg(platform::dataFolder());
}

constexpr int kRow = 20; // one row of a panel, in pixels
constexpr int kEditH = 18;

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

// Edit boxes: light text on black, greyed but readable when disabled.
void darkEdit(QLineEdit* e, const QColor& text)
{
    QPalette p = e->palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Disabled, QPalette::Base, Qt::black);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    e->setPalette(p);
}

} // namespace

frmMain::frmMain(Model& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Quillet"));
    buildControls();
    applyLook();
    setTabOrderAsDesigned();
    setWindowIcon(platform::programIcon());

    connect(chkSendEmail, &QCheckBox::stateChanged, this, &frmMain::chkSendEmail_Click);
    connect(chkAuthentication, &QCheckBox::stateChanged, this, &frmMain::chkAuthentication_Click);
    connect(chkUploadFile, &QCheckBox::stateChanged, this, &frmMain::chkUploadFile_Click);
    connect(chkUpdateDynDNS, &QCheckBox::stateChanged, this, &frmMain::chkUpdateDynDNS_Click);
    connect(chkExecuteURL, &QCheckBox::stateChanged, this, &frmMain::chkExecuteURL_Click);
    connect(cboSMTPSecurity, &QComboBox::currentIndexChanged, this,
            &frmMain::cboSMTPSecurity_Click);
    connect(cboDDNSservice, &QComboBox::currentTextChanged, this, &frmMain::cboDDNSservice_Change);

    connect(cmdCopyExtIP, &QPushButton::clicked, this, &frmMain::cmdCopyExtIP_Click);
    connect(cmdCopyIntIP, &QPushButton::clicked, this, &frmMain::cmdCopyIntIP_Click);
    lblViewIPChangeLog->installEventFilter(this);
    lblHyperlink->installEventFilter(this);
    for (QLabel* status : lblStatus)
        status->installEventFilter(this);
    connect(txtSMTPlog, &QPlainTextEdit::textChanged, this, &frmMain::txtSMTPlog_Change);
    connect(txtFileName, &QLineEdit::textChanged, this, &frmMain::txtFileName_Change);

    connect(mnuTrayRestore, &QAction::triggered, this, &frmMain::mnuTrayRestore_Click);
    connect(mnuTrayMove, &QAction::triggered, this, &frmMain::mnuTrayMove_Click);
    connect(mnuTraySize, &QAction::triggered, this, &frmMain::mnuTraySize_Click);
    connect(mnuTrayMinimize, &QAction::triggered, this, &frmMain::mnuTrayMinimize_Click);
    connect(mnuTrayMaximize, &QAction::triggered, this, &frmMain::mnuTrayMaximize_Click);
    connect(mnuTrayClose, &QAction::triggered, this, &frmMain::mnuTrayClose_Click);
    connect(mnuTrayStartAtLogin, &QAction::triggered, this, &frmMain::mnuTrayStartAtLogin_Click);
    // Read from the autostart entry each time: true whatever else changed it.
    connect(mnuTray, &QMenu::aboutToShow, this,
            [this] { mnuTrayStartAtLogin->setChecked(platform::startsAtLogin()); });
    bindModel();
}

void frmMain::bindModel()
{
    applySettings(model_.settings());
    showAddresses();
    for (std::size_t i = 0; i < lblStatus.size(); ++i)
        showStatusLine(i);
    appendToSMTPlog(model_.transcript());
    cmdUploadNow->setEnabled(!model_.running());

    connect(&model_, &Model::settingsChanged, this, [this] { applySettings(model_.settings()); });
    connect(&model_, &Model::addressesChanged, this, &frmMain::showAddresses);
    connect(&model_, &Model::statusChanged, this, &frmMain::showStatusLine);
    connect(&model_, &Model::transcriptAppended, this, [this](const QString& text) {
        if (text.isEmpty())
            txtSMTPlog->clear();
        else
            appendToSMTPlog(text);
    });
    connect(&model_, &Model::runningChanged, cmdUploadNow, &QWidget::setDisabled);
    const auto showSaveProblem = [this] {
        const QString problem = model_.saveProblem();
        lblSaveProblem->setVisible(!problem.isEmpty());
        lblSaveProblem->setText(lblSaveProblem->fontMetrics().elidedText(
            QStringLiteral("Settings not saved: ") + problem, Qt::ElideRight,
            lblSaveProblem->width()));
        lblSaveProblem->setToolTip(problem);
    };
    showSaveProblem();
    connect(&model_, &Model::noticesChanged, this, showSaveProblem);

    // Every edit goes back into the model at once, whoever reads it next.
    for (QLineEdit* e : findChildren<QLineEdit*>())
        connect(e, &QLineEdit::textChanged, this, &frmMain::settingEdited);
    for (QCheckBox* c : findChildren<QCheckBox*>())
        connect(c, &QCheckBox::stateChanged, this, &frmMain::settingEdited);
    for (QComboBox* c : findChildren<QComboBox*>())
        connect(c, &QComboBox::currentTextChanged, this, &frmMain::settingEdited);
}

void frmMain::settingEdited()
{
    if (!applying_)
        model_.editSettings(settings());
}

void frmMain::showAddresses()
{
    txtExternalIP->setText(model_.externalIP());
    txtInternalIP->setText(model_.internalIP());
    lblHostName->setText(model_.hostName());
}

void frmMain::showStatusLine(std::size_t index)
{
    const StatusLine& line = model_.status(index);
    QLabel* status = lblStatus.at(index);
    // The whole line at any scale: a smaller font where the designed one would not fit, and
    // only then the middle left out, the whole line heading the tool tip.
    const int room = status->contentsRect().width() - 4;
    QFont font = status->font();
    font.setPointSizeF(kStatusPoints);
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(line.text) > room)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    status->setFont(font);
    const QString shown = QFontMetrics(font).elidedText(line.text, Qt::ElideMiddle, room);
    status->setText(shown);
    status->setToolTip(shown == line.text || line.text.isEmpty()
                           ? line.toolTip
                           : line.text + QLatin1Char('\n') + line.toolTip);
    QPalette palette = status->palette();
    if (!line.text.isEmpty())
        palette.setColor(QPalette::WindowText,
                         line.success ? QColor(0, 255, 0) : QColor(255, 0, 0));
    status->setPalette(palette);
}

void frmMain::appendToSMTPlog(const QString& text)
{
    // The box breaks lines at LF; a CR LF on the wire is one line break here.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextCursor cursor(txtSMTPlog->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(shown);
}

frmMain::~frmMain() = default;

void frmMain::buildControls()
{
    // The designed client area; the SMTP log lies below it.
    resize(656, 418);
    setMinimumSize(656, 418);

    Label2 = label(this, "Label2", {8, 2, 404, 28},
                   QStringLiteral("When either IP address changes (checks every 2 minutes), "
                                  "perform the following actions:"));
    lblHostNameCaption =
        label(this, "lblHostNameCaption", {416, 8, 116, 16}, QStringLiteral("Computer Name:"));
    Label2->setWordWrap(true);
    lblHostNameCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblHostName = label(this, "lblHostName", {536, 4, 112, 22}, {});
    lblHostName->setAlignment(Qt::AlignCenter);
    lblHostName->setFrameShape(QFrame::Box);
    lblHostName->setToolTip(QStringLiteral("This can be set in control panel"));

    // E-mail panel: captions at x 16, edit boxes at x 128.
    int y = 38;
    Shape1 = panel(this, "Shape1", {8, 32, 400, 150});
    chkSendEmail = place(new QCheckBox(QStringLiteral("Send E-Mail to:"), this), "chkSendEmail", 16,
                         y, 110, kEditH);
    txtEmailRecipient =
        edit(this, "txtEmailRecipient", {128, y, 272, kEditH}, QStringLiteral("E-mail Recipient"));
    y += kRow;
    lblEmailFrom =
        label(this, "lblEmailFrom", {16, y, 110, kEditH}, QStringLiteral("From address:"));
    lblEmailFrom->setToolTip(
        QStringLiteral("Used for authentication, and when that is off, used for From: field"));
    txtEmailFrom =
        edit(this, "txtEmailFrom", {128, y, 272, kEditH},
             QStringLiteral("This is the address the e-mail will appear to be coming from"));
    y += kRow;
    lblSMTPServer =
        label(this, "lblSMTPServer", {16, y, 110, kEditH}, QStringLiteral("SMTP Server:"));
    txtSMTPServer = edit(this, "txtSMTPServer", {128, y, 272, kEditH},
                         QStringLiteral("Your ISP's outgoing mail server"));
    y += kRow;
    lblSMTPport = label(this, "lblSMTPport", {16, y, 110, kEditH}, QStringLiteral("Port:"));
    txtSMTPport =
        edit(this, "txtSMTPport", {128, y, 56, kEditH},
             QStringLiteral("Standard port for SMTP is 25. Note: Some ISPs block outbound "
                            "connections on port 25 to anywhere except their own mail "
                            "server."),
             QStringLiteral("25"));
    lblSMTPSecurity =
        label(this, "lblSMTPSecurity", {196, y, 64, kEditH}, QStringLiteral("Security:"));
    lblSMTPSecurity->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cboSMTPSecurity = place(new QComboBox(this), "cboSMTPSecurity", 264, y, 136, kEditH);
    cboSMTPSecurity->addItems(
        {QStringLiteral("None"), QStringLiteral("STARTTLS"), QStringLiteral("SSL/TLS")});
    cboSMTPSecurity->setToolTip(
        QStringLiteral("None: plain text (port 25). STARTTLS: encrypted after the greeting (port "
                       "587). SSL/TLS: encrypted from the first byte (port 465). Most providers "
                       "need one of the last two."));
    y += kRow;
    chkAuthentication = place(new QCheckBox(QStringLiteral("Use Authentication"), this),
                              "chkAuthentication", 16, y, 200, kEditH);
    chkAuthentication->setToolTip(
        QStringLiteral("Some SMTP servers require authentication, check with your ISP"));
    y += kRow;
    lblSMTPuser = label(this, "lblSMTPuser", {16, y, 110, kEditH}, QStringLiteral("Username:"));
    txtSMTPuser =
        edit(this, "txtSMTPuser", {128, y, 272, kEditH}, QStringLiteral("Used for authentication"));
    y += kRow;
    lblSMTPPassword =
        label(this, "lblSMTPPassword", {16, y, 110, kEditH}, QStringLiteral("Password:"));
    txtSMTPpassword = edit(this, "txtSMTPpassword", {128, y, 272, kEditH},
                           QStringLiteral("Used for authentication"));
    txtSMTPpassword->setEchoMode(QLineEdit::Password);

    // FTP panel
    y = 194;
    Shape2 = panel(this, "Shape2", {8, 188, 400, 130});
    chkUploadFile =
        place(new QCheckBox(QStringLiteral("Upload"), this), "chkUploadFile", 16, y, 72, kEditH);
    chkUploadFile->setToolTip(
        QStringLiteral("If you have web space accessible by FTP, you can store the IP file there "
                       "for access by your server-side scripts, or other."));
    txtFileName = edit(this, "txtFileName", {90, y, 180, kEditH}, fileNameTip());
    Label1 = label(this, "Label1", {276, y, 124, kEditH}, QStringLiteral("to FTP server:"));
    y += kRow;
    lblFTPserver = label(this, "lblFTPserver", {16, y, 110, kEditH}, QStringLiteral("Server:"));
    txtFTPserver = edit(this, "txtFTPserver", {128, y, 272, kEditH}, QStringLiteral("FTP server"));
    y += kRow;
    lblFTPport = label(this, "lblFTPport", {16, y, 110, kEditH}, QStringLiteral("Port:"));
    txtFTPport = edit(this, "txtFTPport", {128, y, 56, kEditH},
                      QStringLiteral("Standard port for FTP is 21"), QStringLiteral("21"));
    chkFTPS = place(new QCheckBox(QStringLiteral("Use FTPS (explicit TLS)"), this), "chkFTPS", 196,
                    y, 204, kEditH);
    chkFTPS->setToolTip(QStringLiteral("Encrypts the log-in, the commands and the file (AUTH TLS, "
                                       "passive data connection), for servers that require it"));
    y += kRow;
    lblFTPusername =
        label(this, "lblFTPusername", {16, y, 110, kEditH}, QStringLiteral("Username:"));
    txtFTPusername =
        edit(this, "txtFTPusername", {128, y, 272, kEditH}, QStringLiteral("FTP log in user name"));
    y += kRow;
    lblFTPpassword =
        label(this, "lblFTPpassword", {16, y, 110, kEditH}, QStringLiteral("Password:"));
    txtFTPpassword =
        edit(this, "txtFTPpassword", {128, y, 272, kEditH}, QStringLiteral("FTP log in password"));
    txtFTPpassword->setEchoMode(QLineEdit::Password);
    y += kRow;
    lblFTPpath = label(this, "lblFTPpath", {16, y, 110, kEditH}, QStringLiteral("Remote Path:"));
    txtFTPpath =
        edit(this, "txtFTPpath", {128, y, 272, kEditH},
             QStringLiteral("Directory to place TXT file in on server"), QStringLiteral("/"));

    // URL panel
    y = 330;
    Shape3 = panel(this, "Shape3", {8, 324, 400, 48});
    chkExecuteURL = place(
        new QCheckBox(QStringLiteral("Update by URL: use $EXTIP$ and $INTIP$ for addresses"), this),
        "chkExecuteURL", 16, y, 384, kEditH);
    chkExecuteURL->setToolTip(QStringLiteral("Perform update through web query"));
    txtExecuteURL = edit(this, "txtExecuteURL", {16, y + kRow, 384, kEditH},
                         QStringLiteral("This allows you to set up a script on the web to accept "
                                        "the IP addresses"),
                         QStringLiteral("http://"));

    // DynDNS panel: captions at x 424, edit boxes at x 500.
    y = 38;
    Shape4 = panel(this, "Shape4", {416, 32, 232, 132});
    chkUpdateDynDNS = place(
        new QCheckBox(
            QStringLiteral("Update Dynamic DNS Entry (%1)").arg(dynDnsDomain(dynDnsHost())), this),
        "chkUpdateDynDNS", 424, y, 220, kEditH);
    chkUpdateDynDNS->setToolTip(
        QStringLiteral("DynDNS provides free domain names to people with Dynamic IP addresses"));
    y += kRow;
    lblDDNSservice =
        label(this, "lblDDNSservice", {424, y, 74, kEditH}, QStringLiteral("Service:"));
    cboDDNSservice = place(new QComboBox(this), "cboDDNSservice", 500, y, 140, kEditH);
    cboDDNSservice->setEditable(true);
    cboDDNSservice->addItems(dynDnsServices());
    cboDDNSservice->setToolTip(
        QStringLiteral("The update service: any that speaks the DynDNS update protocol; type its "
                       "host, or host:port"));
    y += kRow;
    lblDDNSusername =
        label(this, "lblDDNSusername", {424, y, 74, kEditH}, QStringLiteral("Username:"));
    txtDDNSusername = edit(this, "txtDDNSusername", {500, y, 140, kEditH},
                           QStringLiteral("Your username with DynDNS"));
    y += kRow;
    lblDDNSpassword =
        label(this, "lblDDNSpassword", {424, y, 74, kEditH}, QStringLiteral("Password:"));
    txtDDNSpassword = edit(this, "txtDDNSpassword", {500, y, 140, kEditH},
                           QStringLiteral("Your password with DynDNS"));
    txtDDNSpassword->setEchoMode(QLineEdit::Password);
    y += kRow;
    lblDDNShostname =
        label(this, "lblDDNShostname", {424, y, 74, kEditH}, QStringLiteral("Hostname:"));
    txtDDNShostname = edit(this, "txtDDNShostname", {500, y, 140, kEditH},
                           QStringLiteral("Your DynDNS hostname"));
    y += kRow;
    chkDDNShttps = place(new QCheckBox(QStringLiteral("Use HTTPS"), this), "chkDDNShttps", 424, y,
                         216, kEditH);
    chkDDNShttps->setToolTip(
        QStringLiteral("Sends the update, with your password, encrypted; the service's "
                       "certificate is checked"));
    chkDDNShttps->setChecked(true);

    // Address panel
    y = 176;
    Shape5 = panel(this, "Shape5", {416, 170, 232, 80});
    lblExternalIP =
        label(this, "lblExternalIP", {424, y, 74, kEditH}, QStringLiteral("External IP:"));
    txtExternalIP = edit(this, "txtExternalIP", {500, y, 100, kEditH},
                         QStringLiteral("Your external IP address is your public IP address on "
                                        "the internet"));
    txtExternalIP->setReadOnly(true);
    cmdCopyExtIP = place(new QPushButton(QStringLiteral("Copy"), this), "cmdCopyExtIP", 604, y - 1,
                         40, kEditH + 2);
    y += kRow + 2;
    lblInternalIP =
        label(this, "lblInternalIP", {424, y, 74, kEditH}, QStringLiteral("Internal IP:"));
    txtInternalIP = edit(this, "txtInternalIP", {500, y, 100, kEditH},
                         QStringLiteral("Your internal IP address is how your local network "
                                        "identifies your computer"));
    txtInternalIP->setReadOnly(true);
    cmdCopyIntIP = place(new QPushButton(QStringLiteral("Copy"), this), "cmdCopyIntIP", 604, y - 1,
                         40, kEditH + 2);
    y += kRow + 4;
    lblViewIPChangeLog = label(this, "lblViewIPChangeLog", {424, y, 140, kEditH},
                               QStringLiteral("View IP Change Log"));
    lblViewIPChangeLog->setAlignment(Qt::AlignCenter);
    lblViewIPChangeLog->setToolTip(
        QStringLiteral("Lost connections to internet (external ip: 0.0.0.0) are not logged; an "
                       "address that changed meanwhile is logged when the connection is back\n"
                       "The log: %1\nThe settings: %2")
            .arg(platform::dataFile(QStringLiteral("ipchange.log")),
                 platform::settingsFile(QStringLiteral("config.txt"))));
    cmdCheckNow = place(new QPushButton(QStringLiteral("refresh"), this), "cmdCheckNow", 572, y - 2,
                        72, kEditH + 4);

    // Status of the last actions
    Label3 = label(this, "Label3", {416, 256, 232, 16}, QStringLiteral("Status of last actions:"));
    Label3->setAlignment(Qt::AlignCenter);
    for (std::size_t i = 0; i < lblStatus.size(); ++i) {
        auto* status = new QLabel(this);
        status->setObjectName(QStringLiteral("lblStatus_%1").arg(i));
        status->setGeometry(416, 274 + static_cast<int>(i) * 20, 232, 18);
        status->setAlignment(Qt::AlignCenter);
        status->setFrameShape(QFrame::Box);
        lblStatus[i] = status;
    }
    // Says so while the settings cannot be saved.
    lblSaveProblem = label(this, "lblSaveProblem", {416, 354, 232, 16}, {});
    lblSaveProblem->setAlignment(Qt::AlignCenter);
    lblSaveProblem->hide();
    cmdUploadNow = place(new QPushButton(QStringLiteral("Execute Selected Actions"), this),
                         "cmdUploadNow", 416, 372, 232, 24);
    cmdUploadNow->setToolTip(QStringLiteral("Perform checked actions now"));
    lblHyperlink = label(this, "lblHyperlink", {416, 398, 232, 18}, {});
    lblHyperlink->setAlignment(Qt::AlignCenter);
    lblHyperlink->setToolTip(QStringLiteral("Click here for Upgrades or Support"));

    // Below the designed area (6750 twips): seen only in a larger window.
    txtSMTPlog = new QPlainTextEdit(this);
    txtSMTPlog->setObjectName(QStringLiteral("txtSMTPlog"));
    txtSMTPlog->setGeometry(8, 450, 640, 160);
    txtSMTPlog->setReadOnly(true);
    txtSMTPlog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    // Disabled as designed; the enabling rules follow the ticks from here on.
    for (QWidget* w : std::initializer_list<QWidget*>{
             txtEmailRecipient, txtEmailFrom,   txtSMTPServer,   txtSMTPport,     cboSMTPSecurity,
             chkAuthentication, txtSMTPuser,    txtSMTPpassword, txtFileName,     txtFTPserver,
             txtFTPport,        chkFTPS,        txtFTPusername,  txtFTPpassword,  txtFTPpath,
             txtExecuteURL,     cboDDNSservice, txtDDNSusername, txtDDNSpassword, txtDDNShostname,
             chkDDNShttps})
        w->setEnabled(false);

    mnuTray = new QMenu(QStringLiteral("Popup"), this);
    mnuTray->setObjectName(QStringLiteral("mnuTray"));
    mnuTrayRestore = mnuTray->addAction(QStringLiteral("&Restore"));
    mnuTrayMove = mnuTray->addAction(QStringLiteral("&Move"));
    mnuTraySize = mnuTray->addAction(QStringLiteral("&Size"));
    mnuTrayMinimize = mnuTray->addAction(QStringLiteral("Mi&nimize"));
    mnuTrayMaximize = mnuTray->addAction(QStringLiteral("Ma&ximize"));
    mnuTraySep = mnuTray->addSeparator();
    mnuTrayStartAtLogin = mnuTray->addAction(QStringLiteral("Start at &login"));
    mnuTrayStartAtLogin->setCheckable(true);
    mnuTray->addSeparator();
    mnuTrayClose = mnuTray->addAction(QStringLiteral("&Close"));
}

void frmMain::applyLook()
{
    colour(this, QPalette::Window, Qt::black, true);
    for (QFrame* shape : {Shape1, Shape2, Shape3, Shape4})
        colour(shape, QPalette::Window, kTeal, true);
    colour(Shape5, QPalette::Window, kGrey, true);

    // Captions sit on the panels (or the black window) and take their background.
    const QFont tahoma = designFont("Tahoma", 8.25);
    for (QWidget* w : std::initializer_list<QWidget*>{
             chkSendEmail,       lblEmailFrom,    lblSMTPServer,   lblSMTPport,    lblSMTPSecurity,
             chkAuthentication,  lblSMTPuser,     lblSMTPPassword, chkUploadFile,  Label1,
             lblFTPserver,       lblFTPport,      lblFTPusername,  lblFTPpassword, lblFTPpath,
             chkExecuteURL,      chkUpdateDynDNS, lblDDNSservice,  chkDDNShttps,   chkFTPS,
             lblDDNSusername,    lblDDNSpassword, lblDDNShostname, lblExternalIP,  lblInternalIP,
             lblViewIPChangeLog, Label3,          Label2,          lblHyperlink}) {
        w->setFont(tahoma);
        colour(w, QPalette::WindowText, Qt::white);
    }
    for (QLineEdit* e :
         {txtEmailRecipient, txtEmailFrom, txtSMTPServer, txtSMTPport, txtSMTPuser, txtSMTPpassword,
          txtFileName, txtFTPserver, txtFTPport, txtFTPusername, txtFTPpassword, txtFTPpath,
          txtExecuteURL, txtDDNSusername, txtDDNSpassword, txtDDNShostname}) {
        e->setFont(tahoma);
        darkEdit(e, Qt::white);
    }
    for (QComboBox* c : {cboSMTPSecurity, cboDDNSservice}) {
        c->setFont(tahoma);
        QPalette p = c->palette();
        for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Button}) {
            p.setColor(role, Qt::black);
            p.setColor(QPalette::Disabled, role, Qt::black);
        }
        p.setColor(QPalette::Text, Qt::white);
        p.setColor(QPalette::ButtonText, Qt::white);
        p.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
        p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
        c->setPalette(p);
    }
    for (QLineEdit* e : {txtExternalIP, txtInternalIP}) {
        e->setFont(designFont("MS Sans Serif", 8.25, true));
        darkEdit(e, kGreen);
    }
    // A disabled "Use Authentication" greys its caption.
    QPalette auth = chkAuthentication->palette();
    auth.setColor(QPalette::Disabled, QPalette::WindowText, QColor(160, 160, 160));
    chkAuthentication->setPalette(auth);

    const QFont bold = designFont("Tahoma", 8.25, true);
    for (QWidget* w : std::initializer_list<QWidget*>{lblExternalIP, lblInternalIP, Label3,
                                                      lblHostNameCaption, cmdUploadNow})
        w->setFont(bold);
    lblViewIPChangeLog->setFont(designFont("Tahoma", 8.25, true, true));
    lblViewIPChangeLog->setCursor(Qt::PointingHandCursor);
    lblHyperlink->setFont(designFont("Tahoma", 9.75, true, true));
    lblHyperlink->setCursor(Qt::PointingHandCursor);
    Label2->setFont(designFont("Tahoma", 9, true));
    colour(lblHostNameCaption, QPalette::WindowText, QColor(224, 224, 224));

    lblHostName->setFont(designFont("Tahoma", 11.25, true));
    lblHostName->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    colour(lblHostName, QPalette::WindowText, kGreen);
    colour(lblHostName, QPalette::Window, QColor(0, 64, 0), true);

    // Status text colour stays with the palette's WindowText, which showStatus sets.
    lblSaveProblem->setFont(bold);
    colour(lblSaveProblem, QPalette::WindowText, QColor(255, 0, 0));
    for (QLabel* status : lblStatus) {
        status->setFont(bold);
        status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        colour(status, QPalette::WindowText, Qt::white);
        colour(status, QPalette::Window, kGrey, true);
    }
    txtSMTPlog->setPalette(QApplication::palette(txtSMTPlog));
}

void frmMain::setTabOrderAsDesigned()
{
    const std::initializer_list<QWidget*> order = {
        chkSendEmail,    txtEmailRecipient, txtEmailFrom,    txtSMTPServer,   txtSMTPport,
        cboSMTPSecurity, chkAuthentication, txtSMTPuser,     txtSMTPpassword, chkUploadFile,
        txtFileName,     txtFTPserver,      txtFTPport,      chkFTPS,         txtFTPusername,
        txtFTPpassword,  txtFTPpath,        chkExecuteURL,   txtExecuteURL,   chkUpdateDynDNS,
        cboDDNSservice,  txtDDNSusername,   txtDDNSpassword, txtDDNShostname, chkDDNShttps,
        cmdCopyExtIP,    cmdCopyIntIP,      cmdCheckNow,     cmdUploadNow,    txtExternalIP,
        txtInternalIP,   txtSMTPlog};
    QWidget* previous = nullptr;
    for (QWidget* w : order) {
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
}

QColor frmMain::statusColour(std::size_t index) const
{
    return lblStatus.at(index)->palette().color(QPalette::WindowText);
}

void frmMain::SetTrayMenuItems(const qint16& window_state)
{
    struct Row {
        bool restore, move, size, minimize, maximize;
    };
    static constexpr std::array<Row, 3> rows = {{{false, true, true, true, true},
                                                 {true, false, false, false, true},
                                                 {true, false, false, true, false}}};
    if (window_state < 0 || window_state >= static_cast<qint16>(rows.size()))
        return;
    const Row& row = rows.at(static_cast<std::size_t>(window_state));
    mnuTrayMaximize->setEnabled(row.maximize);
    mnuTrayMinimize->setEnabled(row.minimize);
    mnuTrayMove->setEnabled(row.move);
    mnuTrayRestore->setEnabled(row.restore);
    mnuTraySize->setEnabled(row.size);
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

void frmMain::setMakerLink(const QString& url)
{
    lblHyperlink->setText(url);
    lblHyperlink->setProperty("Tag", url);
    lblHyperlink->setVisible(!url.isEmpty());
}

void frmMain::Form_Resize()
{
    const qint16 state = windowStateValue();
    SetTrayMenuItems(state);
    if (state != 1)
        LastState = state;
}

void frmMain::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The controls stay where they are; the SMTP log takes the space below them.
    txtSMTPlog->setGeometry(8, 450, width() - 16, std::max(160, height() - 458));
    Form_Resize();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    // A status tip holds what a server or the user's page answered. Qt would draw an answer
    // that looks like HTML as a page (often as nothing at all), so it is shown as text.
    if (event->type() == QEvent::ToolTip) {
        auto* label = qobject_cast<QLabel*>(watched);
        if (label != nullptr &&
            std::find(lblStatus.cbegin(), lblStatus.cend(), label) != lblStatus.cend() &&
            Qt::mightBeRichText(label->toolTip())) {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                               Qt::convertFromPlainText(label->toolTip(), Qt::WhiteSpacePre),
                               label);
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == lblViewIPChangeLog)
            lblViewIPChangeLog_Click();
        else if (watched == lblHyperlink)
            lblHyperlink_Click();
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::mnuTrayRestore_Click()
{
    if (TrayWindowProc(TrayMessage::Restore))
        return;
    // As the window manager restores: from minimised to the state before, else to normal.
    const Qt::WindowStates s = windowState();
    setWindowState(s.testFlag(Qt::WindowMinimized) ? s & ~Qt::WindowMinimized
                                                   : s & ~Qt::WindowMaximized);
}

void frmMain::mnuTrayMove_Click()
{
    // The window manager decides whether a move can start without a pressed button.
    if (!TrayWindowProc(TrayMessage::Move) && windowHandle())
        windowHandle()->startSystemMove();
}

void frmMain::mnuTraySize_Click()
{
    if (!TrayWindowProc(TrayMessage::Size) && windowHandle())
        windowHandle()->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
}

void frmMain::mnuTrayMinimize_Click()
{
    setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
}

void frmMain::mnuTrayMaximize_Click()
{
    setWindowState((windowState() & ~(Qt::WindowMinimized | Qt::WindowActive)) |
                   Qt::WindowMaximized);
    if (isHidden())
        show();
}

void frmMain::mnuTrayStartAtLogin_Click()
{
    QString error;
    if (!platform::setStartAtLogin(mnuTrayStartAtLogin->isChecked(), &error))
        model_.setSaveProblem(error);
    mnuTrayStartAtLogin->setChecked(platform::startsAtLogin());
}

void frmMain::mnuTrayClose_Click()
{
    close();
}

namespace {
void copyToClipboard(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}
} // namespace

void frmMain::cmdCopyExtIP_Click()
{
    copyToClipboard(txtExternalIP->text());
}

void frmMain::cmdCopyIntIP_Click()
{
    copyToClipboard(txtInternalIP->text());
}

void frmMain::lblViewIPChangeLog_Click()
{
    // The desktop's handler for text files; whether the log exists yet is its concern.
    platform::openWithDesktop(
        QUrl::fromLocalFile(platform::dataFile(QStringLiteral("ipchange.log"))));
}

void frmMain::lblHyperlink_Click()
{
    const QString url = lblHyperlink->property("Tag").toString();
    if (!url.isEmpty())
        platform::openWithDesktop(QUrl(url));
}

void frmMain::txtFileName_Change()
{
    // The check cycle refuses such a name; the box says why while it holds one.
    const QString name = txtFileName->text();
    const bool refused = !IsPlainFileName(name) && !TrimBlanks(name).isEmpty();
    txtFileName->setToolTip(refused ? QStringLiteral("Not used: the address file's name must be "
                                                     "a plain file name, without \"/\", \"\\\" "
                                                     "or \"..\"; the last good name stays in force")
                                    : fileNameTip());
    QPalette p = txtFileName->palette();
    p.setColor(QPalette::Text, refused ? QColor(255, 0, 0) : QColor(Qt::white));
    txtFileName->setPalette(p);
}

void frmMain::txtSMTPlog_Change()
{
    // The newest line of the transcript stays in view.
    QTextCursor caret = txtSMTPlog->textCursor();
    caret.movePosition(QTextCursor::End);
    txtSMTPlog->setTextCursor(caret);
}

qint16 frmMain::windowStateValue() const
{
    const Qt::WindowStates s = windowState();
    if (s.testFlag(Qt::WindowMinimized))
        return 1;
    if (s.testFlag(Qt::WindowMaximized))
        return 2;
    return 0;
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // The unload is never cancelled.
    event->accept();
    emit unloading();
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
