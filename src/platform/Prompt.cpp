#include "platform/Prompt.h"

#include "platform/TestHooks.h"

#include <QGuiApplication>
#include <QInputDialog>
#include <QPointer>

namespace quillet::platform {

namespace {
QPointer<QInputDialog> g_open;
} // namespace

QString askForText(const QString& title, const QString& prompt)
{
    if (TestHooks* hooks = testHooks()) {
        if (std::optional<QString> answer = hooks->answerPrompt(title, prompt))
            return *std::move(answer);
    }
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return {};
    QInputDialog dialog;
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    g_open = &dialog;
    const bool ok = dialog.exec() == QDialog::Accepted;
    return ok ? dialog.textValue() : QString();
}

void cancelPrompt()
{
    if (QInputDialog* dialog = g_open)
        dialog->reject();
}

} // namespace quillet::platform
