#pragma once

#include "core/Action.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

namespace quillet {

class Model;
struct Lookup;

// One line of "ipchange.log", without its line end: the IPv4 pair's change, and while IPv6 is
// watched the IPv6 pair's after it.
QString changeLogLine(const QString& stamp, const Addresses& before, const Addresses& now,
                      bool ipv6);

// The check: looks both addresses up, shows them, rewrites the address file and, when they
// differ from the last known ones, appends to "ipchange.log". A failed lookup shows "0.0.0.0"
// and changes nothing else: the addresses compared with stay those of the last check that
// knew its external address. Nothing here waits: the lookup runs on the event loop, the files
// are written on the disk's thread, and a check ends once they are.
class CheckCycle {
public:
    explicit CheckCycle(Model& model);

    // At start-up: the addresses of the last run, from the address file the settings name.
    // False when the settings name one that does not exist yet.
    bool loadPreviousAddresses();
    // One check; `done` says whether it found a change.
    void check(std::function<void(bool changed)> done);
    // The address file as the last check (or the start) named it; empty before that.
    QString addressFilePath() const { return addressFilePath_; }
    // The addresses of the last check that knew its external address.
    const Addresses& lastKnown() const { return lastKnown_; }
    // Why the last check did not learn the external address; empty when it did.
    QString lookupProblem() const { return lookupProblem_; }

private:
    void useAddressFileName(const QString& name);
    void checked(const Lookup& ipv4, const Lookup& ipv6, bool watchesIPv6,
                 const std::function<void(bool changed)>& done);
    void writeFiles(const Addresses& now, const QString& changeLogLine, bool ipv6,
                    const std::function<void()>& done);

    Model& model_;
    // The addresses of the last check that knew its external address.
    Addresses lastKnown_;
    QString lookupProblem_ = QStringLiteral("no lookup has found it yet");
    QString addressFilePath_;
    // The address file as last written, so that an unchanged one is not forced to disk again.
    QString writtenPath_;
    QByteArray writtenContent_;
    // What the disk's thread hands back is dropped once the cycle is gone.
    QObject lifetime_;
};

} // namespace quillet
