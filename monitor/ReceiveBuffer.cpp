#include "monitor/ReceiveBuffer.h"

#include <algorithm>

void ReceiveBuffer::append(QByteArrayView input)
{
    if (input.size() >= capacity_) {
        // Only the newest characters can stay; a CR ending the old text cannot pair with them
        // any more than with what it held before, since the kept text starts inside the input.
        data_ = input.sliced(input.size() - capacity_).toByteArray();
        start_ = 0;
        searched_ = 0;
        return;
    }
    compact();
    data_.append(input);
    const qsizetype excess = size() - capacity_;
    if (excess > 0) {
        start_ += excess;
        if (searched_ < start_)
            searched_ = start_;
    }
}

bool ReceiveBuffer::takeLine(QByteArray &line)
{
    // A CR at the end of the searched text may pair with an LF that came later, so the search
    // restarts one character back.
    const qsizetype from = std::max(start_, searched_ - 1);
    const qsizetype cr = data_.indexOf("\r\n", from);
    if (cr < 0) {
        searched_ = data_.size();
        return false;
    }
    line = QByteArray(data_.constData() + start_, cr + 1 - start_);
    start_ = cr + 2;
    searched_ = start_;
    return true;
}

void ReceiveBuffer::compact()
{
    // Moving the unconsumed tail to the front costs its length; doing it only once the consumed
    // part is at least as large keeps appends amortised constant per character.
    if (start_ == 0)
        return;
    if (start_ >= data_.size()) {
        data_.truncate(0); // keeps the allocation for the next line
        searched_ = 0;
        start_ = 0;
        return;
    }
    if (start_ < data_.size() - start_ && start_ < 4096)
        return;
    data_.remove(0, start_);
    searched_ = std::max<qsizetype>(0, searched_ - start_);
    start_ = 0;
}
