#pragma once

#include <QtGlobal>

// One recorded reading: the moment its line was handled and the two values the display read from
// it. A value that is missing (a line without an azimuth field) or that the display could not use
// (too large for a double) is NaN and is written as an empty field.
struct Reading {
    qint64 msecsSinceEpoch = 0;
    // The local clock's offset from UTC at that moment, in seconds east of Greenwich.
    int utcOffsetSeconds = 0;
    double elevation = 0;
    double azimuth = 0;
};
