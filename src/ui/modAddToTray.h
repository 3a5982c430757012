#pragma once

#include <QPoint>
#include <QString>
#include <Qt>

class QMenu;

namespace quillet {

class frmMain;

// The notification-area icon of the main window, and the hook through which the icon's
// clicks and the window's system commands reach the program.
void AddToTray(frmMain& form, QMenu* menu);
void SetTrayTip(const QString& text);
void RemoveFromTray();

// What reaches the hooked window: the icon's clicks, the window's system commands (from
// its title bar or the tray menu) and its destruction.
enum class TrayMessage { IconLeftClick, IconRightClick, Minimize, Restore, Move, Size, Destroyed };

// Decides what each message does. True when the message was handled here (swallowed);
// false when it is passed on, and the sender lets the window behave as it does by default.
// `pos` is where a right click happened; `stateBefore` is the window's state before the
// window manager minimised it.
bool TrayWindowProc(TrayMessage message, QPoint pos = {}, Qt::WindowStates stateBefore = {});

// The tip the icon shows now (the whole text when it fits, else its first 63 characters),
// whether the window is hooked, and whether an icon really is in a notification area.
QString currentTrayTip();
bool isInTray();
bool isTrayIconShown();

// How often a desktop that has no notification area is asked again.
inline constexpr int kTrayRecheckMs = 2000;

} // namespace quillet
