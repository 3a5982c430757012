#include "core/Model.h"

#include "core/DateText.h"

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

void Model::setAddresses(const QString& external, const QString& internal)
{
    externalIP_ = external;
    internalIP_ = internal;
    emit addressesChanged();
}

void Model::setHostName(const QString& name)
{
    hostName_ = name;
    emit addressesChanged();
}

void Model::showStatus(std::size_t index, const QString& prefix, bool success)
{
    StatusLine& line = status_.at(index);
    line.text = prefix + NowStamp();
    line.success = success;
    emit statusChanged(index);
}

void Model::setStatusTip(std::size_t index, const QString& toolTip)
{
    status_.at(index).toolTip = toolTip;
    emit statusChanged(index);
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

void Model::setSaveProblem(const QString& problem)
{
    saveProblem_ = problem;
    emit noticesChanged();
}

} // namespace quillet
