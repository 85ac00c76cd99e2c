#include "sim/RecordGenerator.h"

#include <QStringBuilder>

#include <cmath>

RecordGenerator::RecordGenerator(quint32 seed, QByteArray fixed)
    : random_(seed), fixed_(std::move(fixed))
{
}

QByteArray RecordGenerator::next()
{
    if (!fixed_.isEmpty())
        return fixed_ + "\r\n";

    elevation_ += random_.bounded(1.0) - 0.5;
    if (elevation_ > 90.0)
        elevation_ = 180.0 - elevation_;
    if (elevation_ < -90.0)
        elevation_ = -180.0 - elevation_;
    azimuth_ = std::fmod(azimuth_ + random_.bounded(2.0) - 1.0 + 360.0, 360.0);

    return QByteArray::number(elevation_, 'f', 2) + ',' +
           QByteArray::number(azimuth_, 'f', 2).rightJustified(6, '0') + "\r\n";
}

QByteArray RecordGenerator::stamped(qint64 milliseconds)
{
    const double tenths = double(milliseconds % 60000) / 10.0;
    return QByteArray::number(tenths, 'f', 1).rightJustified(6, '0') + ",180.00\r\n";
}

QByteArray RecordGenerator::garbage()
{
    switch (random_.bounded(4)) {
    case 0:
        return randomBytes(1 + int(random_.bounded(8)));
    case 1:
        return "NOCOMMA 123456789\r\n"; // a line without a comma
    case 2:
        return "45.00;123.00\n"; // LF alone, no comma
    default:
        return "#\r"; // CR alone
    }
}

QByteArray RecordGenerator::randomBytes(int n)
{
    QByteArray bytes;
    bytes.reserve(n);
    while (bytes.size() < n) {
        const char c = char(random_.bounded(256));
        if (c != '\r' && c != '\n')
            bytes.append(c);
    }
    return bytes;
}
