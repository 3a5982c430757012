#pragma once

#include "platform/Download.h"
#include "platform/Network.h"
#include "platform/TrayIcon.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace quillet::platform {

// Everything a test stands in for, in one interface. The program installs none; each answer a
// test leaves empty is the real system's.
class TestHooks {
public:
    virtual ~TestHooks() = default;

    virtual std::optional<QString> programDirectory() const { return {}; }
    virtual std::optional<QList<Adapter>> adapters() const { return {}; }
    virtual std::optional<QString> hostName() const { return {}; }
    virtual std::optional<QDateTime> now() const { return {}; }
    // Host or host:port of the echo page.
    virtual std::optional<QString> echoHost() const { return {}; }
    virtual std::optional<TransferTimeouts> transferTimeouts() const { return {}; }
    virtual std::optional<TrayPresence> trayPresence() const { return {}; }
    // A prompt answered without being shown; empty text is a cancelled one.
    virtual std::optional<QString> answerPrompt(const QString&, const QString&) { return {}; }
    // A file or web address handed to the desktop: whether it opened.
    virtual std::optional<bool> openUrl(const QUrl&) { return {}; }
};

// Installs `hooks` for everything asked from now on; null puts the real system back.
void setTestHooks(TestHooks* hooks);
TestHooks* testHooks();

// The hook's answer when a test gives one, else `real()`.
template <typename T, typename Real>
T hookedOr(std::optional<T> (TestHooks::*hook)() const, Real&& real)
{
    if (const TestHooks* hooks = testHooks()) {
        if (std::optional<T> answer = (hooks->*hook)())
            return *std::move(answer);
    }
    return real();
}

} // namespace quillet::platform
