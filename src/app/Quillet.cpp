#include "app/Quillet.h"

#include "BuildConfig.h"

#include "actions/Base64.h"
#include "actions/EmailAction.h"
#include "address/modGetHostName.h"
#include "app/ConfigFile.h"
#include "core/Ansi.h"
#include "core/TextUtil.h"
#include "core/Warn.h"
#include "monitor/Monitor.h"
#include "platform/Download.h"
#include "platform/FileAccess.h"
#include "platform/InputBox.h"
#include "platform/Paths.h"
#include "platform/Timer.h"
#include "platform/VersionInfo.h"
#include "ui/Tray.h"
#include "ui/TrayMenu.h"
#include "ui/frmMain.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QSessionManager>

#include <cstdio>

namespace quillet {

namespace {

QString configPath()
{
    return platform::settingsFile(QStringLiteral("config.txt"));
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
    : email_(new EmailAction(model_, this))
    , monitor_(new Monitor(model_, run_, *email_, this))
    , saveSoon_(new QTimer(this))
{
    // The tray's tip follows the addresses shown, and tells when the last run had a failure.
    connect(&model_, &Model::addressesChanged, this,
            [this] { SetTrayTip(TrayTipText(model_.externalIP(), model_.internalIP())); });
    connect(&model_, &Model::noticesChanged, this, [this] {
        const QStringList failed = model_.failedActions();
        SetTrayAlert(failed.isEmpty()
                         ? QString()
                         : QStringLiteral("Failed: ") + failed.join(QStringLiteral(", ")));
    });
    // Saved shortly after the last edit, so that a crash or a power cut loses a second at most.
    saveSoon_->setSingleShot(true);
    saveSoon_->setInterval(kSaveDelayMs);
    connect(saveSoon_, &QTimer::timeout, this, &Quillet::save);
}

Quillet::~Quillet()
{
    // The window goes first: it shows the model.
    form_.reset();
}

void Quillet::Main()
{
    run_.FirstLoad = true;
    InitBase64();
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, &Quillet::requestShutdown);
        connect(app, &QCoreApplication::aboutToQuit, this, &Quillet::CleanUp);
    }
    Form_Load();

    CheckIPChange();
    platform::SetTimer(this, kCheckTimerId, kCheckIntervalMs, [this] { CheckIPChange(); });
}

void Quillet::Form_Load()
{
    if (!run_.FirstLoad)
        return;
    run_.AppTitle = BuildAppTitle(platform::versionRecord());
    AddToTray(*this);

    const ConfigLoad load = LoadConfig(configPath(), model_.settings());
    if (!load.error.isEmpty())
        warn(load.error);
    // A file that could not be read is never written over: it may hold what the user needs.
    configKept_ = load.outcome == LoadOutcome::NotLoaded;
    Settings settings = load.settings;

    model_.setHostName(GetHostName().replace(QLatin1Char(' '), QLatin1Char('_')));
    if (model_.hostName().isEmpty() && settings.txtFileName.isEmpty()) {
        const QString answer = platform::InputBox(
            nullptr, run_.AppTitle,
            QStringLiteral(
                "Please enter a short name for this computer (Letters and Numbers only):"));
        const QString name = QString(answer).replace(QLatin1Char(' '), QLatin1Char('_'));
        model_.setHostName(name);
        settings.txtFileName = QStringLiteral("ip_") + name + QStringLiteral(".txt");
    }
    model_.setSettings(settings);

    if (IsPlainFileName(settings.txtFileName)) {
        run_.IPFilePath = platform::dataFile(settings.txtFileName);
        if (!readPreviousAddresses())
            CheckIPChange();
    }
    SetTrayTip(TrayTipText(run_.PrevExternalIP, run_.PrevInternalIP));
    run_.FirstLoad = false;
    for (const auto changed : {&Model::settingsChanged, &Model::settingsEdited})
        connect(&model_, changed, saveSoon_, qOverload<>(&QTimer::start));
}

void Quillet::save()
{
    saveSoon_->stop();
    const QString path = configKept_ ? configPath() + QStringLiteral(".unsaved") : configPath();
    QString error;
    if (SaveConfig(model_.settings(), path, &error)) {
        model_.setSaveProblem({});
        return;
    }
    warn(QStringLiteral("the settings could not be saved: %1").arg(error));
    model_.setSaveProblem(error);
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
    model_.setAddresses(run_.PrevExternalIP, run_.PrevInternalIP);
    return true;
}

QWidget* Quillet::window(bool build)
{
    if (form_ || !build || cleanedUp_)
        return form_.get();
    form_ = std::make_unique<frmMain>(model_);
    frmMain& f = *form_;
    f.setMakerLink(QStringLiteral(QUILLET_MAKER_URL));
    f.setWindowTitle(run_.AppTitle);
    connect(f.cmdCheckNow, &QPushButton::clicked, this, &Quillet::CheckIPChange);
    connect(f.cmdUploadNow, &QPushButton::clicked, this, &Quillet::ExecuteActions);
    connect(&f, &frmMain::unloading, this, &Quillet::Form_Unload);
    HookTrayWindow(f);
    return form_.get();
}

qint16 Quillet::lastState() const
{
    return form_ ? form_->mnuTray->LastState : 0;
}

void Quillet::setTrayMenuItems(qint16 state)
{
    if (form_)
        form_->mnuTray->SetTrayMenuItems(state);
}

QMenu* Quillet::trayMenu()
{
    return window(true) ? form_->mnuTray : nullptr;
}

void Quillet::CheckIPChange()
{
    monitor_->requestCheck();
}

void Quillet::ExecuteActions()
{
    monitor_->requestRun(RunCause::User);
}

void Quillet::showWindow()
{
    TrayWindowProc(TrayMessage::IconLeftClick);
}

void Quillet::requestShutdown()
{
    if (form_ && !cleanedUp_)
        form_->close();
    else
        CleanUp();
}

void Quillet::Form_Unload()
{
    CleanUp();
}

void Quillet::CleanUp()
{
    if (cleanedUp_)
        return;
    cleanedUp_ = true;

    platform::KillTimer(this, kCheckTimerId);
    // A transfer under way is cut short: nothing waits on a server at the end.
    monitor_->stop();
    platform::cancelTransfers();
    save();
    if (configKept_ && model_.saveProblem().isEmpty())
        warn(QStringLiteral("%1 was kept as it is; this session's settings are in %2.unsaved")
                 .arg(configPath(), configPath()));
    RemoveFromTray();
    emit finished();
}

} // namespace quillet
