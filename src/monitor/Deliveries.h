#pragma once

#include "core/Action.h"
#include "core/Settings.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

namespace quillet {

// What each action last delivered, and what it still owes, across restarts: kept in
// "deliveries.json" beside the change log, owner-only, written whole or not at all, read at
// start-up and written only when it changes. A failed delivery stays pending for the newest
// addresses and is tried again, alone, at the first check 2 minutes on, then 4, 8, 16 and
// every 30 minutes (never sooner than the service asked); a refusal that must not be repeated
// holds DynDNS until the user acts.
class Deliveries {
public:
    struct State {
        Addresses delivered; // the addresses it last delivered, or let pass while unticked
        QDateTime deliveredAt;
        bool pending = false;
        int failures = 0;    // since it became pending
        QDateTime retryAt;   // by the back-off
        QDateTime waitUntil; // as the service asked
        QString holdCode;    // DynDNS: the refusal that holds it
        QString heldFor;     // a fingerprint of the settings it answered
    };

    // The record at `path`; without one (a first start, an older version's folder),
    // `assumed` (the address file's addresses) counts as delivered by every action, so
    // nothing is sent unasked.
    void load(const QString& path, const Addresses& assumed);
    const State& state(Action action) const { return states_.at(index(action)); }

    // The ticked actions an automatic run owes `now` for `addresses`: those that have not
    // delivered them, are not held and are not asked to wait; of those pending, only those
    // whose time has come, except after a change. DynDNS owes only a new external address.
    QList<Action> due(const Settings& settings, const Addresses& addresses, bool afterChange,
                      const QDateTime& now) const;
    // Whether a refusal holds DynDNS for these settings.
    bool held(const DynDnsSettings& settings) const;
    // How an attempt to deliver `addresses` ended.
    void record(Action action, const Outcome& outcome, const Addresses& addresses, RunCause cause,
                const Settings& settings, const QDateTime& now);
    // An action unticked is owed nothing more, and once ticked again owes only what comes
    // after `addresses`: ticking it sends nothing unasked.
    void forgetUnticked(const Settings& settings, const Addresses& addresses);
    // The ticked actions not delivered: pending, or held.
    QStringList failing(const Settings& settings) const;
    // For the status line's tool tip: when the action is tried again, or why it is not.
    QString note(Action action, const Settings& settings) const;

private:
    static std::size_t index(Action action) { return static_cast<std::size_t>(action); }
    void save();

    QString path_;
    std::array<State, kActions.size()> states_;
    QByteArray saved_; // as last handed to the disk's thread
    // What the disk's thread hands back is dropped once the record is gone.
    QObject lifetime_;
};

} // namespace quillet
