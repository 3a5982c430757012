#include "core/FileNames.h"

#include "core/TextUtil.h"

#include <QRegularExpression>

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
    // A temporary sibling is the name and six letters or digits.
    static const QRegularExpression temporary(QStringLiteral("^(.+)\\.[A-Za-z0-9]{6}$"));
    const QRegularExpressionMatch match = temporary.match(name);
    // Made once: every check asks.
    static const QStringList own = ownFileNames();
    return !own.contains(name) && !(match.hasMatch() && own.contains(match.captured(1)));
}

} // namespace quillet
