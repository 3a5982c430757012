#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

namespace quillet::platform {

// One copy of Quillet per settings folder: the first holds a lock there (released by the
// system when it ends, however it ends) and listens for later ones, which ask it to show
// its window instead of starting a second watcher.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(const QString& settingsFolder);
    ~SingleInstance() override;

    // True when no other copy runs for the folder (or none could be told apart: a lock that
    // cannot be made is reported on stderr, and this copy runs). Needs no application object.
    bool first() const { return first_; }
    // The first copy listens for later ones, once the application object exists.
    void listen();
    // Asks the copy that runs to show its window; false when it did not answer in time.
    bool askToShow();

signals:
    void showRequested();

private:
    QString name_;
    int lockFd_ = -1;
    bool first_ = true;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace quillet::platform
