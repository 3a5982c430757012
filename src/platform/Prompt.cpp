#include "platform/Prompt.h"

#include "platform/TestHooks.h"

#include <QGuiApplication>
#include <QInputDialog>

namespace quillet::platform {

QString askForText(const QString& title, const QString& prompt)
{
    if (TestHooks* hooks = testHooks()) {
        if (std::optional<QString> answer = hooks->answerPrompt(title, prompt))
            return *std::move(answer);
    }
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return {};
    bool ok = false;
    const QString text =
        QInputDialog::getText(nullptr, title, prompt, QLineEdit::Normal, QString(), &ok);
    return ok ? text : QString();
}

} // namespace quillet::platform
