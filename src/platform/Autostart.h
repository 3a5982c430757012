#pragma once

#include <QString>

namespace quillet::platform {

// The freedesktop autostart entry, $XDG_CONFIG_HOME/autostart/quillet.desktop, that starts
// this very program (by its absolute path) at login, with --autostart; ignored by the desktop
// once that program is gone (TryExec). Whether it is there is read from the file each time,
// so it is true whatever else changed it.
QString autostartFile();
// Whether the entry starts this copy: it names this program, and no desktop disabled it
// (Hidden=true, X-GNOME-Autostart-enabled=false).
bool startsAtLogin();
// Writes or removes this copy's entry. Refuses, saying why, to replace another copy's, or to
// write a path an entry cannot hold; unticking leaves another copy's entry alone.
bool setStartAtLogin(bool on, QString* error);

} // namespace quillet::platform
