#pragma once

#include <QString>

namespace quillet {

// The run-wide state of the program; it lives for the whole run and is never saved
// (the address file carries the addresses across runs).
struct RunState {
    QString PrevExternalIP;
    QString PrevInternalIP;
    QString IPFilePath;
    QString AppTitle;
    bool FirstLoad = false;
};

} // namespace quillet
