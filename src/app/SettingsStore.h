#pragma once

#include "core/Settings.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace quillet {

class Model;

// The settings as config.txt keeps them: loaded once at start-up, saved about a second after
// the last change and at the end. A file that could not be read is never written over: the
// session's settings go beside it, to config.txt.unsaved. A save that fails is the model's
// save problem until one succeeds.
class SettingsStore : public QObject {
    Q_OBJECT

public:
    explicit SettingsStore(Model& model, QObject* parent = nullptr);

    // The settings of the file over the model's own (problems reported on stderr).
    Settings load();
    // From now on every change of the model's settings is saved soon after.
    void saveChanges();
    void save();

    QString path() const;
    bool fileKept() const { return fileKept_; }

    // How long after the last change the settings are saved.
    static constexpr int kSaveDelayMs = 1000;

private:
    Model& model_;
    QTimer saveSoon_;
    bool fileKept_ = false;
};

} // namespace quillet
