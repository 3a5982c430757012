#pragma once

#include <QString>
#include <QStringList>

namespace quillet {

// Quillet's own files in its folders.
inline const QString kSettingsFileName = QStringLiteral("config.txt");
inline const QString kChangeLogName = QStringLiteral("ipchange.log");
inline const QString kLockFileName = QStringLiteral("quillet.lock");
inline const QString kDefaultAddressFileName = QStringLiteral("ip.txt");
inline const QString kDeliveryRecordName = QStringLiteral("deliveries.json");

// The copies of a settings file that is never written over: "config.txt.bak" first, then
// "config.txt.bak.2" and on; "config.txt.unsaved" alike.
inline constexpr int kMaxNumberedCopies = 99;
QString numberedCopy(const QString& name, const QString& suffix, int number);

// The names of every file of Quillet's own, "config.txt.bak.7" among them.
QStringList ownFileNames();

// A name the address file may take: a plain file name that stays inside the folder (no
// path separator, not "." or "..", no control character), and neither one of Quillet's own
// files nor a temporary sibling of one ("config.txt.Xq3bA9").
bool isUsableAddressFileName(const QString& name);

} // namespace quillet
