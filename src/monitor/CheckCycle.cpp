#include "monitor/CheckCycle.h"

#include "address/AddressLookup.h"
#include "core/Clock.h"
#include "core/Endpoints.h"
#include "core/FileNames.h"
#include "core/Model.h"
#include "core/TextUtil.h"
#include "core/Windows1252.h"
#include "platform/DiskQueue.h"
#include "platform/Log.h"
#include "platform/Paths.h"

#include <memory>
#include <optional>

namespace quillet {

namespace {

const QString kUnknownAddress = QStringLiteral("0.0.0.0");

} // namespace

QString changeLogLine(const QString& stamp, const Addresses& before, const Addresses& now,
                      bool ipv6)
{
    QString line = stamp + QStringLiteral(": ") + before.external + QLatin1Char(',') +
                   before.internal + QStringLiteral(" changed to ") + now.external +
                   QLatin1Char(',') + now.internal;
    if (ipv6)
        line += QStringLiteral("; ") + before.externalIPv6 + QLatin1Char(',') +
                before.internalIPv6 + QStringLiteral(" changed to ") + now.externalIPv6 +
                QLatin1Char(',') + now.internalIPv6;
    return line;
}

CheckCycle::CheckCycle(Model& model)
    : model_(model)
{
}

void CheckCycle::useAddressFileName(const QString& name)
{
    // A name that would lead out of the folder, or name a file of Quillet's own, is refused
    // (the window says so); the last good one stays in force.
    if (isUsableAddressFileName(name))
        addressFilePath_ = platform::dataFile(name);
    else if (addressFilePath_.isEmpty())
        addressFilePath_ = platform::dataFile(kDefaultAddressFileName);
}

bool CheckCycle::loadPreviousAddresses()
{
    const QString name = model_.settings().addressFileName;
    if (!isUsableAddressFileName(name))
        return true;
    useAddressFileName(name);
    const platform::FileRead file = platform::readOwnFile(addressFilePath_, 64 * 1024);
    if (!file.ok) {
        if (file.exists)
            warn(file.error);
        return file.exists;
    }
    const QStringList lines = splitLines(fromWindows1252(file.bytes), 4);
    lastKnown_.external = trimBlanks(lines.value(0));
    lastKnown_.internal = trimBlanks(lines.value(1));
    if (watchesIPv6(model_.settings())) {
        lastKnown_.externalIPv6 = trimBlanks(lines.value(2));
        lastKnown_.internalIPv6 = trimBlanks(lines.value(3));
    }
    model_.setAddresses(lastKnown_);
    return true;
}

void CheckCycle::check(std::function<void(bool changed)> done)
{
    AddressCheck shown = model_.addressCheck();
    shown.underWay = true;
    model_.setAddressCheck(shown);
    // Both families at once, when IPv6 is watched; the check ends when both have.
    const bool ipv6 = watchesIPv6(model_.settings());
    struct Lookups {
        std::optional<Lookup> ipv4, ipv6;
    };
    auto found = std::make_shared<Lookups>();
    const auto ended = [this, ipv6, found, done = std::move(done)] {
        if (found->ipv4 && (found->ipv6 || !ipv6))
            checked(*found->ipv4, found->ipv6.value_or(Lookup{}), ipv6, done);
    };
    lookUpExternalAddress(lastKnown_.external, [found, ended](const Lookup& lookup) {
        found->ipv4 = lookup;
        ended();
    });
    if (ipv6) {
        lookUpExternalIPv6Address(lastKnown_.externalIPv6, [found, ended](const Lookup& lookup) {
            found->ipv6 = lookup;
            ended();
        });
    }
}

void CheckCycle::checked(const Lookup& ipv4, const Lookup& ipv6, bool watchesIPv6,
                         const std::function<void(bool changed)>& done)
{
    const QString internal = trimBlanks(internalAddress());
    const QString internalIPv6 = watchesIPv6 ? internalIPv6Address() : QString();
    lookupProblem_ = ipv4.problem;
    model_.setAddressCheck({false, now().toString(QStringLiteral("hh:mm:ss")), ipv4.problem,
                            ipv4.notes, ipv6.problem, ipv6.notes});
    if (ipv4.address.isEmpty()) {
        // An outage: shown, but the addresses later checks compare with stay those of the
        // last check that knew its address, so a change across the outage is still seen.
        model_.setAddresses({kUnknownAddress, internal, ipv6.address, internalIPv6});
        return done(false);
    }
    model_.setAddresses({ipv4.address, internal, ipv6.address, internalIPv6});
    // While the IPv6 lookup fails its last known address stands, as the IPv4 one does.
    const Addresses now{ipv4.address, internal,
                        !watchesIPv6 || !ipv6.address.isEmpty() ? ipv6.address
                                                                : lastKnown_.externalIPv6,
                        internalIPv6};
    if (trimBlanks(model_.settings().addressFileName).isEmpty()) {
        Settings settings = model_.settings();
        settings.addressFileName = kDefaultAddressFileName;
        model_.setSettings(settings);
    }
    useAddressFileName(model_.settings().addressFileName);
    // Against the last known addresses, the IPv6 ones only while watched (the first one seen
    // after the tick is a change); "0.0.0.0" there (an address file an older version wrote
    // during an outage) is no address, and the real one is a change.
    Addresses before = lastKnown_;
    if (!watchesIPv6)
        before.externalIPv6 = before.internalIPv6 = QString();
    const bool changed = now != before;
    lastKnown_ = now;
    writeFiles(now, changed ? changeLogLine(nowStamp(), before, now, watchesIPv6) : QString(),
               watchesIPv6, [done, changed] { done(changed); });
}

// The address file is replaced whole every time, and forced to disk only when it says
// something new; then the change, if any, is appended to the log.
void CheckCycle::writeFiles(const Addresses& now, const QString& changeLogLine, bool ipv6,
                            const std::function<void()>& done)
{
    QByteArray content =
        toWindows1252(now.external) + "\r\n" + toWindows1252(now.internal) + "\r\n";
    if (ipv6) // after the two lines that readers of the file know
        content +=
            toWindows1252(now.externalIPv6) + "\r\n" + toWindows1252(now.internalIPv6) + "\r\n";
    const bool known = writtenPath_ == addressFilePath_ && writtenContent_ == content;
    const QByteArray logLine =
        changeLogLine.isEmpty() ? QByteArray() : toWindows1252(changeLogLine) + "\r\n";
    struct Written {
        bool addressFile = false;
        QStringList errors;
    };
    platform::onDisk([path = addressFilePath_, content, known,
                      log = platform::dataFile(kChangeLogName), logLine] {
        Written written;
        QString error;
        written.addressFile = platform::writeOwnFile(path, content, &error, !known);
        if (!written.addressFile)
            written.errors << error;
        if (!logLine.isEmpty() && !platform::appendToOwnFile(log, logLine, &error))
            written.errors << error;
        return written;
    }).then(&lifetime_, [this, path = addressFilePath_, content, done](const Written& written) {
        writtenPath_ = written.addressFile ? path : QString();
        writtenContent_ = content;
        for (const QString& error : written.errors)
            warn(error);
        done();
    });
}

} // namespace quillet
