#pragma once

#include <QString>

class QMenu;

namespace quillet {

class frmMain;

// The notification-area icon of the main window.
void AddToTray(frmMain& form, QMenu* menu);
void SetTrayTip(const QString& text);
void RemoveFromTray();

// What the icon would show now, and whether it exists.
QString currentTrayTip();
bool isInTray();

} // namespace quillet
