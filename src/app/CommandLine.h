#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace quillet {

// What the command line asks for: to start, or only an answer and an exit status.
struct CommandLine {
    bool start = true;
    // Started at login: a notification area may still be on its way.
    bool autostart = false;
    int exitCode = 0;
    QString out; // for stdout
    QString err; // for stderr
};

// No argument, or --autostart, starts Quillet; --help or --version alone answer and end with
// 0; anything else is an error (usage on stderr, 2) that shows the arguments, cut short and
// their bytes that are no text as \xNN. `argv` includes the program's name.
CommandLine parseCommandLine(const QList<QByteArray>& argv);

} // namespace quillet
