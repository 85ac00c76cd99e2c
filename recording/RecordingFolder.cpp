#include "recording/RecordingFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace RecordingFolder
{

namespace
{

constexpr qsizetype DayLength = 10; // "YYYY-MM-DD"

bool isDay(QStringView text)
{
    static constexpr char Pattern[] = "DDDD-DD-DD";
    if (text.size() != DayLength)
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (Pattern[i] == 'D' ? !(c >= u'0' && c <= u'9') : c != QLatin1Char(Pattern[i]))
            return false;
    }
    return true;
}

} // namespace

QString defaultPath()
{
    // The local, not the roaming, data folder on Windows: a day of records is 250 MB. The same
    // folder as AppDataLocation elsewhere.
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/recordings");
}

QString dayFilePath(const QString &folder, const QString &day, int copy)
{
    const QString suffix = copy > 1 ? QLatin1Char('-') + QString::number(copy) : QString();
    return folder + QLatin1Char('/') + day + suffix + QStringLiteral(".csv");
}

int copyOf(const QString &name)
{
    const QStringView view(name);
    if (!view.endsWith(u".csv") || !isDay(view.first(qMin(DayLength, view.size()))))
        return 0;
    const QStringView rest = view.sliced(DayLength).chopped(4);
    if (rest.isEmpty())
        return 1;
    // Digits only: "-2" but not "-02", "-+2" or "-2.events".
    if (rest.size() < 2 || rest.size() > 6 || rest.at(0) != u'-' || rest.at(1) == u'0')
        return 0;
    for (const QChar c : rest.sliced(1)) {
        if (c < u'0' || c > u'9')
            return 0;
    }
    const int copy = rest.sliced(1).toInt();
    return copy >= 2 ? copy : 0;
}

bool isDayFileName(const QString &name)
{
    return copyOf(name) > 0;
}

QString eventsFileName(const QString &dayFileName)
{
    return dayFileName.chopped(4) + QStringLiteral(".events.csv");
}

Pruned prune(const QString &folder, qint64 capBytes, const QString &keepDay)
{
    Pruned result;
    QList<QFileInfo> days;
    const QDir dir(folder);
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &file : files) {
        const QString name = file.fileName();
        // A recording program's lock, a few bytes that come and go with it.
        if (name.endsWith(QStringLiteral(".lock")))
            continue;
        result.folderBytes += file.size();
        if (isDayFileName(name) && !name.startsWith(keepDay))
            days.append(file);
    }
    // Oldest day first, and a day's copies in their order ("-2" would sort before ".csv").
    std::sort(days.begin(), days.end(), [](const QFileInfo &a, const QFileInfo &b) {
        const QString nameA = a.fileName(), nameB = b.fileName();
        const int byDay =
            QStringView(nameA).first(DayLength).compare(QStringView(nameB).first(DayLength));
        return byDay != 0 ? byDay < 0 : copyOf(nameA) < copyOf(nameB);
    });
    for (const QFileInfo &day : std::as_const(days)) {
        if (result.folderBytes <= capBytes)
            break;
        if (!QFile::remove(day.filePath())) {
            result.failed.append(day.fileName());
            continue;
        }
        result.folderBytes -= day.size();
        result.deleted.append(day.fileName());
        // The day's events mean nothing without its readings.
        const QFileInfo events(dir.filePath(eventsFileName(day.fileName())));
        if (events.isFile() && QFile::remove(events.filePath())) {
            result.folderBytes -= events.size();
            result.deleted.append(events.fileName());
        }
    }
    return result;
}

} // namespace RecordingFolder
