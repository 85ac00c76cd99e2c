#include "device/CommandTransaction.h"

#include "device/DeviceProtocol.h"
#include "device/ReplyClassifier.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/EventWait.h"
#include "platform/serial/SerialControl.h"

namespace
{

// Marks the transaction busy for one exchange.
class BusyScope
{
public:
    explicit BusyScope(bool &busy) : busy_(busy) { busy_ = true; }
    ~BusyScope() { busy_ = false; }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    bool &busy_;
};

} // namespace

CommandTransaction::CommandTransaction(SerialControl &port, EventWait &wait, const Clock &clock)
    : port_(port), wait_(wait), clock_(clock)
{
}

void CommandTransaction::cancel()
{
    cancelled_ = true;
    wait_.interrupt();
}

bool CommandTransaction::canStart() const
{
    return !busy_ && !cancelled_ && port_.PortOpen();
}

template <typename Complete>
CommandTransaction::Stop CommandTransaction::collect(QByteArray &accumulated, double limit,
                                                     Complete complete)
{
    const double start = clock_.elapsedSeconds();
    for (;;) {
        wait_.processEvents(CycleMs);
        const QByteArray arrived = port_.Input();
        // A reply that completes in the cycle in which the time runs out still counts. Text
        // that was incomplete stays so until more arrives.
        if (!arrived.isEmpty()) {
            accumulated += arrived;
            if (complete(accumulated))
                return Stop::Complete;
        }
        if (cancelled_ || !port_.PortOpen())
            return Stop::Abandoned;
        if (clock_.elapsedSeconds() - start > limit)
            return Stop::TimedOut;
    }
}

QString CommandTransaction::SendCommand(const QString &command)
{
    if (!canStart())
        return noReplyResult({});
    BusyScope scope(busy_);

    // Whatever waited before the command cannot be taken for its reply.
    port_.setInBufferCount(0);
    port_.Input();
    port_.setOutput(DeviceProtocol::toWire(command) + DeviceProtocol::LineEnd);

    QByteArray accumulated;
    ReplyVerdict verdict;
    collect(accumulated, ReplyLimit, [&verdict](const QByteArray &text) {
        verdict = classifyReply(text);
        return verdict.isComplete();
    });
    return verdict.isComplete() ? verdict.result : noReplyResult(accumulated);
}

QByteArray CommandTransaction::ReadStatusReply()
{
    if (!canStart())
        return {};
    BusyScope scope(busy_);

    // Not emptied first: a late answer to an earlier command stays in front of the status.
    port_.setOutput(DeviceProtocol::toWire(DeviceProtocol::StatusQuery) + DeviceProtocol::LineEnd);

    QByteArray collected;
    collect(collected, StatusLimit,
            [](const QByteArray &text) { return text.contains(DeviceProtocol::Acknowledgement); });
    return collected;
}
