#pragma once

#include "actions/DynDnsUpdate.h"
#include "core/Action.h"

#include <QObject>
#include <QString>

#include <functional>

namespace quillet {

class EmailAction;
class Model;

// Runs every ticked action once, in their order: the e-mail is started first and goes on by
// itself; the FTP upload, the DynDNS update and the URL call follow one another, each when
// the one before it has ended. A failed action never stops the later ones. Each outcome
// becomes its status line; when all of them, the e-mail included, have ended, the tray
// learns which failed. Until then the model says a run is under way.
class ActionRunner : public QObject {
    Q_OBJECT

public:
    explicit ActionRunner(Model& model, QObject* parent = nullptr);

    // Tells the world of `addresses`; `addressFile` is what the FTP upload sends.
    void run(RunCause cause, const Addresses& addresses, const QString& addressFile,
             std::function<void()> done);

    EmailAction& email() { return *email_; }

private:
    void sendEmail();
    void uploadFile();
    void updateDynDns();
    void callUrl();
    void finish();

    void report(Action action, const Outcome& outcome);

    Model& model_;
    EmailAction* email_;
    DynDnsUpdate dynDns_;
    // The run under way.
    RunCause cause_ = RunCause::Change;
    Addresses addresses_;
    QString addressFile_;
    std::function<void()> done_;
    QList<Action> ran_;
    bool othersEnded_ = false; // the FTP upload, the DynDNS update and the URL call
};

} // namespace quillet
