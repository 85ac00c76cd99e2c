#pragma once

#include "recording/Reading.h"

#include <QByteArrayView>

#include <variant>

// Reads a PREFIX/reading message back into the reading it was made from, the inverse of
// MessagePayload::reading: {"time":"2026-12-07T14:05:09.123+01:00","elevation":12.5,
// "azimuth":null}. The time is read exactly as the recording's rows are; a value is a finite
// number, or null (or absent) for a missing one, which reads as NaN. Keys it does not know are
// passed over, so a later publisher may add some. Anything else arrived from the network and is
// refused with what was wrong, never taken for a reading.
namespace ReadingPayload
{

enum class Problem {
    TooLarge,    // longer than any reading's message can be
    NotAnObject, // not JSON, or JSON but not an object
    BadTime,     // no "time", or not a time in the recording's form
    BadValue,    // a value that is not a finite number or null
};

// A reading is under 100 bytes; this leaves room for keys added later.
constexpr qsizetype MaxBytes = 1024;

std::variant<Reading, Problem> parse(QByteArrayView payload);

} // namespace ReadingPayload
