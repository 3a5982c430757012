#include "app/Application.h"

#include "BuildConfig.h"

#include "app/Folders.h"
#include "core/FileNames.h"
#include "core/TextUtil.h"
#include "monitor/Monitor.h"
#include "platform/DiskQueue.h"
#include "platform/Download.h"
#include "platform/FileAccess.h"
#include "platform/Log.h"
#include "platform/Network.h"
#include "platform/Prompt.h"
#include "platform/VersionInfo.h"
#include "ui/MainWindow.h"
#include "ui/TrayController.h"

#include <QGuiApplication>

namespace quillet {

namespace {
// How long the end waits for the disk's thread.
constexpr int kDiskWaitAtEndMs = 10'000;
} // namespace

Application::Application()
    : monitor_(new Monitor(model_, this))
{
    connect(&checkTimer_, &QTimer::timeout, this, &Application::checkNow);
}

Application::~Application()
{
    // The window goes first: it shows the model.
    window_.reset();
}

bool Application::start(bool atLogin)
{
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, &Application::requestShutdown);
        connect(app, &QCoreApplication::aboutToQuit, this, &Application::shutDown);
    }
    const FolderChoice folders = chooseFolders();
    platform::useFolders(folders.folders);
    if (!folders.problem.isEmpty()) {
        warn(folders.problem);
        model_.setProblem(Model::Problem::Folders, folders.problem);
    }
    // What a copy killed in the middle of a write left behind.
    for (const QString& folder : {folders.folders.settings, folders.folders.data})
        platform::removeStrayTemporaries(folder, ownFileNames());
    store_ = new SettingsStore(model_, folders.folders.settings, this);
    tray_ = new TrayController(
        model_, [this] { return window(); }, atLogin, this);

    starting_ = true;
    Settings settings = store_->load(model_.settings());
    model_.setHostName(platform::hostName().replace(QLatin1Char(' '), QLatin1Char('_')));
    if (model_.hostName().isEmpty() && settings.addressFileName.isEmpty()) {
        const QString name =
            platform::askForText(platform::versionTitle(),
                                 QStringLiteral("Please enter a short name for this computer "
                                                "(Letters and Numbers only):"))
                .replace(QLatin1Char(' '), QLatin1Char('_'));
        model_.setHostName(name);
        settings.addressFileName = QStringLiteral("ip_") + name + QStringLiteral(".txt");
    }
    starting_ = false;
    // Asked to end while the prompt was open: nothing was changed, so nothing is written.
    if (std::exchange(endWhenStarted_, false)) {
        shutDown_ = true;
        emit finished();
        return false;
    }
    model_.setSettings(settings);
    platform::removeStrayTemporaries(folders.folders.data, {settings.addressFileName});
    if (!monitor_->checkCycle().loadPreviousAddresses())
        checkNow();
    monitor_->deliveries().load(platform::dataFile(kDeliveryRecordName),
                                monitor_->checkCycle().lastKnown());
    store_->saveChanges();
    // Ticking "Also watch IPv6" shows the IPv6 addresses at once.
    connect(&model_, &Model::settingsEdited, this, [this, ipv6 = settings.watchIPv6]() mutable {
        if (std::exchange(ipv6, model_.settings().watchIPv6) != ipv6)
            checkNow();
    });

    checkNow();
    checkTimer_.start(kCheckIntervalMs);
    return true;
}

MainWindow* Application::window()
{
    if (window_ || shutDown_)
        return window_.get();
    window_ = std::make_unique<MainWindow>(model_);
    window_->setMakerLink(QStringLiteral(QUILLET_MAKER_URL));
    window_->setWindowTitle(platform::versionTitle());
    connect(window_.get(), &MainWindow::refreshRequested, this, &Application::checkNow);
    connect(window_.get(), &MainWindow::executeRequested, this, &Application::runActionsNow);
    connect(window_.get(), &MainWindow::closing, this, &Application::shutDown);
    return window_.get();
}

void Application::checkNow()
{
    monitor_->requestCheck();
}

void Application::runActionsNow()
{
    monitor_->requestRun();
}

void Application::showWindow()
{
    tray_->showWindow();
}

void Application::requestShutdown()
{
    if (starting_) {
        endWhenStarted_ = true;
        platform::cancelPrompt();
        return;
    }
    if (window_ && !shutDown_)
        window_->close();
    else
        shutDown();
}

void Application::shutDown()
{
    if (shutDown_)
        return;
    shutDown_ = true;

    checkTimer_.stop();
    // A transfer under way is cut short: nothing waits on a server at the end.
    monitor_->stop();
    platform::cancelTransfers();
    emit ending();
    // The settings' last save comes after what the disk's thread still holds. A disk that
    // hangs longer than that gets no last save: the files written before stay whole.
    if (!platform::finishDiskJobs(kDiskWaitAtEndMs))
        warn(QStringLiteral("the disk did not answer; the settings' last save is skipped"));
    else if (store_ != nullptr && store_->save() && store_->target() != store_->path())
        warn(QStringLiteral("%1 was kept as it is; this session's settings are in %2")
                 .arg(store_->path(), store_->target()));
    if (tray_)
        tray_->remove();
    emit finished();
}

} // namespace quillet
