#pragma once

#include <QString>

namespace quillet::platform {

// The directory of the running executable.
QString programDirectory();

// Where Quillet keeps its files. Beside the program when its folder is one of its own: one
// that already holds config.txt (every existing setup), or a writable folder that is no
// installed layout (a portable folder, a build folder). Otherwise, as an installed program,
// in the XDG folders: the settings in $XDG_CONFIG_HOME/quillet, the address file and the
// change log in $XDG_DATA_HOME/quillet, made owner-only on first use.
QString settingsFolder();
QString dataFolder();
QString settingsFile(const QString& name);
QString dataFile(const QString& name);

// $XDG_CONFIG_HOME, or its default under the home folder.
QString userConfigFolder();

} // namespace quillet::platform
