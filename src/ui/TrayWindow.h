#pragma once

#include <QtGlobal>

class QMenu;
class QWidget;

namespace quillet {

// What the tray needs of the main window, without its header: the window itself is built
// only when first needed.
class TrayWindow {
public:
    virtual ~TrayWindow() = default;

    // The window; built now when `build` and there is none yet, otherwise null until then.
    virtual QWidget* window(bool build) = 0;
    // The window's last state other than minimised: 0 normal, 2 maximised.
    virtual qint16 lastState() const = 0;
    // Enables the menu items that make sense in `state` (0 normal, 1 minimised or hidden in
    // the tray, 2 maximised).
    virtual void setTrayMenuItems(qint16 state) = 0;
    // The tray's popup menu.
    virtual QMenu* trayMenu() = 0;
};

} // namespace quillet
