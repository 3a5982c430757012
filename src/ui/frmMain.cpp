#include "ui/frmMain.h"

#include "core/Endpoints.h"
#include "core/Model.h"
#include "core/TextUtil.h"
#include "platform/Launcher.h"
#include "platform/Paths.h"
#include "platform/TrayIcon.h"
#include "ui/Look.h"
#include "ui/TrayMenu.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>

namespace quillet {

namespace {

// The design's tip, and where the file lives on this computer.
QString fileNameTip()
{
    return QStringLiteral("What you want the file to be called on the FTP server\nKept in %1")
        .arg(platform::dataFolder());
}

} // namespace

frmMain::frmMain(Model& model, QWidget* parent)
    : QWidget(parent)
    , lblStatus{}
    , mnuTray(nullptr)
    , model_(model)
{
    setupUi(this);
    lblStatus = {lblStatus_0, lblStatus_1, lblStatus_2, lblStatus_3};
    lblSaveProblem->hide();
    // What only this computer and this build know.
    txtFileName->setToolTip(fileNameTip());
    lblViewIPChangeLog->setToolTip(
        QStringLiteral("Lost connections to internet (external ip: 0.0.0.0) are not logged; an "
                       "address that changed meanwhile is logged when the connection is back\n"
                       "The log: %1\nThe settings: %2")
            .arg(platform::dataFile(QStringLiteral("ipchange.log")),
                 platform::settingsFile(QStringLiteral("config.txt"))));
    cboDDNSservice->addItems(dynDnsServices());
    cboDDNSservice_Change({});
    applyLook(*this);
    setWindowIcon(platform::programIcon());
    mnuTray = new TrayMenu(*this, model);

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

QColor frmMain::statusColour(std::size_t index) const
{
    return lblStatus.at(index)->palette().color(QPalette::WindowText);
}

void frmMain::setMakerLink(const QString& url)
{
    lblHyperlink->setText(url);
    lblHyperlink->setProperty("Tag", url);
    lblHyperlink->setVisible(!url.isEmpty());
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The controls stay where they are; the SMTP log takes the space below them.
    txtSMTPlog->setGeometry(8, 450, width() - 16, std::max(160, height() - 458));
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

void frmMain::closeEvent(QCloseEvent* event)
{
    // The unload is never cancelled.
    event->accept();
    emit unloading();
}

} // namespace quillet
