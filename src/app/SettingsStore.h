#pragma once

#include "core/Settings.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace quillet {

class Model;

// The settings as config.txt keeps them: loaded once at start-up, saved about a second after
// the last change and at the end. A file is never replaced before its old content is kept
// whole: one too short to load goes first to the next free "config.txt.bak" ("….bak.2" and
// on); one that cannot be loaded whole (unreadable, too long, no backup possible) is never
// written over, and the session's settings go to the next free "config.txt.unsaved".
// Trouble is the model's problem (window and tray) as well as a line on stderr.
class SettingsStore : public QObject {
    Q_OBJECT

public:
    // Keeps config.txt in `folder`.
    SettingsStore(Model& model, const QString& folder, QObject* parent = nullptr);

    enum class Outcome {
        Loaded,   // read whole
        Missing,  // no file, or an empty one: the settings keep their values
        Replaced, // too short to load: kept as a backup, replaced at the next save
        Kept,     // not loaded whole, never written over
    };
    // The settings of the file over `settings`.
    Settings load(const Settings& settings);
    Outcome outcome() const { return outcome_; }
    // From now on every change of the model's settings is saved soon after, on the disk's
    // thread.
    void saveChanges();
    // Saves now, and waits for it (at the end, once the disk's thread has nothing queued):
    // whether they were saved.
    bool save();

    QString path() const;
    // The file this session's settings go to: config.txt, or when that is kept, its own
    // "config.txt.unsaved".
    QString target() const;

    // How long after the last change the settings are saved.
    static constexpr int kSaveDelayMs = 1000;

private:
    QString keepCopy(const QByteArray& bytes, QString* error) const;
    void saveLater();
    // Null `error`: saved.
    void saved(const QString& error);

    Model& model_;
    QString folder_;
    QTimer saveSoon_;
    Outcome outcome_ = Outcome::Missing;
    QStringList laterLines_;
    QString unsaved_;
};

} // namespace quillet
