#include "platform/VersionInfo.h"

#include "BuildConfig.h"

namespace quillet::platform {

VersionRecord versionRecord()
{
    return {QStringLiteral(QUILLET_COMPANY_NAME), QStringLiteral(QUILLET_PRODUCT_NAME),
            QUILLET_VERSION_MAJOR, QUILLET_VERSION_MINOR, QUILLET_VERSION_PATCH};
}

namespace {
// "Company Product" and the version, with `separator` between them.
QString versionText(QChar separator)
{
    const VersionRecord v = versionRecord();
    return QStringLiteral("%1 %2%3%4.%5.%6")
        .arg(v.companyName, v.productName, QString(separator))
        .arg(v.major)
        .arg(v.minor)
        .arg(v.revision);
}
} // namespace

QString versionTitle()
{
    return versionText(QLatin1Char(' '));
}

QString userAgent()
{
    return versionText(QLatin1Char('/'));
}

} // namespace quillet::platform
