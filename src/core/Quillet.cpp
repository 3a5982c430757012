#include "core/Quillet.h"

#include "BuildConfig.h"

#include "actions/modBase64.h"
#include "address/modGetHostName.h"
#include "core/Ansi.h"
#include "core/ConfigFile.h"
#include "core/TextUtil.h"
#include "monitor/ActionRunner.h"
#include "monitor/CheckCycle.h"
#include "platform/InputBox.h"
#include "platform/ProgramDir.h"
#include "platform/Timer.h"
#include "platform/VersionInfo.h"
#include "ui/frmMain.h"
#include "ui/modAddToTray.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSessionManager>

#include <cstdio>

namespace quillet {

namespace {

void warn(const QString& message)
{
    std::fprintf(stderr, "quillet: %s\n", message.toLocal8Bit().constData());
}

QString configPath()
{
    return platform::programFile(QStringLiteral("config.txt"));
}

} // namespace

QString BuildAppTitle(const platform::VersionRecord& version)
{
    return QStringLiteral("%1 %2 %3.%4.%5")
        .arg(version.companyName, version.productName)
        .arg(version.major)
        .arg(version.minor)
        .arg(version.revision);
}

Quillet::Quillet()
    : actionRunner(
          [this](frmMain& form, RunCause cause) { quillet::ExecuteActions(form, run_, cause); })
{
}

Quillet::~Quillet() = default;

void Quillet::Main()
{
    run_.FirstLoad = true;
    InitBase64();

    form_ = std::make_unique<frmMain>();
    connect(form_->cmdCheckNow, &QPushButton::clicked, this, &Quillet::CheckIPChange);
    connect(form_->cmdUploadNow, &QPushButton::clicked, this, &Quillet::ExecuteActions);
    connect(form_.get(), &frmMain::unloading, this, &Quillet::Form_Unload);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, &Quillet::requestShutdown);
        connect(app, &QCoreApplication::aboutToQuit, this, &Quillet::CleanUp);
    }
    Form_Load();

    CheckIPChange();
    platform::SetTimer(form_.get(), kCheckTimerId, kCheckIntervalMs, [this] { CheckIPChange(); });
}

void Quillet::Form_Load()
{
    frmMain& f = *form_;
    f.setMakerLink(QStringLiteral(QUILLET_MAKER_URL));
    if (!run_.FirstLoad)
        return;

    f.hide();
    run_.AppTitle = BuildAppTitle(platform::versionRecord());
    f.LastState = f.windowStateValue() == 1 ? 0 : f.windowStateValue();
    AddToTray(f, f.mnuTray);

    const QString config = configPath();
    if (QFileInfo::exists(config)) {
        switch (LoadConfig(f, config)) {
        case LoadOutcome::Loaded:
            break;
        case LoadOutcome::TooShort:
            warn(QStringLiteral("%1 is too short to load; kept as %1.bak").arg(config));
            break;
        case LoadOutcome::Unreadable:
            warn(QStringLiteral("cannot read %1").arg(config));
            break;
        }
    }
    f.setWindowTitle(run_.AppTitle);

    f.lblHostName->setText(GetHostName().replace(QLatin1Char(' '), QLatin1Char('_')));
    if (f.lblHostName->text().isEmpty() && f.txtFileName->text().isEmpty()) {
        const QString answer = platform::InputBox(
            &f, run_.AppTitle,
            QStringLiteral(
                "Please enter a short name for this computer (Letters and Numbers only):"));
        const QString name = QString(answer).replace(QLatin1Char(' '), QLatin1Char('_'));
        f.lblHostName->setText(name);
        f.txtFileName->setText(QStringLiteral("ip_") + name + QStringLiteral(".txt"));
    }

    run_.IPFilePath = platform::programFile(f.txtFileName->text());
    if (!f.txtFileName->text().isEmpty()) {
        if (QFileInfo(run_.IPFilePath).isFile())
            readPreviousAddresses();
        else
            CheckIPChange();
    }

    SetTrayTip(TrayTipText(run_.PrevExternalIP, run_.PrevInternalIP));
    run_.FirstLoad = false;
}

void Quillet::readPreviousAddresses()
{
    QFile file(run_.IPFilePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QStringList lines = SplitLines(fromAnsi(file.read(64 * 1024)), 2);
    if (!lines.isEmpty())
        run_.PrevExternalIP = TrimBlanks(lines.at(0));
    if (lines.size() > 1)
        run_.PrevInternalIP = TrimBlanks(lines.at(1));
    form_->txtExternalIP->setText(run_.PrevExternalIP);
    form_->txtInternalIP->setText(run_.PrevInternalIP);
}

void Quillet::CheckIPChange()
{
    quillet::CheckIPChange(*form_, run_, [this] { runActions(RunCause::Change); });
}

void Quillet::ExecuteActions()
{
    runActions(RunCause::User);
}

void Quillet::runActions(RunCause cause)
{
    if (actionRunner)
        actionRunner(*form_, cause);
}

void Quillet::requestShutdown()
{
    if (form_ && !cleanedUp_)
        form_->close();
}

void Quillet::Form_Unload()
{
    CleanUp();
}

void Quillet::CleanUp()
{
    if (cleanedUp_ || !form_)
        return;
    cleanedUp_ = true;

    platform::KillTimer(form_.get(), kCheckTimerId);
    QString error;
    if (!SaveConfig(*form_, configPath(), &error))
        warn(QStringLiteral("cannot write %1: %2").arg(configPath(), error));
    RemoveFromTray();
    emit finished();
}

} // namespace quillet
