#include "core/Quillet.h"

#include "BuildConfig.h"

#include "actions/modBase64.h"
#include "address/modGetHostName.h"
#include "app/ConfigFile.h"
#include "core/Ansi.h"
#include "core/TextUtil.h"
#include "core/Warn.h"
#include "monitor/ActionRunner.h"
#include "monitor/CheckCycle.h"
#include "platform/FileAccess.h"
#include "platform/InputBox.h"
#include "platform/ProgramDir.h"
#include "platform/Timer.h"
#include "platform/VersionInfo.h"
#include "ui/frmMain.h"
#include "ui/modAddToTray.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSessionManager>

#include <cstdio>

namespace quillet {

namespace {

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

    const ConfigLoad load = LoadConfig(configPath(), f.settings());
    if (!load.error.isEmpty())
        warn(load.error);
    // A file that could not be read is never written over: it may hold what the user needs.
    configKept_ = load.outcome == LoadOutcome::NotLoaded;
    f.applySettings(load.settings);
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

    if (IsPlainFileName(f.txtFileName->text())) {
        run_.IPFilePath = platform::programFile(f.txtFileName->text());
        if (!readPreviousAddresses())
            CheckIPChange();
    }

    SetTrayTip(TrayTipText(run_.PrevExternalIP, run_.PrevInternalIP));
    run_.FirstLoad = false;
}

bool Quillet::readPreviousAddresses()
{
    const platform::FileRead file = platform::readOwnFile(run_.IPFilePath, 64 * 1024);
    if (!file.ok) {
        if (file.exists)
            warn(file.error);
        return file.exists;
    }
    const QStringList lines = SplitLines(fromAnsi(file.bytes), 2);
    if (!lines.isEmpty())
        run_.PrevExternalIP = TrimBlanks(lines.at(0));
    if (lines.size() > 1)
        run_.PrevInternalIP = TrimBlanks(lines.at(1));
    form_->txtExternalIP->setText(run_.PrevExternalIP);
    form_->txtInternalIP->setText(run_.PrevInternalIP);
    return true;
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
    const QString path = configKept_ ? configPath() + QStringLiteral(".unsaved") : configPath();
    QString error;
    if (!SaveConfig(form_->settings(), path, &error))
        warn(QStringLiteral("the settings of this session are lost: %1").arg(error));
    else if (configKept_)
        warn(QStringLiteral("%1 was kept as it is; this session's settings are in %2")
                 .arg(configPath(), path));
    RemoveFromTray();
    emit finished();
}

} // namespace quillet
