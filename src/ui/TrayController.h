#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

namespace quillet {

class MainWindow;
class Model;
class TrayMenu;

namespace platform {
class TrayIcon;
}

// The program's icon in the notification area and the window's way into it and out: a left
// click shows the window, a right click pops up the tray menu, and the window manager's
// minimise hides the window into the tray while an icon can bring it back. Without a
// notification area the window shows (started at login, after waiting a minute for one), and
// goes into one that appears. The icon's tip follows the addresses the model shows, with a
// line naming the actions that failed.
class TrayController : public QObject {
    Q_OBJECT

public:
    // `buildWindow` makes the window when it is first needed. `atLogin`: a notification area
    // may still be on its way.
    TrayController(Model& model, std::function<MainWindow*()> buildWindow, bool atLogin,
                   QObject* parent = nullptr);
    ~TrayController() override;

    // Shows the window, out of the tray in the state it went in with (a left click).
    void showWindow();
    void popUpMenu(QPoint pos);
    // The tip as the icon shows it.
    QString tip() const;
    // Whether an icon really is in a notification area now.
    bool iconShown() const;
    // The menu, once the window exists.
    TrayMenu* menu() const;
    // The program is ending: the icon goes, and the window is followed no more.
    void remove();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindow* window();
    void updateTip();
    void hideIntoTray(Qt::WindowStates stateBefore);
    void restore();
    void minimize();
    void trayAppeared();
    void showForWantOfTray();

    Model& model_;
    std::function<MainWindow*()> buildWindow_;
    QPointer<MainWindow> window_;
    QPointer<TrayMenu> menu_;
    std::unique_ptr<platform::TrayIcon> icon_;
    QString tip_;
    QString alert_;
    // The state the window went into the tray with.
    Qt::WindowStates hiddenState_;
    // Shown only because there was no notification area.
    bool shownForWantOfTray_ = false;
    bool removed_ = false;
};

// "External IP: a" with CR LF "Internal IP: b" when an internal address is known, cut as the
// shell's 64-character tip field cuts it.
QString trayTipText(const QString& external, const QString& internal);

} // namespace quillet
