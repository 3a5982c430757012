#pragma once

#include <QString>

#include <functional>

namespace quillet {

class frmMain;
struct RunState;

// One complete check: looks both addresses up, shows them, rewrites the address file,
// and on a change between two known external addresses appends to "ipchange.log" and
// calls `executeActions`. A failed lookup shows "0.0.0.0" and changes nothing else: the
// addresses compared with stay those of the last check that knew its external address.
// Ends by setting the tray tip to the addresses shown.
void CheckIPChange(frmMain& form, RunState& run, const std::function<void()>& executeActions);

// "External IP: a" with CR LF "Internal IP: b" when an internal address is known.
QString TrayTipText(const QString& external, const QString& internal);

// One line of "ipchange.log", without its line end.
QString ChangeLogLine(const QString& stamp, const QString& oldExternal, const QString& oldInternal,
                      const QString& newExternal, const QString& newInternal);

} // namespace quillet
