#pragma once

#include <QString>

#include <functional>

namespace quillet {

class frmMain;
struct RunState;

// One complete check: looks both addresses up, shows them, rewrites the address file,
// and on a change between two known external addresses appends to "ipchange.log" and
// calls `executeActions`. Ends by remembering the addresses and setting the tray tip.
void CheckIPChange(frmMain& form, RunState& run, const std::function<void()>& executeActions);

// "External IP: a" with CR LF "Internal IP: b" when an internal address is known.
QString TrayTipText(const RunState& run);

// One line of "ipchange.log", without its line end.
QString ChangeLogLine(const QString& stamp, const QString& oldExternal, const QString& oldInternal,
                      const QString& newExternal, const QString& newInternal);

} // namespace quillet
