#include "app/Folders.h"

#include "app/SettingsFile.h"
#include "core/FileNames.h"
#include "platform/FileAccess.h"

#include <QFileInfo>

#include <unistd.h>

namespace quillet {

FolderChoice chooseFolders()
{
    const QString dir = platform::programDirectory();
    const bool writable = ::access(QFile::encodeName(dir).constData(), W_OK) == 0;
    const QString config = dir + QLatin1Char('/') + kSettingsFileName;
    // Enough of it to tell: its box lines come early.
    const platform::FileRead file = platform::readOwnFile(config, 64 * 1024);
    if (file.exists) {
        // Another program's config.txt beside a copied binary is not ours to rewrite; one
        // that cannot be read may be ours, and is left alone (the settings store says so).
        if (file.ok && !readsAsSettings(file.bytes))
            return {platform::userFolders(), {}};
        if (!writable)
            return {{dir, dir},
                    QStringLiteral("%1 cannot be written: no setting, address or change is kept")
                        .arg(dir)};
        return {{dir, dir}, {}};
    }
    if (writable && !platform::isProgramsFolder(dir))
        return {{dir, dir}, {}};
    return {platform::userFolders(), {}};
}

} // namespace quillet
