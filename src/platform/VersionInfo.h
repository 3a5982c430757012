#pragma once

#include <QString>

namespace quillet::platform {

// The program's version record, fixed when it is built.
struct VersionRecord {
    QString companyName;
    QString productName;
    int major = 0;
    int minor = 0;
    int revision = 0;
};

VersionRecord versionRecord();

// Company, product and version: "Tarnwick Quillet 1.0.0", the window's title.
QString versionTitle();

// "Tarnwick Quillet/1.0.0", sent with every HTTP request.
QString userAgent();

} // namespace quillet::platform
