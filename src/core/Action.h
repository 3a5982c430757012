#pragma once

#include <QList>
#include <QString>

#include <array>

namespace quillet {

// What the actions share.

// The four ways of telling the world, in the order they run.
enum class Action { Email, Ftp, DynDns, Url };
inline constexpr std::array<Action, 4> kActions = {Action::Email, Action::Ftp, Action::DynDns,
                                                   Action::Url};

// "E-mail", "FTP", "DynDNS", "URL": how the tray names a failed one.
inline QString actionName(Action action)
{
    switch (action) {
    case Action::Email:
        return QStringLiteral("E-mail");
    case Action::Ftp:
        return QStringLiteral("FTP");
    case Action::DynDns:
        return QStringLiteral("DynDNS");
    case Action::Url:
        return QStringLiteral("URL");
    }
    return {};
}

// The computer's addresses as text: the external IPv4 one as the echo page tells it
// ("0.0.0.0" while it is unknown), the internal one of the first adapter (empty: none); and,
// while IPv6 is watched, the two IPv6 ones alike (empty: none, or not watched).
struct Addresses {
    QString external;
    QString internal;
    QString externalIPv6 = {};
    QString internalIPv6 = {};

    bool operator==(const Addresses&) const = default;
};

// How an action ended.
struct Outcome {
    bool success = false;
    // The server's answer, or why it failed: the status line's tool tip.
    QString detail;
    // A refusal after which the service must not be asked again unbidden.
    QString holdCode = {};
    // The service asks not to be tried again sooner.
    int minutesToWait = 0;
};

// What started an action run: a detected change; a delivery owed since a failure or a restart;
// the user's "Execute Selected Actions".
enum class RunCause { Change, Retry, User };

} // namespace quillet
