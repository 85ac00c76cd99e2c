#include "recording/RecordingFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace RecordingFolder
{

QString defaultPath()
{
    // The local, not the roaming, data folder on Windows: a day of records is 250 MB. The same
    // folder as AppDataLocation elsewhere.
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/recordings");
}

QString dayFilePath(const QString &folder, const QString &day)
{
    return folder + QLatin1Char('/') + day + QStringLiteral(".csv");
}

bool isDayFileName(const QString &name)
{
    static constexpr char Pattern[] = "DDDD-DD-DD.csv";
    if (name.size() != qsizetype(sizeof Pattern - 1))
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (Pattern[i] == 'D' ? !(c >= u'0' && c <= u'9') : c != QLatin1Char(Pattern[i]))
            return false;
    }
    return true;
}

Pruned prune(const QString &folder, qint64 capBytes, const QString &keepDay)
{
    Pruned result;
    const QString keep = keepDay + QStringLiteral(".csv");
    QList<QFileInfo> days;
    const QFileInfoList files =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo &file : files) {
        result.folderBytes += file.size();
        if (isDayFileName(file.fileName()) && file.fileName() != keep)
            days.append(file);
    }
    // Names sort by date: the front of the list is the oldest day.
    for (const QFileInfo &day : std::as_const(days)) {
        if (result.folderBytes <= capBytes)
            break;
        if (QFile::remove(day.filePath())) {
            result.folderBytes -= day.size();
            result.deleted.append(day.fileName());
        } else {
            result.failed.append(day.fileName());
        }
    }
    return result;
}

} // namespace RecordingFolder
