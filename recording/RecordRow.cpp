#include "recording/RecordRow.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace
{

constexpr qint64 MsecsPerDay = 86400 * 1000;

// Floor division, for times before 1970 and negative offsets.
qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

struct CivilDate {
    qint64 year;
    int month;
    int day;
};

// Days since 1970-01-01 to the proleptic Gregorian date (H. Hinnant's algorithm).
CivilDate civilFromDays(qint64 z)
{
    z += 719468;
    const qint64 era = floorDiv(z, 146097);
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const int day = int(doy - (153 * mp + 2) / 5 + 1);
    const int month = int(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (month <= 2), month, day};
}

qint64 daysFromCivil(qint64 year, int month, int day)
{
    year -= month <= 2;
    const qint64 era = floorDiv(year, 400);
    const qint64 yoe = year - era * 400;
    const qint64 doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

qint64 localMsecs(const Reading &r)
{
    return r.msecsSinceEpoch + qint64(r.utcOffsetSeconds) * 1000;
}

void appendDigits(char *&p, qint64 value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        p[i] = char('0' + value % 10);
        value /= 10;
    }
    p += width;
}

void appendValue(QByteArray &out, double value)
{
    if (!std::isfinite(value))
        return;
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

// Reads width digits at p; -1 when one is not a digit.
int readDigits(const char *p, int width)
{
    int value = 0;
    for (int i = 0; i < width; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return -1;
        value = value * 10 + (p[i] - '0');
    }
    return value;
}

// An empty field is NaN; anything else must be a whole finite number in plain or exponent form.
bool parseValue(QByteArrayView field, double &value)
{
    if (field.isEmpty()) {
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    const char *begin = field.data();
    const char *end = begin + field.size();
    const auto result = std::from_chars(begin, end, value);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

// "YYYY-MM-DDTHH:MM:SS.mmm" then "Z" or "+HH:MM" / "-HH:MM".
bool parseTime(QByteArrayView field, Reading &reading)
{
    constexpr qsizetype Stamp = 23;
    if (field.size() != Stamp + 1 && field.size() != Stamp + 6)
        return false;
    const char *p = field.data();
    if (p[4] != '-' || p[7] != '-' || p[10] != 'T' || p[13] != ':' || p[16] != ':' || p[19] != '.')
        return false;
    const int year = readDigits(p, 4), month = readDigits(p + 5, 2), day = readDigits(p + 8, 2);
    const int hour = readDigits(p + 11, 2), minute = readDigits(p + 14, 2);
    const int second = readDigits(p + 17, 2), msec = readDigits(p + 20, 3);
    if (year < 0 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 59 || msec < 0)
        return false;
    static constexpr int MonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > MonthDays[month - 1] || (month == 2 && day == 29 && !leap))
        return false;
    int offset = 0;
    const char *z = p + Stamp;
    if (field.size() == Stamp + 1) {
        if (*z != 'Z')
            return false;
    } else {
        const int oh = readDigits(z + 1, 2), om = readDigits(z + 4, 2);
        if ((z[0] != '+' && z[0] != '-') || z[3] != ':' || oh < 0 || oh > 23 || om < 0 || om > 59)
            return false;
        offset = (oh * 3600 + om * 60) * (z[0] == '-' ? -1 : 1);
    }
    const qint64 local = daysFromCivil(year, month, day) * MsecsPerDay +
                         ((hour * 60 + minute) * 60 + second) * qint64(1000) + msec;
    reading.msecsSinceEpoch = local - qint64(offset) * 1000;
    reading.utcOffsetSeconds = offset;
    return true;
}

} // namespace

namespace RecordRow
{

QByteArray header()
{
    return QByteArrayLiteral("time,elevation,azimuth\r\n");
}

bool isHeader(QByteArrayView line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    return line == QByteArrayView("time,elevation,azimuth");
}

void append(QByteArray &out, const Reading &reading)
{
    const qint64 local = localMsecs(reading);
    const qint64 days = floorDiv(local, MsecsPerDay);
    const qint64 msOfDay = local - days * MsecsPerDay;
    const CivilDate date = civilFromDays(days);
    const int offset = reading.utcOffsetSeconds;
    const int absOffset = offset < 0 ? -offset : offset;

    char stamp[32];
    char *p = stamp;
    appendDigits(p, date.year < 0 ? 0 : date.year % 10000, 4);
    *p++ = '-';
    appendDigits(p, date.month, 2);
    *p++ = '-';
    appendDigits(p, date.day, 2);
    *p++ = 'T';
    appendDigits(p, msOfDay / 3600000, 2);
    *p++ = ':';
    appendDigits(p, msOfDay / 60000 % 60, 2);
    *p++ = ':';
    appendDigits(p, msOfDay / 1000 % 60, 2);
    *p++ = '.';
    appendDigits(p, msOfDay % 1000, 3);
    *p++ = offset < 0 ? '-' : '+';
    appendDigits(p, absOffset / 3600, 2);
    *p++ = ':';
    appendDigits(p, absOffset / 60 % 60, 2);
    out.append(stamp, p - stamp);
    out.append(',');
    appendValue(out, reading.elevation);
    out.append(',');
    appendValue(out, reading.azimuth);
    out.append("\r\n", 2);
}

std::optional<Reading> parse(QByteArrayView line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    const qsizetype firstComma = line.indexOf(',');
    if (firstComma < 0)
        return std::nullopt;
    const qsizetype secondComma = line.indexOf(',', firstComma + 1);
    if (secondComma < 0 || line.indexOf(',', secondComma + 1) >= 0)
        return std::nullopt;
    Reading reading;
    if (!parseTime(line.first(firstComma), reading) ||
        !parseValue(line.sliced(firstComma + 1, secondComma - firstComma - 1), reading.elevation) ||
        !parseValue(line.sliced(secondComma + 1), reading.azimuth))
        return std::nullopt;
    return reading;
}

QByteArray localDate(const Reading &reading)
{
    const CivilDate date = civilFromDays(localDayNumber(reading));
    char text[10];
    char *p = text;
    appendDigits(p, date.year < 0 ? 0 : date.year % 10000, 4);
    *p++ = '-';
    appendDigits(p, date.month, 2);
    *p++ = '-';
    appendDigits(p, date.day, 2);
    return QByteArray(text, 10);
}

int localSecondOfDay(const Reading &reading)
{
    const qint64 local = localMsecs(reading);
    return int((local - localDayNumber(reading) * MsecsPerDay) / 1000);
}

qint64 localDayNumber(const Reading &reading)
{
    return floorDiv(localMsecs(reading), MsecsPerDay);
}

} // namespace RecordRow
