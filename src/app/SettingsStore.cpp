#include "app/SettingsStore.h"

#include "app/SettingsFile.h"
#include "core/FileNames.h"
#include "core/Model.h"
#include "platform/DiskQueue.h"
#include "platform/Log.h"

#include <QFileInfo>

namespace quillet {

namespace {

// The longest file worth reading: every setting at its longest, with its line end, and as
// much again for lines a newer version adds.
constexpr qint64 kMaxFileBytes = 2 * qint64(kSettingLines) * (kMaxSettingChars * 3 + 2);

// The first of "name.suffix", "name.suffix.2" … that holds nothing, or `bytes` already.
QString freeCopy(const QString& folder, const QString& suffix, const QByteArray& bytes = {})
{
    for (int number = 1; number <= kMaxNumberedCopies; ++number) {
        const QString path =
            folder + QLatin1Char('/') + numberedCopy(kSettingsFileName, suffix, number);
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            return path;
        if (!bytes.isEmpty() && info.size() == bytes.size()) {
            const platform::FileRead copy = platform::readOwnFile(path, bytes.size());
            if (copy.ok && !copy.cut && copy.bytes == bytes)
                return path;
        }
    }
    return {};
}

} // namespace

SettingsStore::SettingsStore(Model& model, const QString& folder, QObject* parent)
    : QObject(parent)
    , model_(model)
    , folder_(folder)
{
    // Saved shortly after the last change, so a crash or a power cut loses a second at most.
    saveSoon_.setSingleShot(true);
    saveSoon_.setInterval(kSaveDelayMs);
    connect(&saveSoon_, &QTimer::timeout, this, &SettingsStore::saveLater);
}

QString SettingsStore::path() const
{
    return folder_ + QLatin1Char('/') + kSettingsFileName;
}

QString SettingsStore::target() const
{
    return outcome_ == Outcome::Kept ? unsaved_ : path();
}

QString SettingsStore::keepCopy(const QByteArray& bytes, QString* error) const
{
    const QString copy = freeCopy(folder_, QStringLiteral(".bak"), bytes);
    if (copy.isEmpty()) {
        *error = QStringLiteral("no free name for a copy beside it");
        return {};
    }
    const QFileInfo info(copy);
    if (info.exists() && info.size() == bytes.size()) // already kept
        return copy;
    return platform::writeOwnFile(copy, bytes, error) ? copy : QString();
}

Settings SettingsStore::load(const Settings& settings)
{
    const platform::FileRead file = platform::readOwnFile(path(), kMaxFileBytes);
    QString problem;
    Settings loaded = settings;
    if (!file.exists || (file.ok && file.bytes.isEmpty())) {
        outcome_ = Outcome::Missing;
    } else if (!file.ok || file.cut) {
        outcome_ = Outcome::Kept;
        problem =
            file.ok ? QStringLiteral("%1 is larger than any settings file; not loaded").arg(path())
                    : file.error;
    } else if (const ParsedSettings parsed = parseSettings(file.bytes, settings); parsed.whole) {
        outcome_ = Outcome::Loaded;
        loaded = parsed.settings;
        laterLines_ = parsed.laterLines;
    } else if (const QStringList lines = settingsLines(file.bytes);
               std::any_of(lines.cbegin(), lines.cend(),
                           [](const QString& line) { return line.size() > kMaxSettingChars; })) {
        outcome_ = Outcome::Kept;
        problem = QStringLiteral("%1: a line is longer than %2 characters; not loaded")
                      .arg(path())
                      .arg(kMaxSettingChars);
    } else {
        // Too short to load: replaced only once it is kept whole.
        QString error;
        const QString copy = keepCopy(file.bytes, &error);
        outcome_ = copy.isEmpty() ? Outcome::Kept : Outcome::Replaced;
        problem = copy.isEmpty()
                      ? QStringLiteral("%1 is too short to load, and could not be kept: %2")
                            .arg(path(), error)
                      : QStringLiteral("%1 was too short to load; kept as %2").arg(path(), copy);
    }
    if (outcome_ == Outcome::Kept) {
        unsaved_ = freeCopy(folder_, QStringLiteral(".unsaved"));
        problem += unsaved_.isEmpty()
                       ? QStringLiteral("; this session's settings cannot be kept")
                       : QStringLiteral("; it is left as it is, and this session's settings go "
                                        "to %1")
                             .arg(unsaved_);
    }
    if (!problem.isEmpty()) {
        warn(problem);
        model_.setProblem(Model::Problem::Settings, problem);
    }
    return loaded;
}

void SettingsStore::saveChanges()
{
    for (const auto changed : {&Model::settingsChanged, &Model::settingsEdited})
        connect(&model_, changed, &saveSoon_, qOverload<>(&QTimer::start));
}

bool SettingsStore::save()
{
    saveSoon_.stop();
    QString error = QStringLiteral("no free name beside %1").arg(path());
    const bool ok =
        !target().isEmpty() &&
        platform::writeOwnFile(target(), settingsText(model_.settings(), laterLines_), &error);
    saved(ok ? QString() : error);
    return ok;
}

void SettingsStore::saveLater()
{
    if (target().isEmpty())
        return saved(QStringLiteral("no free name beside %1").arg(path()));
    platform::writeOwnFileLater(target(), settingsText(model_.settings(), laterLines_))
        .then(this, [this](const QString& error) { saved(error); });
}

void SettingsStore::saved(const QString& error)
{
    if (error.isNull()) {
        model_.setProblem(Model::Problem::Save, {});
        return;
    }
    warn(QStringLiteral("the settings could not be saved: %1").arg(error));
    model_.setProblem(Model::Problem::Save, QStringLiteral("Settings not saved: ") + error);
}

} // namespace quillet
