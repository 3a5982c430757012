#pragma once

#include "core/Action.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

namespace quillet {

class Deliveries;
class EmailAction;
class Model;

// One action run: which actions, why, and with what.
struct RunOrder {
    RunCause cause = RunCause::User;
    QList<Action> actions; // run in their own order
    Addresses addresses;   // the last ones known
    // Why the external address is not known now (the last lookup failed); empty: it is.
    QString unknownBecause;
    QString addressFile; // what the FTP upload sends
};

// Runs the actions of an order once, in their order: the e-mail is started first and goes on
// by itself; the FTP upload, the DynDNS update and the URL call follow one another, each when
// the one before it has ended. A failed action never stops the later ones. No action sends an
// address Quillet does not know. Each outcome becomes its status line and goes into the
// delivery record; when all of them, the e-mail included, have ended, the tray learns which
// are not delivered. Until then the model says a run is under way.
class ActionRunner : public QObject {
    Q_OBJECT

public:
    ActionRunner(Model& model, Deliveries& deliveries, QObject* parent = nullptr);

    void run(const RunOrder& order, std::function<void()> done);

    EmailAction& email() { return *email_; }

private:
    void sendEmail();
    void uploadFile();
    void updateDynDns();
    void callUrl();
    void finish();

    bool takes(Action action) const;
    // Fails `action` when the external address is not known (now, when `now`); true then.
    bool unknown(Action action, bool now);
    void report(Action action, const Outcome& outcome);

    Model& model_;
    Deliveries& deliveries_;
    EmailAction* email_;
    // The run under way.
    RunOrder order_;
    std::function<void()> done_;
    bool othersEnded_ = false; // the FTP upload, the DynDNS update and the URL call
    // Whose last attempt failed, even where nothing was owed (the user's run of an action
    // that had delivered): the tray marks them with those the record says are owed.
    QList<Action> lastFailed_;
};

} // namespace quillet
