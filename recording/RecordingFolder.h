#pragma once

#include <QString>
#include <QStringList>

// The recordings folder: one file a local day, named YYYY-MM-DD.csv, and a cap on the folder's
// size kept by deleting the oldest whole days. A second program recording into the same folder
// on the same day writes YYYY-MM-DD-2.csv (then -3, ...): readings of two devices never share a
// file. A day file's events, when there are any, are in "<day file's base>.events.csv".
namespace RecordingFolder
{

// 2 GiB.
constexpr qint64 DefaultCapBytes = qint64(2) << 30;

// QStandardPaths::AppLocalDataLocation + "/recordings" (AppDataLocation's folder, but never
// the roaming one on Windows).
QString defaultPath();
// "<folder>/<day>.csv" for a day "YYYY-MM-DD"; "<folder>/<day>-<copy>.csv" from the second copy.
QString dayFilePath(const QString &folder, const QString &day, int copy = 1);
// True for a day file's name: "YYYY-MM-DD.csv" or "YYYY-MM-DD-N.csv" (N from 2, no leading
// zero), and nothing else (not an events file, not a lock file).
bool isDayFileName(const QString &name);
// The copy number of a day file's name (1 for "YYYY-MM-DD.csv"), 0 for any other name.
int copyOf(const QString &name);
// "<base>.events.csv" for a day file "<base>.csv".
QString eventsFileName(const QString &dayFileName);

struct Pruned {
    qint64 folderBytes = 0; // what the folder holds afterwards
    QStringList deleted;    // file names, oldest first
    QStringList failed;     // day files that could not be deleted
};

// While the folder's files together exceed capBytes, deletes the oldest day's files (its day
// files, each with its events file), never those of keepDay ("YYYY-MM-DD"). Other files count
// towards the size but are never deleted; lock files do not count.
Pruned prune(const QString &folder, qint64 capBytes, const QString &keepDay);

} // namespace RecordingFolder
