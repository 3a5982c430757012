#pragma once

#include <QMenu>

class QAction;

namespace quillet {

class Model;

// The tray icon's popup menu and the window states it follows: Restore, Move, Size,
// Minimize and Maximize act on the window as its system menu would, Start at login edits
// the autostart entry, Close closes the window.
class TrayMenu : public QMenu {
    Q_OBJECT

public:
    TrayMenu(QWidget& window, Model& model);

    QAction* mnuTrayRestore;
    QAction* mnuTrayMove;
    QAction* mnuTraySize;
    QAction* mnuTrayMinimize;
    QAction* mnuTrayMaximize;
    QAction* mnuTraySep;
    QAction* mnuTrayStartAtLogin;
    QAction* mnuTrayClose;

    // The window's state: 0 normal, 1 minimised, 2 maximised.
    qint16 windowStateValue() const;
    // Last window state other than minimised: 0 normal, 2 maximised.
    qint16 LastState = 0;

    // Enables the items that make sense in `window_state` (0 normal, 1 minimised or hidden
    // in the tray, 2 maximised); any other value changes nothing.
    void SetTrayMenuItems(const qint16& window_state);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Resize();
    void mnuTrayRestore_Click();
    void mnuTrayMove_Click();
    void mnuTraySize_Click();
    void mnuTrayMinimize_Click();
    void mnuTrayMaximize_Click();
    void mnuTrayStartAtLogin_Click();

    QWidget& window_;
    Model& model_;
};

} // namespace quillet
