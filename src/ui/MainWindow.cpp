#include "ui/MainWindow.h"

#include "core/Endpoints.h"

#include "core/FileNames.h"
#include "core/Model.h"
#include "core/TextUtil.h"
#include "core/Windows1252.h"
#include "platform/DiskQueue.h"
#include "platform/Launcher.h"
#include "platform/Paths.h"
#include "platform/TrayIcon.h"
#include "ui/Look.h"
#include "ui/SettingsPanel.h"
#include "ui_MainWindow.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTextDocument>
#include <QToolTip>

namespace quillet {

namespace {

// The design's tip, and where the file lives on this computer.
QString fileNameTip()
{
    return QStringLiteral("What you want the file to be called on the FTP server\nKept in %1")
        .arg(platform::dataFolder());
}

} // namespace

MainWindow::MainWindow(Model& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , ui_(std::make_unique<Ui::MainWindow>())
{
    ui_->setupUi(this);
    settingsPanel_ = new SettingsPanel(*ui_, this);
    ui_->problemLabel->hide();
    externalTip_ = ui_->externalAddressEdit->toolTip();
    externalIPv6Tip_ = ui_->externalIPv6Edit->toolTip();
    ui_->externalIPv6Edit->setPlaceholderText(QStringLiteral("unknown"));
    ui_->internalIPv6Edit->setPlaceholderText(QStringLiteral("none"));
    setMakerLink({});
    // What only this computer and this build know.
    ui_->fileNameEdit->setToolTip(fileNameTip());
    ui_->viewLogLink->setToolTip(
        QStringLiteral("Lost connections to internet (external ip: 0.0.0.0) are not logged; an "
                       "address that changed meanwhile is logged when the connection is back\n"
                       "The log: %1\nThe settings: %2")
            .arg(platform::dataFile(QStringLiteral("ipchange.log")),
                 platform::settingsFile(QStringLiteral("config.txt"))));
    applyLook(*this);
    // A status line has room for the longest caption an action writes, in whatever font.
    for (const Action action : kActions) {
        QLabel* label = statusLabel(action);
        const QFontMetrics metrics = label->fontMetrics();
        label->setMinimumWidth(
            metrics.horizontalAdvance(QStringLiteral("DDNS Update Failure @ 00-00-0000 00:00:00")) +
            2 * (label->frameWidth() + metrics.averageCharWidth()));
    }
    // The e-mail and FTP panels' boxes line up, whatever their captions' font.
    int captions = 0;
    for (QGridLayout* grid : {ui_->emailLayout, ui_->ftpLayout}) {
        for (int i = 0; i < grid->count(); ++i) {
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(i, &row, &column, &rows, &columns);
            if (column == 0 && columns == 1)
                captions = std::max(captions, grid->itemAt(i)->sizeHint().width());
        }
    }
    ui_->emailLayout->setColumnMinimumWidth(0, captions);
    ui_->ftpLayout->setColumnMinimumWidth(0, captions);
    // A port box holds five digits, however wide the window.
    for (QLineEdit* port : {ui_->smtpPortEdit, ui_->ftpPortEdit})
        port->setMaximumWidth(port->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) +
                              port->fontMetrics().averageCharWidth() * 2);
    setWindowIcon(platform::programIcon());

    connect(ui_->copyExternalButton, &QPushButton::clicked, this,
            [this] { copyAddress(ui_->externalAddressEdit); });
    connect(ui_->copyInternalButton, &QPushButton::clicked, this,
            [this] { copyAddress(ui_->internalAddressEdit); });
    connect(ui_->copyExternalIPv6Button, &QPushButton::clicked, this,
            [this] { copyAddress(ui_->externalIPv6Edit); });
    connect(ui_->copyInternalIPv6Button, &QPushButton::clicked, this,
            [this] { copyAddress(ui_->internalIPv6Edit); });
    connect(ui_->refreshButton, &QPushButton::clicked, this, &MainWindow::refreshRequested);
    connect(ui_->executeButton, &QPushButton::clicked, this, &MainWindow::executeRequested);
    connect(ui_->fileNameEdit, &QLineEdit::textChanged, this, &MainWindow::checkFileName);
    ui_->viewLogLink->installEventFilter(this);
    ui_->makerLink->installEventFilter(this);
    for (const Action action : kActions)
        statusLabel(action)->installEventFilter(this);
    bindModel();
    // The transcript shows a few lines until the window is made larger; the window opens at
    // the smallest size that shows everything, and never less than designed.
    ui_->transcriptView->setMinimumHeight(5 * ui_->transcriptView->fontMetrics().lineSpacing());
    resize(minimumSizeHint().expandedTo(QSize(656, 418)));
}

MainWindow::~MainWindow() = default;

void MainWindow::bindModel()
{
    settingsPanel_->show(model_.settings());
    showAddresses();
    showAddressCheck();
    for (const Action action : kActions)
        showStatus(action);
    appendTranscript(model_.transcript());
    ui_->executeButton->setEnabled(!model_.running());
    showProblems();

    connect(&model_, &Model::settingsChanged, this,
            [this] { settingsPanel_->show(model_.settings()); });
    // Every edit goes back into the model at once, whoever reads it next.
    connect(settingsPanel_, &SettingsPanel::edited, this,
            [this] { model_.editSettings(settingsPanel_->settings()); });
    connect(&model_, &Model::addressesChanged, this, &MainWindow::showAddresses);
    connect(&model_, &Model::addressCheckChanged, this, &MainWindow::showAddressCheck);
    connect(&model_, &Model::statusChanged, this, &MainWindow::showStatus);
    connect(&model_, &Model::transcriptAppended, this, [this](const QString& text) {
        if (text.isEmpty())
            ui_->transcriptView->clear();
        else
            appendTranscript(text);
    });
    connect(&model_, &Model::runningChanged, ui_->executeButton, &QWidget::setDisabled);
    connect(&model_, &Model::noticesChanged, this, &MainWindow::showProblems);
}

QLabel* MainWindow::statusLabel(Action action) const
{
    switch (action) {
    case Action::Email:
        return ui_->emailStatus;
    case Action::Ftp:
        return ui_->ftpStatus;
    case Action::DynDns:
        return ui_->dynDnsStatus;
    case Action::Url:
        return ui_->urlStatus;
    }
    return nullptr;
}

void MainWindow::showAddresses()
{
    ui_->externalAddressEdit->setText(model_.addresses().external);
    ui_->internalAddressEdit->setText(model_.addresses().internal);
    ui_->externalIPv6Edit->setText(model_.addresses().externalIPv6);
    ui_->internalIPv6Edit->setText(model_.addresses().internalIPv6);
    ui_->computerName->setText(model_.hostName());
}

// Under the addresses: a check under way, or when the last ended and what the user should
// know of it; why the external address is not known in red.
void MainWindow::showAddressCheck()
{
    const AddressCheck& check = model_.addressCheck();
    const QString why =
        check.problem.isEmpty() ? check.notes.join(QLatin1Char('\n')) : check.problem;
    const QString whyIPv6 =
        check.problemIPv6.isEmpty() ? check.notesIPv6.join(QLatin1Char('\n')) : check.problemIPv6;
    QStringList said = {why};
    if (!whyIPv6.isEmpty())
        said << QStringLiteral("IPv6: ") + whyIPv6;
    said.removeAll(QString());
    QString text;
    if (check.underWay)
        text = QStringLiteral("Checking the addresses…");
    else if (!check.endedAt.isEmpty())
        text = QStringLiteral("Checked at ") + check.endedAt +
               (said.isEmpty() ? QString() : QStringLiteral(": ") + said.join(QLatin1Char('\n')));
    ui_->checkLabel->setText(text);
    QPalette palette = ui_->checkLabel->palette();
    const bool failed = !check.problem.isEmpty() || !check.problemIPv6.isEmpty();
    palette.setColor(QPalette::WindowText,
                     !check.underWay && failed ? kFailureColour : kCaptionColour);
    ui_->checkLabel->setPalette(palette);
    ui_->externalAddressEdit->setToolTip(why.isEmpty() ? externalTip_
                                                       : externalTip_ + QLatin1Char('\n') + why);
    ui_->externalIPv6Edit->setToolTip(
        whyIPv6.isEmpty() ? externalIPv6Tip_ : externalIPv6Tip_ + QLatin1Char('\n') + whyIPv6);
}

void MainWindow::showStatus(Action action)
{
    const StatusLine& line = model_.status(action);
    QLabel* label = statusLabel(action);
    // The whole line where it fits; else the middle left out, the whole line heading the tip.
    const QString shown =
        label->fontMetrics().elidedText(line.text, Qt::ElideMiddle, label->contentsRect().width());
    label->setText(shown);
    label->setToolTip(shown == line.text || line.text.isEmpty()
                          ? line.toolTip
                          : line.text + QLatin1Char('\n') + line.toolTip);
    QPalette palette = label->palette();
    if (!line.text.isEmpty())
        palette.setColor(QPalette::WindowText, line.success ? kSuccessColour : kFailureColour);
    label->setPalette(palette);
}

void MainWindow::showProblems()
{
    const QString problems = model_.problems().join(QLatin1Char('\n'));
    ui_->problemLabel->setVisible(!problems.isEmpty());
    ui_->problemLabel->setText(problems);
    ui_->problemLabel->setToolTip(problems);
}

void MainWindow::appendTranscript(const QString& text)
{
    // The box breaks lines at LF; a CR LF on the wire is one line break here.
    QTextCursor cursor(ui_->transcriptView->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    // The newest line stays in view.
    ui_->transcriptView->moveCursor(QTextCursor::End);
}

void MainWindow::setMakerLink(const QString& url)
{
    makerUrl_ = url;
    ui_->makerLink->setText(url);
    ui_->makerLink->setVisible(!url.isEmpty());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // A status tip holds what a server or the user's page answered. Qt would draw an answer
    // that looks like HTML as a page (often as nothing at all), so it is shown as text.
    if (event->type() == QEvent::ToolTip) {
        auto* label = qobject_cast<QLabel*>(watched);
        if (label != nullptr && label->parent() == this && label->frameShape() == QFrame::Panel &&
            Qt::mightBeRichText(label->toolTip())) {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                               Qt::convertFromPlainText(label->toolTip(), Qt::WhiteSpacePre),
                               label);
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == ui_->viewLogLink)
            viewChangeLog();
        else if (watched == ui_->makerLink && !makerUrl_.isEmpty())
            platform::openWithDesktop(QUrl(makerUrl_));
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::copyAddress(const QLineEdit* box)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(box->text());
}

void MainWindow::viewChangeLog()
{
    // The desktop's handler for text files; without one (no xdg-open), a window of ours.
    const QString log = platform::dataFile(QStringLiteral("ipchange.log"));
    if (platform::openWithDesktop(QUrl::fromLocalFile(log)))
        return;
    // The newest lines, when it has grown large.
    constexpr qint64 kShownBytes = 1024 * 1024;
    platform::onDisk([log] {
        return platform::readOwnFile(log, 64 * kShownBytes);
    }).then(this, [this, log](const platform::FileRead& file) {
        auto* viewer = new QPlainTextEdit(this);
        viewer->setObjectName(QStringLiteral("changeLogViewer"));
        viewer->setWindowFlag(Qt::Window);
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        viewer->setReadOnly(true);
        viewer->setWindowTitle(log);
        viewer->setPlainText(file.ok       ? fromWindows1252(file.bytes.right(kShownBytes))
                             : file.exists ? file.error
                                           : QStringLiteral("No change has been logged yet."));
        viewer->moveCursor(QTextCursor::End);
        viewer->resize(640, 360);
        viewer->show();
    });
}

void MainWindow::checkFileName()
{
    // The check cycle refuses such a name; the box says why while it holds one.
    const QString name = ui_->fileNameEdit->text();
    const bool refused = !isUsableAddressFileName(name) && !trimBlanks(name).isEmpty();
    ui_->fileNameEdit->setToolTip(
        refused ? QStringLiteral("Not used: the address file's name must be a plain file name, "
                                 "without \"/\", \"\\\" or \"..\", and none of Quillet's own "
                                 "files (config.txt, ipchange.log, …); the last good name stays "
                                 "in force")
                : fileNameTip());
    QPalette p = ui_->fileNameEdit->palette();
    p.setColor(QPalette::Text, refused ? kFailureColour : QColor(Qt::white));
    ui_->fileNameEdit->setPalette(p);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The unload is never cancelled.
    event->accept();
    emit closing();
}

} // namespace quillet
