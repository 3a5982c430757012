#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include <memory>
#include <optional>

class QIcon;
class QSystemTrayIcon;

namespace quillet::platform {

// Whether the desktop offers a notification area now. Headless: a platform that shows
// nothing to anyone (Qt's offscreen platform), where no icon and no window can be seen.
enum class TrayPresence { Present, Missing, Headless };
TrayPresence trayPresence();
void setTrayPresenceForTesting(std::optional<TrayPresence> presence);

// The program's icon in every size it ships.
QIcon programIcon();

// One icon in the notification area, with its tool tip and its two mouse clicks.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    explicit TrayIcon(const QIcon& icon);
    ~TrayIcon() override;

    void setTip(const QString& tip);

signals:
    void leftClicked();
    void rightClicked(QPoint globalPos);

private:
    std::unique_ptr<QSystemTrayIcon> icon_;
};

} // namespace quillet::platform
