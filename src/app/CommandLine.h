#pragma once

#include <QString>
#include <QStringList>

namespace quillet {

// What the command line asks for: to start as usual, or only an answer and an exit status.
struct CommandLine {
    bool start = true;
    int exitCode = 0;
    QString out; // for stdout
    QString err; // for stderr
};

// --help or --version alone answer and end with 0; anything else is an error (usage on
// stderr, 2); no argument starts Quillet. `arguments` includes the program's name.
CommandLine parseCommandLine(const QStringList& arguments);

} // namespace quillet
