#pragma once

#include "core/Action.h"
#include "core/Settings.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

namespace quillet {

// One action's last outcome as its status line shows it: the caption (prefix and stamp),
// green or red, and the detail as tool tip.
struct StatusLine {
    QString text;
    bool success = false;
    QString toolTip;
};

// How the last check of the external address went, as the window and the tray tell it.
struct AddressCheck {
    bool underWay = false;
    QString endedAt;          // "hh:mm:ss"; empty before the first check has ended
    QString problem;          // why the external address is not known; empty when it is
    QStringList notes;        // what the user should know of the address found
    QString problemIPv6 = {}; // the same of the external IPv6 address, while watched
    QStringList notesIPv6 = {};
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

    const Addresses& addresses() const { return addresses_; }
    void setAddresses(const Addresses& addresses);
    const AddressCheck& addressCheck() const { return addressCheck_; }
    void setAddressCheck(const AddressCheck& check);
    QString hostName() const { return hostName_; }
    void setHostName(const QString& name);

    const StatusLine& status(Action action) const { return status_.at(index(action)); }
    void setStatus(Action action, const StatusLine& line);
    // Only the tool tip: an action under way tells its latest news.
    void setStatusTip(Action action, const QString& toolTip);

    QString transcript() const { return transcript_; }
    void clearTranscript();
    void appendTranscript(const QString& text);

    bool running() const { return running_; }
    void setRunning(bool running);

    // The actions that failed in the last action run.
    QStringList failedActions() const { return failedActions_; }
    void setFailedActions(const QStringList& actions);

    // What the user must know of Quillet's own files and start, shown in red in the window
    // and in the tray's tip while it holds; empty text clears it.
    enum class Problem { Settings, Save, Folders, OneCopy, Autostart };
    QString problem(Problem kind) const { return problems_.value(kind); }
    // Every problem that holds, in the order of the kinds, each as "what: why".
    QStringList problems() const;
    void setProblem(Problem kind, const QString& text);

signals:
    void settingsChanged();
    void settingsEdited();
    void addressesChanged();
    void addressCheckChanged();
    void statusChanged(quillet::Action action);
    void transcriptAppended(const QString& text); // empty text: cleared
    void runningChanged(bool running);
    void noticesChanged();

private:
    static std::size_t index(Action action) { return static_cast<std::size_t>(action); }

    Settings settings_;
    Addresses addresses_;
    AddressCheck addressCheck_;
    QString hostName_;
    std::array<StatusLine, kActions.size()> status_;
    QString transcript_;
    bool running_ = false;
    QStringList failedActions_;
    QMap<Problem, QString> problems_;
};

} // namespace quillet
