#include "platform/runtime/SystemClock.h"

QDateTime SystemClock::now() const
{
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    // Offsets change only at a whole second (a zone's transitions fall on one), so the offset
    // looked up for this second holds for all of it.
    const qint64 second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    if (second != offsetSecond_) {
        offset_ = QDateTime::fromMSecsSinceEpoch(second * 1000).offsetFromUtc();
        offsetSecond_ = second;
    }
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, offset_);
}
