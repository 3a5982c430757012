#pragma once

#include "platform/Download.h"
#include "platform/Network.h"
#include "platform/TrayIcon.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace quillet::platform {

// Everything a test stands in for, in one place. The program installs none; each answer a
// test leaves empty is the real system's.
class TestHooks {
public:
    virtual ~TestHooks() = default;

    std::optional<QString> programDirectory;
    std::optional<QList<Adapter>> adapters;
    std::optional<QString> hostName;
    std::optional<QDateTime> now;
    std::optional<QString> echoHost;          // host or host:port of the echo page
    std::optional<QStringList> moreEchoPages; // full URLs
    std::optional<QString> echo6Host;
    std::optional<QStringList> moreEcho6Pages;
    std::optional<TransferTimeouts> transferTimeouts;
    std::optional<TrayPresence> trayPresence;
    // A prompt answered without being shown; empty text is a cancelled one.
    virtual std::optional<QString> answerPrompt(const QString&, const QString&) { return {}; }
    // A file or web address handed to the desktop: whether it opened.
    virtual std::optional<bool> openUrl(const QUrl&) { return {}; }
    // A file of Quillet's own read or written on the application's main thread.
    virtual void fileOnMainThread(const QString&) {}
};

// Installs `hooks` for everything asked from now on; null puts the real system back.
void setTestHooks(TestHooks* hooks);
TestHooks* testHooks();

// The hook's answer when a test gives one, else `real()`.
template <typename T, typename Real> T hookedOr(std::optional<T> TestHooks::*hook, Real&& real)
{
    const TestHooks* hooks = testHooks();
    return hooks != nullptr && (hooks->*hook) ? *(hooks->*hook) : real();
}

} // namespace quillet::platform
