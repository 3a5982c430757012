#include "platform/Timer.h"

#include <QObject>
#include <QTimer>

namespace quillet::platform {

namespace {
QString timerName(int id)
{
    return QStringLiteral("quillet-timer-%1").arg(id);
}

QTimer* findTimer(QObject* owner, int id)
{
    return owner->findChild<QTimer*>(timerName(id), Qt::FindDirectChildrenOnly);
}
} // namespace

void SetTimer(QObject* owner, int id, int intervalMs, std::function<void()> callback)
{
    KillTimer(owner, id);
    auto* timer = new QTimer(owner);
    timer->setObjectName(timerName(id));
    QObject::connect(timer, &QTimer::timeout, owner, std::move(callback));
    timer->start(intervalMs);
}

void KillTimer(QObject* owner, int id)
{
    if (QTimer* timer = findTimer(owner, id)) {
        timer->stop();
        delete timer;
    }
}

bool isTimerArmed(QObject* owner, int id)
{
    const QTimer* timer = findTimer(owner, id);
    return timer && timer->isActive();
}

} // namespace quillet::platform
