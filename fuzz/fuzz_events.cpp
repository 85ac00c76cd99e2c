// The events file's reader: any bytes read back as periods for shading. It must hold that
// - nothing crashes, hangs or grows without bound;
// - every period begins at a valid time, and there are at most MaxEventPeriods;
// - every line taken as a row, written again as one, reads back as the same row.
#include "watch/EventPeriods.h"
#include "watch/EventRow.h"

#include <QBuffer>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{

// A header and a dozen rows, one of them overlong, and some binary among them.
constexpr std::size_t MaxEvents = 2048;

void require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > MaxEvents)
        size = MaxEvents;
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const auto read = readEventPeriods(buffer);
    require(std::holds_alternative<QList<EventPeriod>>(read), "a buffer always reads");
    const auto &periods = std::get<QList<EventPeriod>>(read);
    require(periods.size() <= MaxEventPeriods, "bounded periods");
    for (const EventPeriod &p : periods)
        require(p.begin.isValid(), "a period begins at a valid time");

    for (const QByteArray &line : bytes.split('\n')) {
        const auto head = EventRow::parseHead(line);
        if (!head)
            continue;
        MonitorEvent event;
        event.time = head->time;
        event.kind = head->kind;
        event.quantity = head->quantity;
        QByteArray row = EventRow::format(event);
        row.chop(2);
        const auto again = EventRow::parseHead(row);
        require(again.has_value(), "a row written again reads back");
        require(again->time == head->time &&
                    again->time.offsetFromUtc() == head->time.offsetFromUtc() &&
                    again->kind == head->kind && again->quantity == head->quantity,
                "a row written again reads back the same");
    }
    return 0;
}
