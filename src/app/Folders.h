#pragma once

#include "platform/Paths.h"

#include <QString>

namespace quillet {

// Where this copy keeps its files. Beside the program when that folder is its own: one whose
// config.txt reads as Quillet's, or (without one) a folder it can write that is no folder of
// installed programs ("bin"): a portable folder, a build folder. Otherwise, as an installed
// program, in the XDG folders. `problem` says why a folder of its own cannot be used as it
// should (it cannot be written): it is used all the same, never switched silently.
struct FolderChoice {
    platform::Folders folders;
    QString problem;
};
FolderChoice chooseFolders();

} // namespace quillet
