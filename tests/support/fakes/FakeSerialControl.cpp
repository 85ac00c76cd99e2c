#include "FakeSerialControl.h"

void FakeSerialControl::setPortOpen(bool open)
{
    if (open == open_)
        return;
    if (open) {
        if (absentPorts.contains(port_)) {
            ++openFailures;
            lastError_ = absentReason;
            return;
        }
        lastError_.clear();
        open_ = true;
        ++opens;
    } else {
        open_ = false;
        ++closes;
    }
}

QByteArray FakeSerialControl::Input()
{
    QByteArray all;
    all.swap(inbox_);
    return all;
}

void FakeSerialControl::setOutput(const QByteArray &text)
{
    if (!open_)
        ++writesWhileClosed;
    writes.append({text, open_, port_});
}

void FakeSerialControl::setInBufferCount(short count)
{
    if (count == 0)
        inbox_.clear();
}

QByteArray FakeSerialControl::written() const
{
    QByteArray all;
    for (const Write &w : writes)
        all += w.text;
    return all;
}

void FakeSerialControl::deliver(const QByteArray &bytes)
{
    if (!open_ || bytes.isEmpty())
        return;
    inbox_ += bytes;
    emit inputArrived();
    if (threshold_ >= 1 && open_) {
        event_ = Receive;
        emit OnComm();
    }
}

void FakeSerialControl::hangUp(const QString &reason)
{
    if (!open_)
        return;
    open_ = false;
    ++closes;
    lastError_ = reason;
    event_ = DeviceLost;
    emit OnComm();
    emit deviceLost(reason);
}
