#include "core/Model.h"

namespace quillet {

void Model::setSettings(const Settings& settings)
{
    settings_ = settings;
    emit settingsChanged();
}

void Model::editSettings(const Settings& settings)
{
    if (settings == settings_)
        return;
    settings_ = settings;
    emit settingsEdited();
}

void Model::setAddresses(const Addresses& addresses)
{
    addresses_ = addresses;
    emit addressesChanged();
}

void Model::setHostName(const QString& name)
{
    hostName_ = name;
    emit addressesChanged();
}

void Model::setStatus(Action action, const StatusLine& line)
{
    status_.at(index(action)) = line;
    emit statusChanged(action);
}

void Model::setStatusTip(Action action, const QString& toolTip)
{
    status_.at(index(action)).toolTip = toolTip;
    emit statusChanged(action);
}

void Model::clearTranscript()
{
    transcript_.clear();
    emit transcriptAppended({});
}

void Model::appendTranscript(const QString& text)
{
    transcript_ += text;
    emit transcriptAppended(text);
}

void Model::setAddressCheck(const AddressCheck& check)
{
    addressCheck_ = check;
    emit addressCheckChanged();
}

void Model::setRunning(bool running)
{
    running_ = running;
    emit runningChanged(running);
}

void Model::setFailedActions(const QStringList& actions)
{
    failedActions_ = actions;
    emit noticesChanged();
}

QStringList Model::problems() const
{
    QStringList texts;
    for (const QString& text : problems_) {
        if (!text.isEmpty())
            texts << text;
    }
    return texts;
}

void Model::setProblem(Problem kind, const QString& text)
{
    if (problems_.value(kind) == text)
        return;
    problems_[kind] = text;
    emit noticesChanged();
}

} // namespace quillet
