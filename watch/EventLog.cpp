#include "watch/EventLog.h"

#include <QDir>

QString eventsFilePath(const QString &folder, const QString &recordingBase)
{
    return QDir(folder).filePath(recordingBase + QStringLiteral(".events.csv"));
}

EventLog::EventLog(const QString &folder, QObject *parent) : QObject(parent), folder_(folder) {}

EventLog::~EventLog() = default;

void EventLog::setBaseLookup(BaseLookup lookup)
{
    lookup_ = std::move(lookup);
}

void EventLog::append(const MonitorEvent &) {}

std::variant<QList<EventPeriod>, QString> readEventPeriods(const QString &)
{
    return QList<EventPeriod>{};
}
