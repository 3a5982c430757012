#pragma once

#include <QPoint>
#include <QString>
#include <Qt>

class QWidget;

namespace quillet {

class TrayWindow;

// The notification-area icon of the main window, and the hook through which the icon's
// clicks and the window's system commands reach the program. The window is built only
// when first needed; HookTrayWindow hooks it then.
void AddToTray(TrayWindow& host);
void HookTrayWindow(QWidget& window);
void SetTrayTip(const QString& text);
// One more line under the tip, and a red mark on the icon, while `line` is not empty.
void SetTrayAlert(const QString& line);
void RemoveFromTray();

// "External IP: a" with CR LF "Internal IP: b" when an internal address is known.
QString TrayTipText(const QString& external, const QString& internal);

// What reaches the hooked window: the icon's clicks, the window's system commands (from
// its title bar or the tray menu) and its destruction.
enum class TrayMessage { IconLeftClick, IconRightClick, Minimize, Restore, Move, Size, Destroyed };

// Decides what each message does. True when the message was handled here (swallowed);
// false when it is passed on, and the sender lets the window behave as it does by default.
// `pos` is where a right click happened; `stateBefore` is the window's state before the
// window manager minimised it.
bool TrayWindowProc(TrayMessage message, QPoint pos = {}, Qt::WindowStates stateBefore = {});

// The tip the icon shows now (the whole text when it fits, else its first 63 characters,
// and the alert line under it),
// whether the program is in the tray, and whether an icon really is in a notification area.
QString currentTrayTip();
bool isInTray();
bool isTrayIconShown();

} // namespace quillet
