#include "platform/TrayIcon.h"

#include "platform/TestHooks.h"

#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <qpa/qplatformnativeinterface.h>

#include <utility>

namespace quillet::platform {

namespace {
// Where a notification area's coming cannot be watched, how often to look for one.
constexpr int kLookAgainMs = 60000;
} // namespace

TrayPresence trayPresence()
{
    return hookedOr(&TestHooks::trayPresence, [] {
        if (QGuiApplication::platformName() == QLatin1String("offscreen") ||
            QGuiApplication::platformName() == QLatin1String("minimal"))
            return TrayPresence::Headless;
        return QSystemTrayIcon::isSystemTrayAvailable() ? TrayPresence::Present
                                                        : TrayPresence::Missing;
    });
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/quillet/quillet-%1.png").arg(size), QSize(size, size));
    return icon;
}

TrayIcon::TrayIcon()
    // One small size, decoded when the icon is first drawn.
    : icon_(std::make_unique<QSystemTrayIcon>(QIcon(QStringLiteral(":/quillet/quillet-22.png"))))
{
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    emit leftClicked();
                else if (reason == QSystemTrayIcon::Context)
                    emit rightClicked(QCursor::pos());
            });
    // Shown even without a notification area: on X11 Qt embeds it once one appears, and
    // its X11 plugin says when that happens; elsewhere we look now and then.
    icon_->show();
    QObject* native = QGuiApplication::platformNativeInterface();
    if (QGuiApplication::platformName() == QLatin1String("xcb") && native != nullptr) {
        connect(native, SIGNAL(systemTrayWindowChanged(QScreen*)), this,
                SIGNAL(availabilityChanged()), Qt::QueuedConnection);
    } else if (trayPresence() == TrayPresence::Missing) {
        lookAgain_ = new QTimer(this);
        connect(lookAgain_, &QTimer::timeout, this, [this] {
            if (trayPresence() == TrayPresence::Present) {
                lookAgain_->stop();
                emit availabilityChanged();
            }
        });
        lookAgain_->start(kLookAgainMs);
    }
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::setAlert(bool alert)
{
    if (std::exchange(alert_, alert) == alert)
        return;
    QPixmap pixmap(QStringLiteral(":/quillet/quillet-22.png"));
    if (alert) {
        // A red dot in the lower right corner, a quarter of the icon wide, with a white rim
        // so it shows on any panel.
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::white, 1.5));
        painter.setBrush(QColor(255, 0, 0));
        const qreal d = pixmap.width() * 0.45;
        painter.drawEllipse(QRectF(pixmap.width() - d - 0.75, pixmap.height() - d - 0.75, d, d));
    }
    icon_->setIcon(QIcon(pixmap));
}

void TrayIcon::setTip(const QString& tip)
{
    if (std::exchange(tip_, tip) == tip)
        return;
    // Qt's tool tips break lines at LF alone.
    icon_->setToolTip(QString(tip).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

} // namespace quillet::platform
