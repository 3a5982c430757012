#pragma once

#include <QByteArray>
#include <QString>

#include <utility>

namespace quillet {

// A DynDNS refusal after which the service must not be asked again unbidden, and the
// settings it answered: once they change, the user has acted.
struct DynDnsHold {
    QString code;
    QString settings;
};

// The run-wide state of the program; it lives for the whole run and is never saved
// (the address file carries the addresses across runs).
struct RunState {
    QString PrevExternalIP;
    QString PrevInternalIP;
    QString IPFilePath;
    QString AppTitle;
    bool FirstLoad = false;
    // The DynDNS refusal that holds updates started by a change, until the user acts.
    DynDnsHold DynDnsHeld;
    // The address file as last written (path and content), so that an unchanged one is not
    // forced to disk again.
    std::pair<QString, QByteArray> AddressFileWritten;
};

// What started an action run: a detected change, or the user's "Execute Selected Actions".
enum class RunCause { Change, User };

} // namespace quillet
