// The reader of readings from the broker: any bytes, as a message on PREFIX/reading. It must hold
// that
// - nothing crashes, hangs or grows without bound;
// - nothing longer than ReadingPayload::MaxBytes is read;
// - a reading it takes, published again, reads back as the same reading.
#include "publish/MessagePayload.h"
#include "publish/ReadingPayload.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{

void require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

bool sameValue(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto parsed = ReadingPayload::parse(bytes);
    const Reading *reading = std::get_if<Reading>(&parsed);
    if (!reading)
        return 0;
    require(bytes.size() <= ReadingPayload::MaxBytes, "an oversized message is refused");
    require(!std::isinf(reading->elevation) && !std::isinf(reading->azimuth), "finite values");
    // The recording's form writes years 0000 to 9999: before 1970 a local offset can carry a
    // time into the year before the first it writes.
    if (reading->msecsSinceEpoch < 0)
        return 0;
    const auto again = ReadingPayload::parse(MessagePayload::reading(*reading));
    const Reading *back = std::get_if<Reading>(&again);
    require(back, "a reading published again is read");
    require(back->msecsSinceEpoch == reading->msecsSinceEpoch &&
                back->utcOffsetSeconds == reading->utcOffsetSeconds,
            "the same time");
    require(sameValue(back->elevation, reading->elevation) &&
                sameValue(back->azimuth, reading->azimuth),
            "the same values");
    return 0;
}
