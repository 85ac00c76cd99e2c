#include "watch/EventPeriods.h"

#include "watch/EventRow.h"

#include <QFile>

#include <array>

namespace
{

// Longer lines are no rows of ours.
constexpr qint64 MaxLine = 16 * 1024;

// Reads the next line into `line` (without its end); false at the end of the file. A line
// longer than MaxLine is skipped whole and comes back empty.
bool nextLine(QIODevice &file, QByteArray &line)
{
    line.clear();
    bool tooLong = false;
    char buffer[4096];
    while (true) {
        const qint64 n = file.readLine(buffer, sizeof buffer);
        if (n <= 0)
            return !line.isEmpty() || tooLong;
        if (!tooLong)
            line.append(buffer, n);
        if (line.size() > MaxLine) {
            tooLong = true;
            line.clear();
        }
        if (buffer[n - 1] == '\n') {
            if (tooLong)
                line.clear();
            return true;
        }
    }
}

} // namespace

std::variant<QList<EventPeriod>, QString> readEventPeriods(const QString &eventsFilePath)
{
    QFile file(eventsFilePath);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    auto periods = readEventPeriods(static_cast<QIODevice &>(file));
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    return periods;
}

std::variant<QList<EventPeriod>, QString> readEventPeriods(QIODevice &file)
{
    QList<EventPeriod> periods;
    // Open periods: the no-readings one and one per quantity, as indexes into periods.
    std::array<qsizetype, 3> open{-1, -1, -1};
    const auto slot = [](MonitorEventKind kind, Quantity quantity) -> int {
        return kind == MonitorEventKind::NoReadingsStart || kind == MonitorEventKind::NoReadingsEnd
                   ? 0
                   : int(quantity);
    };
    QByteArray line;
    while (nextLine(file, line)) {
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        const auto head = EventRow::parseHead(line);
        if (!head)
            continue;
        switch (head->kind) {
        case MonitorEventKind::AlarmStart:
        case MonitorEventKind::NoReadingsStart: {
            if (head->kind == MonitorEventKind::AlarmStart && head->quantity == Quantity::None)
                break;
            qsizetype &index = open[slot(head->kind, head->quantity)];
            if (index >= 0 || periods.size() >= MaxEventPeriods)
                break;
            index = periods.size();
            periods.append({head->kind, head->quantity, head->time, {}});
            break;
        }
        case MonitorEventKind::AlarmEnd:
        case MonitorEventKind::NoReadingsEnd: {
            if (head->kind == MonitorEventKind::AlarmEnd && head->quantity == Quantity::None)
                break;
            qsizetype &index = open[slot(head->kind, head->quantity)];
            if (index >= 0)
                periods[index].end = head->time;
            index = -1;
            break;
        }
        case MonitorEventKind::StreamStart:
        case MonitorEventKind::StreamEnd:
            for (qsizetype &index : open) {
                if (index >= 0)
                    periods[index].end = head->time;
                index = -1;
            }
            break;
        default:
            break;
        }
    }
    return periods;
}
