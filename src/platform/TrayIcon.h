#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include <memory>
#include <optional>

class QIcon;
class QSystemTrayIcon;
class QTimer;

namespace quillet::platform {

// Whether the desktop offers a notification area now. Headless: a platform that shows
// nothing to anyone (Qt's offscreen platform), where no icon and no window can be seen.
enum class TrayPresence { Present, Missing, Headless };
TrayPresence trayPresence();

// The program's icon in every size it ships, for the window.
QIcon programIcon();

// One icon in the notification area, with its tool tip and its two mouse clicks. Made
// while there is no notification area, it appears when one does.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    TrayIcon();
    ~TrayIcon() override;

    void setTip(const QString& tip);
    // A small red mark on the icon: something failed.
    void setAlert(bool alert);

signals:
    void leftClicked();
    void rightClicked(QPoint globalPos);
    // A notification area came or went.
    void availabilityChanged();

private:
    std::unique_ptr<QSystemTrayIcon> icon_;
    QTimer* lookAgain_ = nullptr;
    // What the icon shows, so that a check that changes neither costs no repaint.
    std::optional<bool> alert_;
    QString tip_;
};

} // namespace quillet::platform
