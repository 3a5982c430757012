#pragma once

#include <functional>

class QObject;

namespace quillet::platform {

// A periodic callback on the user-interface thread, attached to `owner` under `id`.
// Arming an id again replaces the earlier timer of that id.
void SetTimer(QObject* owner, int id, int intervalMs, std::function<void()> callback);
void KillTimer(QObject* owner, int id);
bool isTimerArmed(QObject* owner, int id);

} // namespace quillet::platform
