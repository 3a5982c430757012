#pragma once

#include <QString>

#include <functional>

namespace quillet {

class EmailAction;
class Model;
struct RunState;
enum class RunCause;

// The remote directory as the upload needs it: beginning and ending with "/".
QString NormalisedFtpPath(const QString& path);

// Runs every ticked action once: the e-mail is started first and goes on by itself; the FTP
// upload, the DynDNS update and the URL call follow one another, each starting when the one
// before it has ended. A failed action never stops the later ones. `done` comes when all of
// them, the e-mail included, have ended; until then the model says a run is under way.
void ExecuteActions(Model& model, RunState& run, EmailAction& email, RunCause cause,
                    std::function<void()> done);

} // namespace quillet
