#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>

// The simulator's log: one line per received command or event, flushed at once, as
// "<ms since start> <hh:mm:ss.zzz> <kind> <text>", kind one of rx, reply, event. Bytes
// outside printable ASCII are written as \r, \n or \xHH.
class SimLog
{
public:
    // No file name: logs nothing.
    bool open(const QString &path, QString *error);

    void received(const QByteArray &line) { write("rx", line); }
    void replied(const QByteArray &reply) { write("reply", reply); }
    void event(const QByteArray &text) { write("event", text); }

    static QByteArray escaped(const QByteArray &bytes);

private:
    void write(const char *kind, const QByteArray &text);

    QFile file_;
    QElapsedTimer clock_;
};
