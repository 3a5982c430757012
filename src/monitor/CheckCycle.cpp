#include "monitor/CheckCycle.h"

#include "address/AddressLookup.h"
#include "core/Ansi.h"
#include "core/DateText.h"
#include "core/Model.h"
#include "core/RunState.h"
#include "core/TextUtil.h"
#include "core/Warn.h"
#include "platform/FileAccess.h"
#include "platform/Paths.h"

namespace quillet {

namespace {

const QString kUnknownAddress = QStringLiteral("0.0.0.0");

// Replaced whole every time; forced to disk only when it says something new.
void writeAddressFile(RunState& run, const QString& external, const QString& internal)
{
    const QByteArray content = toAnsi(external) + "\r\n" + toAnsi(internal) + "\r\n";
    const bool known = run.AddressFileWritten == std::pair(run.IPFilePath, content);
    QString error;
    if (platform::writeOwnFile(run.IPFilePath, content, &error, !known)) {
        run.AddressFileWritten = {run.IPFilePath, content};
    } else {
        warn(error);
        run.AddressFileWritten = {};
    }
}

void appendToChangeLog(const QString& line)
{
    QString error;
    if (!platform::appendToOwnFile(platform::dataFile(QStringLiteral("ipchange.log")),
                                   toAnsi(line) + "\r\n", &error))
        warn(error);
}

} // namespace

QString ChangeLogLine(const QString& stamp, const QString& oldExternal, const QString& oldInternal,
                      const QString& newExternal, const QString& newInternal)
{
    return stamp + QStringLiteral(": ") + oldExternal + QLatin1Char(',') + oldInternal +
           QStringLiteral(" changed to ") + newExternal + QLatin1Char(',') + newInternal;
}

void CheckIPChange(Model& model, RunState& run, const std::function<void()>& executeActions,
                   std::function<void()> done)
{
    GetExternalIP([&model, &run, executeActions,
                   done = std::move(done)](const std::optional<QString>& lookedUp) {
        const QString internal = TrimBlanks(GetInternalIP());
        if (!lookedUp) {
            // An outage: shown, but the addresses later checks compare with stay those of the
            // last check that knew its address, so a change across the outage is still seen.
            model.setAddresses(kUnknownAddress, internal);
            done();
            return;
        }
        const QString external = *lookedUp;
        model.setAddresses(external, internal);
        Settings settings = model.settings();
        if (TrimBlanks(settings.txtFileName).isEmpty()) {
            settings.txtFileName = QStringLiteral("ip.txt");
            model.setSettings(settings);
        }
        // A name that would lead out of the program's folder is refused (the window says
        // so); the last good one stays in force.
        if (IsPlainFileName(settings.txtFileName))
            run.IPFilePath = platform::dataFile(settings.txtFileName);
        else if (run.IPFilePath.isEmpty())
            run.IPFilePath = platform::dataFile(QStringLiteral("ip.txt"));
        writeAddressFile(run, external, internal);

        // The page's own "0.0.0.0" is no address either: nothing to compare it with.
        if (external != kUnknownAddress) {
            if (run.PrevExternalIP != kUnknownAddress &&
                (external != run.PrevExternalIP || internal != run.PrevInternalIP)) {
                appendToChangeLog(ChangeLogLine(NowStamp(), run.PrevExternalIP, run.PrevInternalIP,
                                                external, internal));
                if (executeActions)
                    executeActions();
            }
            run.PrevExternalIP = external;
            run.PrevInternalIP = internal;
        }
        done();
    });
}

} // namespace quillet
