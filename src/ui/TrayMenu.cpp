#include "ui/TrayMenu.h"

#include "core/Model.h"
#include "platform/Autostart.h"
#include "platform/DiskQueue.h"

#include <QEvent>
#include <QWindow>

namespace quillet {

WindowState windowStateOf(const QWidget& window)
{
    if (window.isMinimized() || window.isHidden())
        return WindowState::Minimized;
    return window.isMaximized() ? WindowState::Maximized : WindowState::Normal;
}

TrayMenu::TrayMenu(QWidget& window, Model& model)
    : QMenu(&window)
    , window_(window)
    , model_(model)
{
    const auto add = [this](Item item, const QString& text, auto slot) {
        actions_.at(static_cast<std::size_t>(item)) = addAction(text, this, slot);
    };
    add(Item::Restore, QStringLiteral("&Restore"), &TrayMenu::restoreRequested);
    add(Item::Move, QStringLiteral("&Move"), &TrayMenu::startSystemMove);
    add(Item::Size, QStringLiteral("&Size"), &TrayMenu::startSystemResize);
    add(Item::Minimize, QStringLiteral("Mi&nimize"), &TrayMenu::minimizeRequested);
    add(Item::Maximize, QStringLiteral("Ma&ximize"), &TrayMenu::maximize);
    addSeparator();
    add(Item::StartAtLogin, QStringLiteral("Start at &login"), &TrayMenu::toggleStartAtLogin);
    action(Item::StartAtLogin)->setCheckable(true);
    addSeparator();
    actions_.at(static_cast<std::size_t>(Item::Close)) =
        addAction(QStringLiteral("&Close"), &window, &QWidget::close);
    // Read afresh each time it opens: the window's state and the autostart entry, whatever
    // else changed them.
    connect(this, &QMenu::aboutToShow, this, [this] {
        enableItemsFor(windowStateOf(window_));
        showStartAtLogin();
    });
    window.installEventFilter(this);
    enableItemsFor(windowStateOf(window));
}

void TrayMenu::enableItemsFor(WindowState state)
{
    const bool normal = state == WindowState::Normal;
    action(Item::Restore)->setEnabled(!normal);
    action(Item::Move)->setEnabled(normal);
    action(Item::Size)->setEnabled(normal);
    action(Item::Minimize)->setEnabled(state != WindowState::Minimized);
    action(Item::Maximize)->setEnabled(state != WindowState::Maximized);
}

bool TrayMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &window_ &&
        (event->type() == QEvent::WindowStateChange || event->type() == QEvent::Resize)) {
        const WindowState state = windowStateOf(window_);
        enableItemsFor(state);
        if (state != WindowState::Minimized)
            lastShown_ = state;
    }
    return QMenu::eventFilter(watched, event);
}

void TrayMenu::restoreShownWindow()
{
    // As the window manager restores: from minimised to the state before, else to normal.
    const Qt::WindowStates s = window_.windowState();
    window_.setWindowState(s.testFlag(Qt::WindowMinimized) ? s & ~Qt::WindowMinimized
                                                           : s & ~Qt::WindowMaximized);
}

void TrayMenu::startSystemMove()
{
    // The window manager decides whether a move can start without a pressed button.
    if (window_.isVisible() && window_.windowHandle())
        window_.windowHandle()->startSystemMove();
}

void TrayMenu::startSystemResize()
{
    if (window_.isVisible() && window_.windowHandle())
        window_.windowHandle()->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
}

void TrayMenu::maximize()
{
    window_.setWindowState((window_.windowState() & ~(Qt::WindowMinimized | Qt::WindowActive)) |
                           Qt::WindowMaximized);
    if (window_.isHidden())
        window_.show();
}

// The entry lives in the home folder, which may be a network share: read and written on the
// disk's thread, the tick following once it is known.
void TrayMenu::showStartAtLogin()
{
    platform::onDisk([] { return platform::startsAtLogin(); }).then(this, [this](bool on) {
        action(Item::StartAtLogin)->setChecked(on);
    });
}

void TrayMenu::toggleStartAtLogin()
{
    platform::onDisk([on = action(Item::StartAtLogin)->isChecked()] {
        QString error;
        return platform::setStartAtLogin(on, &error) ? QString()
                                                     : QStringLiteral("Start at login: ") + error;
    }).then(this, [this](const QString& problem) {
        model_.setProblem(Model::Problem::Autostart, problem);
        showStartAtLogin();
    });
}

} // namespace quillet
