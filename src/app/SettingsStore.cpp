#include "app/SettingsStore.h"

#include "app/SettingsFile.h"
#include "core/Model.h"
#include "platform/Log.h"
#include "platform/Paths.h"

namespace quillet {

SettingsStore::SettingsStore(Model& model, QObject* parent)
    : QObject(parent)
    , model_(model)
{
    // Saved shortly after the last change, so a crash or a power cut loses a second at most.
    saveSoon_.setSingleShot(true);
    saveSoon_.setInterval(kSaveDelayMs);
    connect(&saveSoon_, &QTimer::timeout, this, &SettingsStore::save);
}

QString SettingsStore::path() const
{
    return platform::settingsFile(QStringLiteral("config.txt"));
}

Settings SettingsStore::load()
{
    const SettingsLoad load = loadSettingsFile(path(), model_.settings());
    if (!load.error.isEmpty())
        warn(load.error);
    // A file that could not be read is never written over: it may hold what the user needs.
    fileKept_ = load.outcome == LoadOutcome::NotLoaded;
    return load.settings;
}

void SettingsStore::saveChanges()
{
    for (const auto changed : {&Model::settingsChanged, &Model::settingsEdited})
        connect(&model_, changed, &saveSoon_, qOverload<>(&QTimer::start));
}

void SettingsStore::save()
{
    saveSoon_.stop();
    QString error;
    if (saveSettingsFile(model_.settings(),
                         fileKept_ ? path() + QStringLiteral(".unsaved") : path(), &error)) {
        model_.setSaveProblem({});
        return;
    }
    warn(QStringLiteral("the settings could not be saved: %1").arg(error));
    model_.setSaveProblem(error);
}

} // namespace quillet
