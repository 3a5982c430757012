#pragma once

#include <QtGlobal>

namespace quillet {

class frmMain;

// The status lines' designed size; a line that does not fit shrinks from it.
inline constexpr qreal kStatusPoints = 8.25;

// The window's designed look: light captions and edit boxes on black, teal panels, the
// addresses in green, the designed faces (or the nearest the system has).
void applyLook(frmMain& form);

} // namespace quillet
