#pragma once

#include <QColor>

namespace quillet {

class MainWindow;

// An action's status line, and a refused entry: pure green and pure red.
inline const QColor kSuccessColour{0, 255, 0};
inline const QColor kFailureColour{255, 0, 0};
inline const QColor kCaptionColour{255, 255, 255};

// The window's designed look: light captions and edit boxes on black, teal panels, the
// addresses in green, the designed faces (or the nearest the system has).
void applyLook(MainWindow& window);

} // namespace quillet
