#pragma once

#include <QString>

namespace quillet::platform {

// The directory of the running executable.
QString programDirectory();

// Where Quillet keeps its files: the settings, and the address file and change log.
struct Folders {
    QString settings;
    QString data;
};

// An installed program's: $XDG_CONFIG_HOME/quillet and $XDG_DATA_HOME/quillet, made
// owner-only on first use.
Folders userFolders();
// $XDG_CONFIG_HOME, or its default under the home folder.
QString userConfigFolder();
// Whether `dir` is a folder installs put programs in (a "bin"), never one to write into.
bool isProgramsFolder(const QString& dir);

// The program decides where its files go before it keeps any; until then, and where it
// has not (tests of a part), they go beside the program.
void useFolders(const Folders& folders);
QString settingsFolder();
QString dataFolder();
QString settingsFile(const QString& name);
QString dataFile(const QString& name);

} // namespace quillet::platform
