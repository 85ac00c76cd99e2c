#include "sim/OutputPacer.h"

#include "sim/PtyEndpoint.h"

#include <QTimer>

#include <limits>

OutputPacer::OutputPacer(PtyEndpoint *line, Pacing pacing, QObject *parent)
    : QObject(parent), line_(line), pacing_(pacing), tick_(new QTimer(this)),
      pause_(new QTimer(this))
{
    tick_->setTimerType(Qt::PreciseTimer);
    tick_->setInterval(pacing_.batchMs > 0 ? pacing_.batchMs : 1);
    connect(tick_, &QTimer::timeout, this, &OutputPacer::pump);
    pause_->setSingleShot(true);
    pause_->setTimerType(Qt::PreciseTimer);
    connect(pause_, &QTimer::timeout, this, [this] {
        restartPiece();
        tick_->start();
    });
}

void OutputPacer::send(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    const bool idle = queue_.isEmpty();
    queue_.append(bytes);
    if (idle && !pause_->isActive()) {
        restartPiece();
        tick_->start();
    }
}

void OutputPacer::restartPiece()
{
    clock_.start();
    sentSinceStart_ = 0;
    pieceLeft_ = pacing_.chunk > 0 ? pacing_.chunk : std::numeric_limits<qint64>::max();
}

void OutputPacer::pump()
{
    qint64 due = queue_.size();
    if (pacing_.paced)
        due = qMin(due, clock_.nsecsElapsed() / byteNs + 1 - sentSinceStart_);
    due = qMin(due, pieceLeft_);
    if (due > 0) {
        const qsizetype taken = line_->write(queue_.left(due));
        queue_.remove(0, taken);
        sentSinceStart_ += taken;
        written_ += taken;
        pieceLeft_ -= taken;
    }

    if (queue_.isEmpty()) {
        tick_->stop();
        emit drained();
        return;
    }
    if (pieceLeft_ == 0) {
        tick_->stop();
        pause_->start(pacing_.chunkPauseMs);
    }
}
