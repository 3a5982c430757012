#include "platform/TrayIcon.h"

#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QSystemTrayIcon>

namespace quillet::platform {

namespace {
std::optional<TrayPresence>& presenceOverride()
{
    static std::optional<TrayPresence> presence;
    return presence;
}
} // namespace

TrayPresence trayPresence()
{
    if (presenceOverride())
        return *presenceOverride();
    if (QGuiApplication::platformName() == QLatin1String("offscreen") ||
        QGuiApplication::platformName() == QLatin1String("minimal"))
        return TrayPresence::Headless;
    return QSystemTrayIcon::isSystemTrayAvailable() ? TrayPresence::Present : TrayPresence::Missing;
}

void setTrayPresenceForTesting(std::optional<TrayPresence> presence)
{
    presenceOverride() = presence;
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/quillet/quillet-%1.png").arg(size), QSize(size, size));
    return icon;
}

TrayIcon::TrayIcon(const QIcon& icon)
    : icon_(std::make_unique<QSystemTrayIcon>(icon))
{
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    emit leftClicked();
                else if (reason == QSystemTrayIcon::Context)
                    emit rightClicked(QCursor::pos());
            });
    icon_->show();
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::setTip(const QString& tip)
{
    // Qt's tool tips break lines at LF alone.
    icon_->setToolTip(QString(tip).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

} // namespace quillet::platform
