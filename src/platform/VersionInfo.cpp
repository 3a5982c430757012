#include "platform/VersionInfo.h"

#include "BuildConfig.h"

namespace quillet::platform {

VersionRecord versionRecord()
{
    return {QStringLiteral(QUILLET_COMPANY_NAME), QStringLiteral(QUILLET_PRODUCT_NAME),
            QUILLET_VERSION_MAJOR, QUILLET_VERSION_MINOR, QUILLET_VERSION_PATCH};
}

QString versionTitle()
{
    const VersionRecord v = versionRecord();
    return QStringLiteral("%1 %2 %3.%4.%5")
        .arg(v.companyName, v.productName)
        .arg(v.major)
        .arg(v.minor)
        .arg(v.revision);
}

QString userAgent()
{
    const VersionRecord v = versionRecord();
    return QStringLiteral("%1 %2/%3.%4.%5")
        .arg(v.companyName, v.productName)
        .arg(v.major)
        .arg(v.minor)
        .arg(v.revision);
}

} // namespace quillet::platform
