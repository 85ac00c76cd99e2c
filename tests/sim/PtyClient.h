#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QString>

// The program's end of the simulator's terminal, in plain POSIX calls, so the simulator is
// tested without the serial control. Waits block in poll() with a time limit.
class PtyClient
{
public:
    PtyClient() = default;
    PtyClient(const PtyClient &) = delete;
    PtyClient &operator=(const PtyClient &) = delete;
    ~PtyClient() { close(); }

    bool open(const QString &path);
    void close();

    bool write(const QByteArray &bytes);

    // Everything that arrives within ms milliseconds.
    QByteArray readFor(int ms);
    // Reads until the text received holds `end`, or timeoutMs have passed.
    QByteArray readUntil(const QByteArray &end, int timeoutMs);

    struct Piece {
        qint64 atMs; // since the call began
        QByteArray bytes;
    };
    // What arrives within ms milliseconds, read by read.
    QList<Piece> readPieces(int ms);

    // Waits for the far side to hang up (end of file or an error on reading).
    bool waitForHangUp(int timeoutMs);

private:
    // What one read brings within the deadline; empty when nothing came or the line closed.
    QByteArray readOnce(const QDeadlineTimer &deadline);

    int fd_ = -1;
};
