#pragma once

#include <QByteArray>
#include <QRandomGenerator>

// Live records as the device streams them: "elevation,azimuth" CR LF, the elevation slowly
// wandering within -90..90 and the azimuth within 0..360, two decimals each. The azimuth has
// three integer digits so that every record holds at least ten characters before its CR.
class RecordGenerator
{
public:
    explicit RecordGenerator(quint32 seed, QByteArray fixed = {});

    QByteArray next();
    // A record whose elevation is the given time, in milliseconds modulo a minute, in tenths
    // (1234.5 is 12,345 ms), so that a readout of one decimal changes with every record; always
    // 15 bytes.
    static QByteArray stamped(qint64 milliseconds);
    // Bytes and broken lines that a noisy line might carry, none of them a valid record.
    QByteArray garbage();
    // n random bytes, none of them CR or LF.
    QByteArray randomBytes(int n);

private:
    QRandomGenerator random_;
    QByteArray fixed_;
    double elevation_ = 12.5;
    double azimuth_ = 180.0;
};
