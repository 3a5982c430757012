#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace quillet {

// The echo page's answer is an address or nothing: a longer one is no answer of ours.
inline constexpr qint64 kMaxEchoAnswer = 64;

// What one lookup found: the address, or why there is none.
struct Lookup {
    QString address; // empty when the lookup failed
    QString problem; // why, in a few words
    // What the user should know of the address found: that one source alone vouches for it,
    // that nobody outside reaches this computer at it.
    QStringList notes = {};
};

// Looks up the external address, over IPv4, and hands it to `done` on the event loop. The
// echo page is asked first, and alone while it answers `lastKnown`; when it answers another
// address or fails, the further echo pages are asked at once, in parallel, and an address
// counts only when at least two sources agree on it and no other got as many answers (one
// source alone that answers is taken, noted as unconfirmed). An answer counts when it is
// one dotted IPv4 address (blanks, tabs, CR and LF at both ends removed) that can be
// someone's: not in 0/8, 127/8, 169.254/16, 224/4 or 240/4. Without further pages the echo
// page alone decides.
void lookUpExternalAddress(const QString& lastKnown, std::function<void(const Lookup&)> done);

// The external IPv6 address alike, from the IPv6 echo pages, asked over IPv6. An answer counts
// when it is one IPv6 address (given back in its usual form) that is not loopback,
// link-local, multicast, unspecified or IPv4-mapped.
void lookUpExternalIPv6Address(const QString& lastKnown, std::function<void(const Lookup&)> done);

// The first IPv4 address of the first adapter that has a usable one, or empty text.
QString internalAddress();
// The global IPv6 address of the first adapter that has one, a stable one before a temporary
// (privacy) one, or empty text.
QString internalIPv6Address();

} // namespace quillet
