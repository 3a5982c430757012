#pragma once

#include <QString>

#include <functional>

namespace quillet {

class Model;
struct RunState;

// One complete check: looks both addresses up, shows them, rewrites the address file,
// and on a change between two known external addresses appends to "ipchange.log" and
// calls `executeActions`; then `done`. A failed lookup shows "0.0.0.0" and changes nothing
// else: the addresses compared with stay those of the last check that knew its external
// address. The window never waits for it: the lookup runs on the event loop.
void CheckIPChange(Model& model, RunState& run, const std::function<void()>& executeActions,
                   std::function<void()> done);

// One line of "ipchange.log", without its line end.
QString ChangeLogLine(const QString& stamp, const QString& oldExternal, const QString& oldInternal,
                      const QString& newExternal, const QString& newInternal);

} // namespace quillet
