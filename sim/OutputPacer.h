#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>

class PtyEndpoint;
class QTimer;

// Sends the device's output at the speed of a 9600,N,8,1 line (ten bits, about 1.04 ms, a
// byte), or at once when unpaced; optionally in pieces of a few bytes with pauses between.
class OutputPacer final : public QObject
{
    Q_OBJECT

public:
    struct Pacing {
        bool paced = true;
        int chunk = 0; // 0: no pieces
        int chunkPauseMs = 0;
        // Bytes reach the line in batches this often, at the line's average rate, as a USB
        // serial adapter hands on what its latency timer collected; 0: byte by byte.
        int batchMs = 0;
    };

    static constexpr qint64 byteNs = 10 * 1'000'000'000LL / 9600;

    OutputPacer(PtyEndpoint *line, Pacing pacing, QObject *parent = nullptr);

    void send(const QByteArray &bytes);
    qsizetype pending() const { return queue_.size(); }
    // Bytes handed to the line since the pacer was made.
    qint64 bytesWritten() const { return written_; }
    // Forgets what has not gone out yet.
    void discard() { queue_.clear(); }

signals:
    // Everything queued has gone out.
    void drained();

private:
    void pump();
    void restartPiece();

    PtyEndpoint *line_;
    Pacing pacing_;
    QByteArray queue_;
    QTimer *tick_;
    QTimer *pause_;
    QElapsedTimer clock_;
    qint64 sentSinceStart_ = 0;
    qint64 pieceLeft_ = 0;
    qint64 written_ = 0;
};
