#include "chartdata/ChartTime.h"

#include <QTimeZone>
#include <array>
#include <cmath>

namespace
{

constexpr qint64 DayMs = 86400000;
constexpr qint64 HalfDayMs = DayMs / 2;

int offsetAtMs(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs).offsetFromUtc();
}

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// The local date of an instant, as days since 1970-01-01.
qint64 localDay(qint64 msecs, int offset)
{
    return floorDiv(msecs + qint64(offset) * 1000, DayMs);
}

// The instants whose local date and time of day are day and msOfDay (none in a skipped hour,
// two in a repeated one), later first.
std::array<qint64, 2> instantsAt(qint64 day, qint64 msOfDay, int &count)
{
    const qint64 naive = day * DayMs + msOfDay;
    // Offsets lie within a day of UTC: the ones in force around that local time cover it.
    std::array<int, 3> offsets = {offsetAtMs(naive - DayMs), offsetAtMs(naive),
                                  offsetAtMs(naive + DayMs)};
    std::array<qint64, 2> found{};
    count = 0;
    for (const int offset : offsets) {
        const qint64 at = naive - qint64(offset) * 1000;
        if (offsetAtMs(at) != offset)
            continue;
        if ((count > 0 && found[0] == at) || (count > 1 && found[1] == at))
            continue;
        if (count < 2)
            found[static_cast<std::size_t>(count++)] = at;
    }
    if (count == 2 && found[1] > found[0])
        std::swap(found[0], found[1]);
    return found;
}

} // namespace

namespace ChartTime
{

qint64 toMsecs(double x)
{
    return std::llround(x * MsecsPerDay);
}

QDateTime toDateTime(double x, int offsetSeconds)
{
    return QDateTime::fromMSecsSinceEpoch(toMsecs(x), QTimeZone(offsetSeconds));
}

int localOffsetAt(double x)
{
    return offsetAtMs(toMsecs(x));
}

} // namespace ChartTime

TimeOfDayResolver::Instant TimeOfDayResolver::resolve(double timeOfDay,
                                                      const std::function<QDateTime()> &clock)
{
    // Records of one second (and the two traces of a record) share their time of day.
    if (any_ && timeOfDay == lastTimeOfDay_)
        return last_;
    lastTimeOfDay_ = timeOfDay;
    last_ = place(timeOfDay, clock);
    return last_;
}

TimeOfDayResolver::Instant TimeOfDayResolver::place(double timeOfDay,
                                                    const std::function<QDateTime()> &clock)
{
    const qint64 msOfDay = std::llround(timeOfDay * ChartTime::MsecsPerDay);
    if (any_) {
        const qint64 at = midnight_ + msOfDay;
        if (at >= from_ && at < to_ && at >= lastMsecs_) {
            lastMsecs_ = at;
            return {ChartTime::fromMsecs(at), lastOffset_};
        }
    }

    // The latest instant at or before now with that time of day: today's or an earlier day's.
    const QDateTime now = clock();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    const qint64 today = localDay(nowMs, now.offsetFromUtc());
    qint64 at = 0;
    bool found = false;
    for (qint64 day = today; day >= today - 2 && !found; --day) {
        int count = 0;
        const auto instants = instantsAt(day, msOfDay, count);
        for (int i = 0; i < count && !found; ++i) {
            if (instants[static_cast<std::size_t>(i)] <= nowMs) {
                at = instants[static_cast<std::size_t>(i)];
                found = true;
            }
        }
    }
    if (!found)
        at = today * DayMs + msOfDay - qint64(now.offsetFromUtc()) * 1000;

    if (any_ && at < lastMsecs_) {
        if (lastMsecs_ - at < HalfDayMs)
            return {ChartTime::fromMsecs(lastMsecs_), lastOffset_};
        // Far behind: the points ran ahead of the clock, and this one starts the next day.
        const qint64 day = localDay(lastMsecs_, lastOffset_) + 1;
        int count = 0;
        const auto instants = instantsAt(day, msOfDay, count);
        at = count > 0 ? instants[static_cast<std::size_t>(count - 1)]
                       : day * DayMs + msOfDay - qint64(lastOffset_) * 1000;
    }
    settle(at);
    return {ChartTime::fromMsecs(at), lastOffset_};
}

void TimeOfDayResolver::settle(qint64 msecs)
{
    any_ = true;
    lastMsecs_ = msecs;
    lastOffset_ = offsetAtMs(msecs);
    const qint64 day = localDay(msecs, lastOffset_);
    midnight_ = day * DayMs - qint64(lastOffset_) * 1000;
    // The stretch is the local day at this offset, cut where the offset changes (found by
    // halving: this runs once a day or a change, not once a point).
    qint64 lo = midnight_;
    qint64 hi = msecs;
    if (offsetAtMs(lo) != lastOffset_) {
        while (hi - lo > 1) {
            const qint64 mid = lo + (hi - lo) / 2;
            (offsetAtMs(mid) == lastOffset_ ? hi : lo) = mid;
        }
        lo = hi;
    }
    from_ = lo;
    lo = msecs;
    hi = midnight_ + DayMs;
    if (offsetAtMs(hi - 1) != lastOffset_) {
        while (hi - lo > 1) {
            const qint64 mid = lo + (hi - lo) / 2;
            (offsetAtMs(mid) == lastOffset_ ? lo : hi) = mid;
        }
    }
    to_ = hi;
}
