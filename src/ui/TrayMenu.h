#pragma once

#include <QMenu>

#include <array>

class QAction;

namespace quillet {

class Model;

enum class WindowState { Normal, Minimized, Maximized };
// A hidden window counts as minimised: it is in the tray.
WindowState windowStateOf(const QWidget& window);

// The tray icon's popup menu: Restore, Move, Size, Minimize and Maximize act on the window as
// its system menu would, Start at login edits the autostart entry, Close closes the window.
// Restore and Minimize, into the tray and out, are the tray's own: it is asked by signal.
class TrayMenu : public QMenu {
    Q_OBJECT

public:
    enum class Item { Restore, Move, Size, Minimize, Maximize, StartAtLogin, Close };

    TrayMenu(QWidget& window, Model& model);

    QAction* action(Item item) const { return actions_.at(static_cast<std::size_t>(item)); }
    // The window's last state other than minimised.
    WindowState lastShownState() const { return lastShown_; }
    // Enables the items that make sense in `state`.
    void enableItemsFor(WindowState state);
    // Un-minimises or un-maximises the shown window, as the window manager restores.
    void restoreShownWindow();

signals:
    void restoreRequested();
    void minimizeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startSystemMove();
    void startSystemResize();
    void maximize();
    void showStartAtLogin();
    void toggleStartAtLogin();

    QWidget& window_;
    Model& model_;
    std::array<QAction*, 7> actions_{};
    WindowState lastShown_ = WindowState::Normal;
};

} // namespace quillet
