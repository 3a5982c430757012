#include "ui/TrayController.h"

#include "core/Endpoints.h"
#include "core/Model.h"
#include "platform/TrayIcon.h"
#include "ui/MainWindow.h"
#include "ui/TrayMenu.h"

#include <QEvent>
#include <QTimer>
#include <QWindowStateChangeEvent>

namespace quillet {

namespace {
// The shell keeps 64 characters for the tip, the terminator among them.
constexpr qsizetype kTipField = 64;
// How long a copy started at login waits for a notification area.
constexpr int kTrayWaitSeconds = 60;

Qt::WindowStates qtState(WindowState state)
{
    return state == WindowState::Maximized ? Qt::WindowMaximized : Qt::WindowNoState;
}
} // namespace

QString trayTipText(const QString& external, const QString& internal)
{
    QString tip = QStringLiteral("External IP: ") + external;
    if (!internal.isEmpty())
        tip += QStringLiteral("\r\nInternal IP: ") + internal;
    // 64 characters or more lose the terminator, and the icon then shows the first 63.
    return tip.left(kTipField - 1);
}

TrayController::TrayController(Model& model, std::function<MainWindow*()> buildWindow, bool atLogin,
                               QObject* parent)
    : QObject(parent)
    , model_(model)
    , buildWindow_(std::move(buildWindow))
{
    connect(&model_, &Model::addressesChanged, this, &TrayController::updateTip);
    connect(&model_, &Model::noticesChanged, this, &TrayController::updateTip);
    connect(&model_, &Model::addressCheckChanged, this, &TrayController::updateTip);
    const platform::TrayPresence presence = platform::trayPresence();
    if (presence == platform::TrayPresence::Headless)
        return;
    icon_ = std::make_unique<platform::TrayIcon>();
    connect(icon_.get(), &platform::TrayIcon::leftClicked, this, &TrayController::showWindow);
    connect(icon_.get(), &platform::TrayIcon::rightClicked, this, &TrayController::popUpMenu);
    connect(icon_.get(), &platform::TrayIcon::availabilityChanged, this,
            &TrayController::trayAppeared);
    updateTip();
    // Only hidden while an icon can bring the window back; otherwise it would be lost. At
    // login the panel often starts after the programs it starts: a minute to appear.
    if (presence == platform::TrayPresence::Missing) {
        auto* waiting = new QTimer(this);
        int left = atLogin ? kTrayWaitSeconds : 0;
        connect(waiting, &QTimer::timeout, this, [this, waiting, left]() mutable {
            if (platform::trayPresence() == platform::TrayPresence::Present || left-- <= 0) {
                waiting->deleteLater();
                if (platform::trayPresence() != platform::TrayPresence::Present)
                    showForWantOfTray();
            }
        });
        waiting->start(atLogin ? 1000 : 0);
    }
}

TrayController::~TrayController() = default;

MainWindow* TrayController::window()
{
    if (window_ || removed_)
        return window_;
    MainWindow* built = buildWindow_();
    window_ = built;
    if (built != nullptr) {
        hiddenState_ = {};
        auto* menu = new TrayMenu(*built, model_);
        menu_ = menu;
        connect(menu, &TrayMenu::restoreRequested, this, &TrayController::restore);
        connect(menu, &TrayMenu::minimizeRequested, this, &TrayController::minimize);
        built->installEventFilter(this);
    }
    return built;
}

bool TrayController::eventFilter(QObject* watched, QEvent* event)
{
    // Only the window manager's own minimise (title bar, keys) arrives spontaneous; the
    // program's setWindowState does not, so the tray menu's Minimize keeps its meaning.
    MainWindow* shown = window_;
    if (shown != nullptr && watched == shown && event->type() == QEvent::WindowStateChange &&
        event->spontaneous()) {
        const auto before = static_cast<QWindowStateChangeEvent*>(event)->oldState();
        // Without an icon the window minimises as usual, so it can still be reached.
        if (shown->isMinimized() && !before.testFlag(Qt::WindowMinimized) && iconShown()) {
            hideIntoTray(before);
            return true;
        }
    }
    return false;
}

void TrayController::updateTip()
{
    const AddressCheck& check = model_.addressCheck();
    QStringList shown = {trayTipText(model_.addresses().external, model_.addresses().internal)};
    if (watchesIPv6(model_.settings())) {
        const QString ipv6 = model_.addresses().externalIPv6;
        shown << QStringLiteral("External IPv6: ") +
                     (ipv6.isEmpty() ? QStringLiteral("unknown") : ipv6);
    }
    shown << check.notes;
    for (const QString& note : check.notesIPv6)
        shown << QStringLiteral("IPv6: ") + note;
    tip_ = shown.join(QStringLiteral("\r\n"));
    const QStringList failed = model_.failedActions();
    QStringList lines = model_.problems();
    if (!failed.isEmpty())
        lines.prepend(QStringLiteral("Failed: ") + failed.join(QStringLiteral(", ")));
    if (!check.problemIPv6.isEmpty())
        lines.prepend(QStringLiteral("External IPv6 unknown: ") + check.problemIPv6);
    if (!check.problem.isEmpty())
        lines.prepend(QStringLiteral("External IP unknown: ") + check.problem);
    alert_ = lines.join(QStringLiteral("\r\n"));
    if (icon_) {
        icon_->setTip(tip());
        icon_->setAlert(!alert_.isEmpty());
    }
}

QString TrayController::tip() const
{
    return alert_.isEmpty() ? tip_ : tip_ + QStringLiteral("\r\n") + alert_;
}

TrayMenu* TrayController::menu() const
{
    return menu_;
}

bool TrayController::iconShown() const
{
    return icon_ && platform::trayPresence() == platform::TrayPresence::Present;
}

// Hides the window into the tray while keeping the state it had before minimising.
void TrayController::hideIntoTray(Qt::WindowStates stateBefore)
{
    MainWindow* shown = window_;
    TrayMenu* menu = menu_;
    if (shown == nullptr || menu == nullptr)
        return;
    // Un-minimising maps the window again on X11, so the state goes back before the hide.
    if (shown->isMinimized())
        shown->setWindowState(stateBefore & ~Qt::WindowMinimized);
    hiddenState_ = shown->windowState();
    shown->hide();
    menu->enableItemsFor(WindowState::Minimized);
}

void TrayController::showWindow()
{
    MainWindow* shown = window();
    TrayMenu* menu = menu_;
    if (shown == nullptr || menu == nullptr)
        return;
    shownForWantOfTray_ = false;
    // The window manager drops a hidden window's state, and Qt may hear of that as the window
    // turning normal: the state it went in with comes back before it shows.
    if (shown->isHidden())
        shown->setWindowState(hiddenState_);
    shown->show();
    if (shown->isMinimized())
        shown->setWindowState(qtState(menu->lastShownState()));
    shown->raise();
    shown->activateWindow();
}

void TrayController::restore()
{
    MainWindow* shown = window_;
    TrayMenu* menu = menu_;
    if (shown == nullptr || menu == nullptr)
        return;
    if (shown->isVisible())
        return menu->restoreShownWindow();
    shown->setWindowState(hiddenState_);
    shown->show();
    menu->enableItemsFor(WindowState::Normal);
}

// The menu's Minimize is the window manager's: into the tray while an icon can bring the window
// back, else minimised as usual.
void TrayController::minimize()
{
    MainWindow* shown = window_;
    if (shown == nullptr || !shown->isVisible())
        return;
    if (iconShown())
        hideIntoTray(shown->windowState());
    else
        shown->setWindowState((shown->windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
}

void TrayController::popUpMenu(QPoint pos)
{
    window();
    if (TrayMenu* menu = menu_)
        menu->popup(pos);
}

void TrayController::showForWantOfTray()
{
    if (MainWindow* shown = window(); shown != nullptr && shown->isHidden()) {
        shown->show();
        shownForWantOfTray_ = true;
    }
}

// A notification area that shows up after start-up (common right after log-in) takes the
// program in: a window shown for want of it, or minimised meanwhile, goes into it.
void TrayController::trayAppeared()
{
    MainWindow* shown = window_;
    TrayMenu* menu = menu_;
    if (shown == nullptr || menu == nullptr || !iconShown())
        return;
    if (shown->isMinimized())
        hideIntoTray(qtState(menu->lastShownState()));
    else if (std::exchange(shownForWantOfTray_, false) && shown->isVisible())
        hideIntoTray(shown->windowState());
}

void TrayController::remove()
{
    removed_ = true;
    icon_.reset();
    if (MainWindow* shown = window_)
        shown->removeEventFilter(this);
    window_ = nullptr;
}

} // namespace quillet
