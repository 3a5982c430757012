#include "monitor/Deliveries.h"

#include "actions/DynDnsUpdate.h"
#include "core/Endpoints.h"
#include "platform/DiskQueue.h"
#include "platform/Log.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace quillet {

namespace {

const char* const kKeys[] = {"email", "ftp", "dyndns", "url"};

// What the DynDNS refusal answered, without keeping the password itself.
QString fingerprint(const DynDnsSettings& settings)
{
    const QString all =
        QStringList{dynDnsService(settings), settings.https ? QStringLiteral("https") : QString(),
                    settings.user, settings.password, settings.hostNames}
            .join(QChar(u'\0'));
    return QString::fromLatin1(
        QCryptographicHash::hash(all.toUtf8(), QCryptographicHash::Sha256).toHex());
}

// What counts as delivered: DynDNS publishes the external addresses alone; the IPv6 ones
// count only while watched.
bool delivers(Action action, const Addresses& delivered, const Addresses& addresses,
              const Settings& settings)
{
    const bool ipv6 = watchesIPv6(settings);
    const auto same = [&](const QString Addresses::*field) {
        return delivered.*field == addresses.*field;
    };
    return same(&Addresses::external) && (action == Action::DynDns || same(&Addresses::internal)) &&
           (!ipv6 || (same(&Addresses::externalIPv6) &&
                      (action == Action::DynDns || same(&Addresses::internalIPv6))));
}

// A failure waits 2, 4, 8, 16, then 30 minutes, less a minute so that the check due at that
// time (every 2 minutes) takes it.
QDateTime retryAfter(const QDateTime& failed, int failures)
{
    return failed.addSecs(60 * (std::min(2 << std::min(failures - 1, 4), 30) - 1));
}

} // namespace

void Deliveries::load(const QString& path, const Addresses& assumed)
{
    path_ = path;
    saved_.clear();
    for (State& state : states_)
        state = {assumed, {}, false, 0, {}, {}, {}, {}};
    const platform::FileRead file = platform::readOwnFile(path_, 64 * 1024);
    if (!file.exists)
        return;
    const QJsonObject record = QJsonDocument::fromJson(file.bytes).object();
    if (!file.ok || record.isEmpty())
        return warn(QStringLiteral("%1: unreadable; every action counts as having delivered "
                                   "the address file's addresses")
                        .arg(path_));
    for (const Action action : kActions) {
        const QJsonObject entry = record.value(QLatin1String(kKeys[index(action)])).toObject();
        const QJsonArray delivered = entry.value(QLatin1String("delivered")).toArray();
        State& state = states_.at(index(action));
        if (delivered.size() == 2 || delivered.size() == 4)
            state.delivered = {delivered.at(0).toString(), delivered.at(1).toString(),
                               delivered.at(2).toString(), delivered.at(3).toString()};
        state.deliveredAt =
            QDateTime::fromString(entry.value(QLatin1String("at")).toString(), Qt::ISODate);
        state.pending = entry.value(QLatin1String("pending")).toBool();
        state.failures = entry.value(QLatin1String("failures")).toInt();
        state.retryAt =
            QDateTime::fromString(entry.value(QLatin1String("retry")).toString(), Qt::ISODate);
        state.waitUntil =
            QDateTime::fromString(entry.value(QLatin1String("wait")).toString(), Qt::ISODate);
        state.holdCode = entry.value(QLatin1String("hold")).toString();
        state.heldFor = entry.value(QLatin1String("heldFor")).toString();
    }
    saved_ = file.bytes;
}

