#pragma once

#include "core/Settings.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

namespace quillet {

// One action's last outcome: its caption (prefix and stamp), green or red, and its detail.
struct StatusLine {
    QString text;
    bool success = false;
    QString toolTip;
};

// Everything the window shows and the user edits, kept whether a window exists or not:
// every setting, the addresses, the computer's name, the four status lines, the e-mail's
// transcript and whether an action run is under way. Whoever changes it says so through
// its signals; a window, when there is one, follows them.
class Model : public QObject {
    Q_OBJECT

public:
    const Settings& settings() const { return settings_; }
    // A change made by the program (loading, the runner's path): the window shows it.
    void setSettings(const Settings& settings);
    // A change the user made in the window, which shows it already.
    void editSettings(const Settings& settings);

    QString externalIP() const { return externalIP_; }
    QString internalIP() const { return internalIP_; }
    void setAddresses(const QString& external, const QString& internal);
    QString hostName() const { return hostName_; }
    void setHostName(const QString& name);

    // Status lines 0 e-mail, 1 FTP, 2 DynDNS, 3 URL.
    const StatusLine& status(std::size_t index) const { return status_.at(index); }
    // `prefix` and the stamp of now, green for success or red for failure.
    void showStatus(std::size_t index, const QString& prefix, bool success);
    void setStatusTip(std::size_t index, const QString& toolTip);

    QString transcript() const { return transcript_; }
    void clearTranscript();
    void appendTranscript(const QString& text);

    bool running() const { return running_; }
    void setRunning(bool running);

    // The actions that failed in the last action run ("E-mail", "FTP", "DynDNS", "URL").
    QStringList failedActions() const { return failedActions_; }
    void setFailedActions(const QStringList& actions);
    // Why the settings could not be saved last time; empty once a save succeeds.
    QString saveProblem() const { return saveProblem_; }
    void setSaveProblem(const QString& problem);

signals:
    void settingsChanged();
    void settingsEdited();
    void addressesChanged();
    void statusChanged(std::size_t index);
    void transcriptAppended(const QString& text); // empty text: cleared
    void runningChanged(bool running);
    void noticesChanged();

private:
    Settings settings_;
    QString externalIP_;
    QString internalIP_;
    QString hostName_;
    std::array<StatusLine, 4> status_;
    QString transcript_;
    bool running_ = false;
    QStringList failedActions_;
    QString saveProblem_;
};

} // namespace quillet
