#include "monitor/CheckCycle.h"

#include "address/AddressLookup.h"
#include "core/Clock.h"
#include "core/FileNames.h"
#include "core/Model.h"
#include "core/TextUtil.h"
#include "core/Windows1252.h"
#include "platform/FileAccess.h"
#include "platform/Log.h"
#include "platform/Paths.h"

namespace quillet {

namespace {

const QString kUnknownAddress = QStringLiteral("0.0.0.0");

void appendToChangeLog(const QString& line)
{
    QString error;
    if (!platform::appendToOwnFile(platform::dataFile(kChangeLogName), toWindows1252(line) + "\r\n",
                                   &error))
        warn(error);
}

} // namespace

QString changeLogLine(const QString& stamp, const Addresses& before, const Addresses& now)
{
    return stamp + QStringLiteral(": ") + before.external + QLatin1Char(',') + before.internal +
           QStringLiteral(" changed to ") + now.external + QLatin1Char(',') + now.internal;
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
    const QStringList lines = splitLines(fromWindows1252(file.bytes), 2);
    lastKnown_.external = trimBlanks(lines.value(0));
    lastKnown_.internal = trimBlanks(lines.value(1));
    model_.setAddresses(lastKnown_);
    return true;
}

// Replaced whole every time; forced to disk only when it says something new.
void CheckCycle::writeAddressFile(const Addresses& addresses)
{
    const QByteArray content =
        toWindows1252(addresses.external) + "\r\n" + toWindows1252(addresses.internal) + "\r\n";
    const bool known = writtenPath_ == addressFilePath_ && writtenContent_ == content;
    QString error;
    if (platform::writeOwnFile(addressFilePath_, content, &error, !known)) {
        writtenPath_ = addressFilePath_;
        writtenContent_ = content;
    } else {
        warn(error);
        writtenPath_.clear();
    }
}

void CheckCycle::check(std::function<void(bool changed)> done)
{
    AddressCheck shown = model_.addressCheck();
    shown.underWay = true;
    model_.setAddressCheck(shown);
    lookUpExternalAddress(
        lastKnown_.external, [this, done = std::move(done)](const Lookup& lookup) {
            const QString internal = trimBlanks(internalAddress());
            lookupProblem_ = lookup.problem;
            model_.setAddressCheck(
                {false, now().toString(QStringLiteral("hh:mm:ss")), lookup.problem, lookup.notes});
            if (lookup.address.isEmpty()) {
                // An outage: shown, but the addresses later checks compare with stay those of the
                // last check that knew its address, so a change across the outage is still seen.
                model_.setAddresses({kUnknownAddress, internal});
                return done(false);
            }
            const Addresses now{lookup.address, internal};
            model_.setAddresses(now);
            if (trimBlanks(model_.settings().addressFileName).isEmpty()) {
                Settings settings = model_.settings();
                settings.addressFileName = kDefaultAddressFileName;
                model_.setSettings(settings);
            }
            useAddressFileName(model_.settings().addressFileName);
            writeAddressFile(now);
            // Against the last known addresses; "0.0.0.0" there (an address file an older version
            // wrote during an outage) is no address, and the real one is a change.
            const bool changed = now != lastKnown_;
            if (changed)
                appendToChangeLog(changeLogLine(nowStamp(), lastKnown_, now));
            lastKnown_ = now;
            done(changed);
        });
}

} // namespace quillet
