#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace quillet::platform {

// A modal prompt over one edit field; returns the typed text, or empty text when cancelled.
QString InputBox(QWidget* parent, const QString& title, const QString& prompt);

// Tests answer the next prompt themselves; the prompt then records what it would have shown.
void setNextInputBoxAnswer(std::optional<QString> answer);
struct InputBoxRecord {
    int shown = 0;
    QString title;
    QString prompt;
};
const InputBoxRecord& inputBoxRecord();

} // namespace quillet::platform