void Deliveries::save()
{
    QJsonObject record;
    for (const Action action : kActions) {
        const State& state = states_.at(index(action));
        QJsonArray delivered{state.delivered.external, state.delivered.internal};
        if (!state.delivered.externalIPv6.isEmpty() || !state.delivered.internalIPv6.isEmpty())
            delivered << state.delivered.externalIPv6 << state.delivered.internalIPv6;
        QJsonObject entry{{QStringLiteral("delivered"), delivered},
                          {QStringLiteral("at"), state.deliveredAt.toString(Qt::ISODate)}};
        if (state.pending) {
            entry.insert(QStringLiteral("pending"), true);
            entry.insert(QStringLiteral("failures"), state.failures);
            entry.insert(QStringLiteral("retry"), state.retryAt.toString(Qt::ISODate));
            entry.insert(QStringLiteral("wait"), state.waitUntil.toString(Qt::ISODate));
        }
        if (!state.holdCode.isEmpty()) {
            entry.insert(QStringLiteral("hold"), state.holdCode);
            entry.insert(QStringLiteral("heldFor"), state.heldFor);
        }
        record.insert(QLatin1String(kKeys[index(action)]), entry);
    }
    const QByteArray bytes = QJsonDocument(record).toJson();
    if (bytes == saved_ || path_.isEmpty())
        return;
    saved_ = bytes;
    platform::writeOwnFileLater(path_, bytes).then(&lifetime_, [this](const QString& error) {
        if (error.isNull())
            return;
        warn(error);
        saved_.clear(); // written again at the next change
    });
}

bool Deliveries::held(const DynDnsSettings& settings) const
{
    const State& state = this->state(Action::DynDns);
    return !state.holdCode.isEmpty() && state.heldFor == fingerprint(settings);
}

QList<Action> Deliveries::due(const Settings& settings, const Addresses& addresses,
                              bool afterChange, const QDateTime& now) const
{
    QList<Action> owed;
    for (const Action action : kActions) {
        const State& state = this->state(action);
        if (!isTicked(settings, action) || delivers(action, state.delivered, addresses, settings) ||
            (action == Action::DynDns && held(settings.dynDns)) ||
            (state.pending && state.waitUntil > now))
            continue;
        if (afterChange || !state.pending || state.retryAt <= now)
            owed << action;
    }
    return owed;
}

void Deliveries::record(Action action, const Outcome& outcome, const Addresses& addresses,
                        RunCause cause, const Settings& settings, const QDateTime& now)
{
    State& state = states_.at(index(action));
    if (outcome.success) {
        state = {addresses, now, false, 0, {}, {}, {}, {}};
    } else if (!delivers(action, state.delivered, addresses, settings)) {
        // The user's run, or a change, starts the back-off afresh.
        state.failures = state.pending && cause == RunCause::Retry ? state.failures + 1 : 1;
        state.pending = true;
        state.retryAt = retryAfter(now, state.failures);
        state.waitUntil = now.addSecs(60 * outcome.minutesToWait);
    }
    if (!outcome.holdCode.isEmpty()) {
        state.holdCode = outcome.holdCode;
        state.heldFor = fingerprint(settings.dynDns);
    }
    save();
}

void Deliveries::forgetUnticked(const Settings& settings, const Addresses& addresses)
{
    bool changed = false;
    for (const Action action : kActions) {
        State& state = states_.at(index(action));
        if (!isTicked(settings, action) && (state.pending || state.delivered != addresses)) {
            state = {addresses, state.deliveredAt, false, 0, {}, {}, state.holdCode, state.heldFor};
            changed = true;
        }
    }
    if (changed)
        save();
}

QStringList Deliveries::failing(const Settings& settings) const
{
    QStringList names;
    for (const Action action : kActions) {
        if (isTicked(settings, action) &&
            (state(action).pending || (action == Action::DynDns && held(settings.dynDns))))
            names << actionName(action);
    }
    return names;
}

QString Deliveries::note(Action action, const Settings& settings) const
{
    const State& state = this->state(action);
    if (action == Action::DynDns && held(settings.dynDns))
        return QStringLiteral("Held after %1: change the DynDNS settings or press Execute "
                              "Selected Actions")
            .arg(state.holdCode);
    return state.pending
               ? QStringLiteral("Will try again at %1")
                     .arg(
                         std::max(state.retryAt, state.waitUntil).toString(QStringLiteral("hh:mm")))
               : QString();
}

} // namespace quillet
