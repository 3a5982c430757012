#include "platform/InputBox.h"

#include <QGuiApplication>
#include <QInputDialog>

namespace quillet::platform {

namespace {
std::optional<QString>& nextAnswer()
{
    static std::optional<QString> answer;
    return answer;
}

InputBoxRecord& record()
{
    static InputBoxRecord r;
    return r;
}
} // namespace

QString InputBox(QWidget* parent, const QString& title, const QString& prompt)
{
    InputBoxRecord& r = record();
    ++r.shown;
    r.title = title;
    r.prompt = prompt;

    if (nextAnswer()) {
        QString answer = *nextAnswer();
        nextAnswer().reset();
        return answer;
    }
    // Without a display nobody could answer a modal prompt; treat it as cancelled.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return {};

    bool ok = false;
    QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, QString(), &ok);
    return ok ? text : QString();
}

void setNextInputBoxAnswer(std::optional<QString> answer)
{
    nextAnswer() = std::move(answer);
}

const InputBoxRecord& inputBoxRecord()
{
    return record();
}

} // namespace quillet::platform
