#pragma once

#include <QString>

namespace quillet::platform {

// The program's version record: what a Windows build reads from its resources.
struct VersionRecord {
    QString companyName;
    QString productName;
    int major = 0;
    int minor = 0;
    int revision = 0;
};

VersionRecord versionRecord();

// "Tarnwick Quillet/1.0.0", sent with every HTTP request.
QString userAgent();

} // namespace quillet::platform
