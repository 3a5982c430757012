#include "core/FileNames.h"

#include "core/TextUtil.h"
#include "platform/FileAccess.h"

namespace quillet {

QString numberedCopy(const QString& name, const QString& suffix, int number)
{
    return name + suffix + (number > 1 ? QStringLiteral(".%1").arg(number) : QString());
}

QStringList ownFileNames()
{
    QStringList names = {kSettingsFileName, kChangeLogName, kLockFileName, kDeliveryRecordName};
    for (const QString& suffix : {QStringLiteral(".bak"), QStringLiteral(".unsaved")}) {
        for (int number = 1; number <= kMaxNumberedCopies; ++number)
            names << numberedCopy(kSettingsFileName, suffix, number);
    }
    return names;
}

bool isUsableAddressFileName(const QString& name)
{
    if (!isPlainFileName(name))
        return false;
    // Made once: every check asks.
    static const QStringList own = ownFileNames();
    const QString target = platform::temporaryFileTarget(name);
    return !own.contains(name) && !(!target.isEmpty() && own.contains(target));
}

} // namespace quillet
