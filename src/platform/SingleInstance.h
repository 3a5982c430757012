#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class QLocalServer;

namespace quillet::platform {

// One copy of Quillet per settings folder: the first holds a lock there (released by the
// system when it ends, however it ends) and listens, on a socket only its user can reach, for
// later ones, which ask it to show its window instead of starting a second watcher.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(const QString& settingsFolder);
    ~SingleInstance() override;

    enum class Standing {
        First,    // this copy holds the lock
        Second,   // another copy holds it
        Unusable, // the lock file is not ours to use (a link, a FIFO, another user's): a copy
                  // could not be told apart, so none runs
    };
    Standing standing() const { return standing_; }
    // Why the lock file is unusable, or a copy could not be told apart, naming it.
    QString problem() const { return problem_; }

    // A copy that holds the lock may be ending: waits up to `wait` for it to let go.
    bool waitForLock(std::chrono::milliseconds wait);
    // The first copy listens for later ones, once the application object exists; false, with
    // problem() saying why, when it cannot.
    bool listen();
    // The program is ending: later starts wait for the lock instead.
    void stopListening();
    // Asks the copy that runs to show its window; true once it has answered that it will.
    bool askToShow();

signals:
    void showRequested();

private:
    bool takeLock();

    QString lockPath_;
    QString socketPath_;
    int lockFd_ = -1;
    Standing standing_ = Standing::First;
    QString problem_;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace quillet::platform
