#pragma once

#include <QObject>

#include <functional>
#include <optional>

namespace quillet {

class EmailAction;
class Model;
struct RunState;
enum class RunCause;

// Runs the checks and the action runs one at a time, on the event loop. One asked for
// while another is under way (the timer, "refresh", the button, a detected change) runs
// once after it ends; requests never pile up beyond one waiting of each kind.
class Monitor : public QObject {
    Q_OBJECT

public:
    Monitor(Model& model, RunState& run, EmailAction& email, QObject* parent = nullptr);

    void requestCheck();
    void requestRun(RunCause cause);
    bool busy() const { return busy_; }
    // Nothing more starts: the program is ending.
    void stop() { stopped_ = true; }

    // Tests watch the action runs through this; ExecuteActions otherwise.
    std::function<void(RunCause cause, std::function<void()> done)> actionRunner;

signals:
    // Nothing runs and nothing waits.
    void idle();

private:
    void next();

    Model& model_;
    RunState& run_;
    bool busy_ = false;
    bool stopped_ = false;
    bool checkWaiting_ = false;
    std::optional<RunCause> runWaiting_;
};

} // namespace quillet
