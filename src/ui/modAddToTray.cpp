#include "ui/modAddToTray.h"

#include "platform/TrayIcon.h"
#include "ui/frmMain.h"

#include <QEvent>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QWindowStateChangeEvent>

#include <memory>

namespace quillet {

namespace {

// The shell keeps 64 characters for the tip, the terminator among them.
constexpr qsizetype kTipField = 64;

// Turns what Qt reports about the window into the messages of TrayWindowProc.
class WindowHook : public QObject {
public:
    explicit WindowHook(frmMain& form) { form.installEventFilter(this); }

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
    QPointer<frmMain> form;
    const QObject* hooked = nullptr; // still known while the window is being destroyed
    QPointer<QMenu> menu;
    QString tip;
    std::unique_ptr<WindowHook> hook;
    std::unique_ptr<platform::TrayIcon> icon;
    std::unique_ptr<QTimer> recheck;
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

// Hides the window into the tray while keeping the state it had before minimising.
void hideIntoTray(frmMain& form, Qt::WindowStates stateBefore)
{
    // Un-minimising maps the window again on X11, so the state goes back before the hide.
    if (form.isMinimized())
        form.setWindowState(stateBefore & ~Qt::WindowMinimized);
    form.hide();
    form.SetTrayMenuItems(1);
}

void showIcon()
{
    TrayRecord& t = tray();
    t.icon = std::make_unique<platform::TrayIcon>(platform::programIcon());
    t.icon->setTip(t.tip);
    QObject::connect(t.icon.get(), &platform::TrayIcon::leftClicked,
                     [] { TrayWindowProc(TrayMessage::IconLeftClick); });
    QObject::connect(t.icon.get(), &platform::TrayIcon::rightClicked,
                     [](QPoint pos) { TrayWindowProc(TrayMessage::IconRightClick, pos); });
}

// A notification area that shows up after start-up (common right after log-in) takes the
// program in; a window minimised meanwhile goes into it.
void recheckForTray()
{
    TrayRecord& t = tray();
    frmMain* form = t.form;
    if (form == nullptr || platform::trayPresence() != platform::TrayPresence::Present)
        return;
    t.recheck->stop();
    showIcon();
    if (form->isMinimized())
        hideIntoTray(*form, qtState(form->LastState));
}

} // namespace

void AddToTray(frmMain& form, QMenu* menu)
{
    TrayRecord& t = tray();
    t.form = &form;
    t.hooked = &form;
    t.menu = menu;
    t.tip.clear();
    t.hook = std::make_unique<WindowHook>(form);
    QObject::connect(&form, &QObject::destroyed, [hooked = &form] {
        if (tray().hooked == hooked)
            TrayWindowProc(TrayMessage::Destroyed);
    });

    switch (platform::trayPresence()) {
    case platform::TrayPresence::Present:
        showIcon();
        break;
    case platform::TrayPresence::Missing:
        // Only hide when an icon can bring the window back; otherwise it would be lost.
        QTimer::singleShot(0, &form, [&form] { form.show(); });
        t.recheck = std::make_unique<QTimer>();
        QObject::connect(t.recheck.get(), &QTimer::timeout, &recheckForTray);
        t.recheck->start(kTrayRecheckMs);
        break;
    case platform::TrayPresence::Headless:
        break;
    }
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
        t.icon->setTip(t.tip);
}

void RemoveFromTray()
{
    TrayRecord& t = tray();
    t.recheck.reset();
    t.icon.reset();
    t.hook.reset();
    t.form = nullptr;
    t.hooked = nullptr;
}

bool TrayWindowProc(TrayMessage message, QPoint pos, Qt::WindowStates stateBefore)
{
    // A window being destroyed is no frmMain any more: reading the form, even through its
    // QPointer, would cast it. Only forget it.
    if (message == TrayMessage::Destroyed) {
        RemoveFromTray();
        return false;
    }
    TrayRecord& t = tray();
    frmMain* form = t.form;
    switch (message) {
    case TrayMessage::Destroyed:
        return false;
    case TrayMessage::IconLeftClick:
        if (form) {
            form->show();
            if (form->windowStateValue() == 1)
                form->setWindowState(qtState(form->LastState));
            form->raise();
            form->activateWindow();
        }
        return true;
    case TrayMessage::IconRightClick:
        if (form && t.menu)
            t.menu->popup(pos);
        return true;
    case TrayMessage::Minimize:
        // Without an icon the window minimises as usual, so it can still be reached.
        if (!form || !t.icon)
            return false;
        hideIntoTray(*form, stateBefore);
        return true;
    case TrayMessage::Restore:
        if (!form || form->isVisible())
            return false;
        form->show();
        form->SetTrayMenuItems(0);
        return true;
    case TrayMessage::Move:
    case TrayMessage::Size:
        return false;
    }
    return false;
}

QString currentTrayTip()
{
    return tray().tip;
}

bool isInTray()
{
    return !tray().form.isNull();
}

bool isTrayIconShown()
{
    return tray().icon != nullptr;
}

} // namespace quillet
