#pragma once

#include <QString>

namespace quillet::platform {

// The freedesktop autostart entry, $XDG_CONFIG_HOME/autostart/quillet.desktop, that starts
// this very program (by its absolute path) at login, with --autostart; ignored by the desktop
// once that program is gone (TryExec). Whether it is there is read from the
// file each time, so it is true whatever else changed it.
QString autostartFile();
bool startsAtLogin();
bool setStartAtLogin(bool on, QString* error);

} // namespace quillet::platform
