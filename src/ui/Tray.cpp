#include "ui/Tray.h"

#include "platform/TrayIcon.h"
#include "ui/TrayWindow.h"

#include <QEvent>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindowStateChangeEvent>

#include <memory>

namespace quillet {

namespace {

// The shell keeps 64 characters for the tip, the terminator among them.
constexpr qsizetype kTipField = 64;

// Turns what Qt reports about the window into the messages of TrayWindowProc.
class WindowHook : public QObject {
public:
    explicit WindowHook(QWidget& window) { window.installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Only the window manager's own minimise (title bar, keys) arrives spontaneous; the
        // program's setWindowState does not, so the tray menu's Minimize keeps its meaning.
        if (event->type() == QEvent::WindowStateChange && event->spontaneous()) {
            auto* widget = static_cast<QWidget*>(watched);
            const auto before = static_cast<QWindowStateChangeEvent*>(event)->oldState();
            if (widget->isMinimized() && !before.testFlag(Qt::WindowMinimized))
                return TrayWindowProc(TrayMessage::Minimize, {}, before);
        }
        return false;
    }
};

struct TrayRecord {
    TrayWindow* host = nullptr;
    QPointer<QWidget> window;
    const QObject* hooked = nullptr; // still known while the window is being destroyed
    QString tip;
    QString alert;
    Qt::WindowStates hiddenState; // the state the window went into the tray with
    std::unique_ptr<WindowHook> hook;
    std::unique_ptr<platform::TrayIcon> icon;
};

TrayRecord& tray()
{
    static TrayRecord record;
    return record;
}

Qt::WindowStates qtState(qint16 state)
{
    return state == 2 ? Qt::WindowMaximized : Qt::WindowNoState;
}

qint16 stateValue(const QWidget& window)
{
    return window.isMinimized() ? 1 : window.isMaximized() ? 2 : 0;
}

// Hides the window into the tray while keeping the state it had before minimising.
void hideIntoTray(QWidget& window, Qt::WindowStates stateBefore)
{
    // Un-minimising maps the window again on X11, so the state goes back before the hide.
    if (window.isMinimized())
        window.setWindowState(stateBefore & ~Qt::WindowMinimized);
    tray().hiddenState = window.windowState();
    window.hide();
    tray().host->setTrayMenuItems(1);
}

// Shows the window, out of the tray in the state it went in with: the window manager drops a
// hidden window's state, and Qt may hear of that as the window turning normal.
void showFromTray(QWidget& window)
{
    if (window.isHidden())
        window.setWindowState(tray().hiddenState);
    window.show();
}

// A notification area that shows up after start-up (common right after log-in) takes the
// program in; a window minimised meanwhile goes into it.
void trayAppeared()
{
    TrayRecord& t = tray();
    if (t.window && t.window->isMinimized() && isTrayIconShown())
        hideIntoTray(*t.window, qtState(t.host->lastState()));
}

} // namespace

void AddToTray(TrayWindow& host)
{
    TrayRecord& t = tray();
    t.host = &host;
    t.tip.clear();
    t.alert.clear();
    const platform::TrayPresence presence = platform::trayPresence();
    if (presence == platform::TrayPresence::Headless)
        return;
    t.icon = std::make_unique<platform::TrayIcon>();
    t.icon->setTip(t.tip);
    QObject::connect(t.icon.get(), &platform::TrayIcon::leftClicked,
                     [] { TrayWindowProc(TrayMessage::IconLeftClick); });
    QObject::connect(t.icon.get(), &platform::TrayIcon::rightClicked,
                     [](QPoint pos) { TrayWindowProc(TrayMessage::IconRightClick, pos); });
    QObject::connect(t.icon.get(), &platform::TrayIcon::availabilityChanged, &trayAppeared);
    // Only hide when an icon can bring the window back; otherwise it would be lost.
    if (presence == platform::TrayPresence::Missing) {
        QTimer::singleShot(0, t.icon.get(), [] {
            if (QWidget* window = tray().host ? tray().host->window(true) : nullptr)
                window->show();
        });
    }
}

void HookTrayWindow(QWidget& window)
{
    TrayRecord& t = tray();
    t.window = &window;
    t.hooked = &window;
    t.hiddenState = {};
    t.hook = std::make_unique<WindowHook>(window);
    QObject::connect(&window, &QObject::destroyed, [hooked = &window] {
        if (tray().hooked == hooked)
            TrayWindowProc(TrayMessage::Destroyed);
    });
}

QString TrayTipText(const QString& external, const QString& internal)
{
    QString tip = QStringLiteral("External IP: ") + external;
    if (!internal.isEmpty())
        tip += QStringLiteral("\r\nInternal IP: ") + internal;
    return tip;
}

void SetTrayTip(const QString& text)
{
    // The text and its terminator, cut to the field: 64 characters or more lose the
    // terminator, and the icon then shows the first 63.
    const QString field = (text + QChar(u'\0')).left(kTipField);
    const qsizetype end = field.indexOf(QChar(u'\0'));
    TrayRecord& t = tray();
    t.tip = field.left(end >= 0 ? end : kTipField - 1);
    if (t.icon)
        t.icon->setTip(currentTrayTip());
}

void SetTrayAlert(const QString& line)
{
    TrayRecord& t = tray();
    t.alert = line;
    if (t.icon) {
        t.icon->setTip(currentTrayTip());
        t.icon->setAlert(!line.isEmpty());
    }
}

void RemoveFromTray()
{
    TrayRecord& t = tray();
    t.icon.reset();
    t.hook.reset();
    t.window = nullptr;
    t.hooked = nullptr;
    t.host = nullptr;
}

bool TrayWindowProc(TrayMessage message, QPoint pos, Qt::WindowStates stateBefore)
{
    // A window being destroyed is half gone: reading it, even through its QPointer, would
    // cast it. Only forget it.
    if (message == TrayMessage::Destroyed) {
        RemoveFromTray();
        return false;
    }
    TrayRecord& t = tray();
    if (!t.host)
        return false;
    switch (message) {
    case TrayMessage::Destroyed:
        return false;
    case TrayMessage::IconLeftClick:
        if (QWidget* window = t.host->window(true)) {
            showFromTray(*window);
            if (stateValue(*window) == 1)
                window->setWindowState(qtState(t.host->lastState()));
            window->raise();
            window->activateWindow();
        }
        return true;
    case TrayMessage::IconRightClick:
        if (QMenu* menu = t.host->trayMenu())
            menu->popup(pos);
        return true;
    case TrayMessage::Minimize:
        // Without an icon the window minimises as usual, so it can still be reached.
        if (!t.window || !isTrayIconShown())
            return false;
        hideIntoTray(*t.window, stateBefore);
        return true;
    case TrayMessage::Restore: {
        QWidget* window = t.host->window(true);
        if (!window || window->isVisible())
            return false;
        showFromTray(*window);
        t.host->setTrayMenuItems(0);
        return true;
    }
    case TrayMessage::Move:
    case TrayMessage::Size:
        return false;
    }
    return false;
}

QString currentTrayTip()
{
    const TrayRecord& t = tray();
    return t.alert.isEmpty() ? t.tip : t.tip + QStringLiteral("\r\n") + t.alert;
}

bool isInTray()
{
    return tray().host != nullptr;
}

bool isTrayIconShown()
{
    return tray().icon && platform::trayPresence() == platform::TrayPresence::Present;
}

} // namespace quillet
