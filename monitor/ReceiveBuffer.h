#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The text that collects serial input until a CR LF ends a line. It is never cleared: a partial
// line left at Stop is joined to what arrives after the next Start. It is bounded: a stream
// without CR LF (a wrong baud rate, a broken device) keeps only its newest `capacity`
// characters.
class ReceiveBuffer
{
public:
    static constexpr qsizetype DefaultCapacity = 64 * 1024;

    explicit ReceiveBuffer(qsizetype capacity = DefaultCapacity) : capacity_(capacity) {}

    void append(QByteArrayView input);

    // Cuts the text before the first CR LF, with its CR and without its LF, into `line` and
    // keeps what follows the LF. False, and nothing cut, when no CR LF waits.
    bool takeLine(QByteArray &line);

    qsizetype size() const { return data_.size() - start_; }
    qsizetype capacity() const { return capacity_; }
    QByteArrayView text() const { return QByteArrayView(data_).sliced(start_); }

private:
    void compact();

    QByteArray data_;
    qsizetype start_ = 0;    // characters before it are consumed
    qsizetype searched_ = 0; // no CR LF starts before it (relative to data_)
    qsizetype capacity_;
};
