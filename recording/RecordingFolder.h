#pragma once

#include <QString>
#include <QStringList>

// The recordings folder: one file a local day, named YYYY-MM-DD.csv, and a cap on the folder's
// size kept by deleting the oldest whole days.
namespace RecordingFolder
{

// 2 GiB.
constexpr qint64 DefaultCapBytes = qint64(2) << 30;

// QStandardPaths::AppLocalDataLocation + "/recordings" (AppDataLocation's folder, but never
// the roaming one on Windows).
QString defaultPath();
// "<folder>/<day>.csv" for a day "YYYY-MM-DD".
QString dayFilePath(const QString &folder, const QString &day);
// True for a day file's name: "YYYY-MM-DD.csv" and nothing else.
bool isDayFileName(const QString &name);

struct Pruned {
    qint64 folderBytes = 0; // what the folder holds afterwards
    QStringList deleted;    // file names, oldest first
    QStringList failed;     // day files that could not be deleted
};

// While the folder's files together exceed capBytes, deletes the oldest day file, never the one
// of keepDay ("YYYY-MM-DD"). Other files count towards the size but are never deleted.
Pruned prune(const QString &folder, qint64 capBytes, const QString &keepDay);

} // namespace RecordingFolder
