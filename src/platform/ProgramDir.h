#pragma once

#include <QString>

namespace quillet::platform {

// The directory of the running executable; every file of the program lives there.
QString programDirectory();

// `name` joined to the program's directory with the platform's separator.
QString programFile(const QString& name);

// Tests run the program logic inside a temporary directory.
void setProgramDirectoryForTesting(const QString& dir);

} // namespace quillet::platform
