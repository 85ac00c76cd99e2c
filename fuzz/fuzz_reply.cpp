// The reply path: a command transaction's classification of the accumulated reply and its value
// extraction, over arbitrary text that arrives in random pieces.
//
// Input: four bytes that choose the piece sizes, then the text the device sends. It must hold
// that
// - the verdict on a text agrees with its definition (an acknowledgement at the very start, a
//   value line in front of "OK" CR LF, a refusal anywhere) and a value is cut from the text;
// - SendCommand, fed the text in pieces one millisecond apart, returns the verdict on the first
//   piece boundary at which the text is complete, or ">>>" and everything when it never is;
// - the status read returns everything up to the piece that brought "OK" CR LF;
// - exactly one command is written, to an open port.
#include "FakeClock.h"
#include "FakeEventWait.h"
#include "FakeSerialControl.h"
#include "device/CommandTransaction.h"
#include "device/DeviceProtocol.h"
#include "device/ReplyClassifier.h"

#include <QList>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

constexpr std::size_t MaxReply = 128;

void require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

// The verdict on the text, checked against its definition.
ReplyVerdict checkedVerdict(const QByteArray &text)
{
    const ReplyVerdict verdict = classifyReply(text);
    const ReplyVerdict again = classifyReply(text);
    require(verdict.kind == again.kind && verdict.result == again.result, "verdict not pure");
    const qsizetype ack = text.indexOf(DeviceProtocol::Acknowledgement);
    const bool refusal = text.contains(DeviceProtocol::Refusal);
    switch (verdict.kind) {
    case ReplyVerdict::Acknowledged:
        require(ack == 0 && verdict.result == QLatin1String("OK"), "acknowledgement misread");
        break;
    case ReplyVerdict::Value: {
        require(ack >= 3, "value without a value line");
        const QByteArray line = text.left(ack - 2);
        const QByteArray value = DeviceProtocol::toWire(verdict.result);
        require(line.endsWith(value), "value not the end of its line");
        require(line.size() == value.size() || line[line.size() - value.size() - 1] == '=',
                "value not after the first '='");
        require(line.indexOf('=') < 0 || line.indexOf('=') == line.size() - value.size() - 1,
                "value cut at a later '='");
        break;
    }
    case ReplyVerdict::Refused:
        require(refusal && ack != 0 && ack < 3 && verdict.result == QLatin1String("ERROR"),
                "refusal misread");
        break;
    case ReplyVerdict::Incomplete:
        require(!refusal && (ack < 0 || ack == 1 || ack == 2), "complete reply missed");
        break;
    }
    return verdict;
}

std::vector<qsizetype> cutPoints(std::uint32_t seed, qsizetype size)
{
    std::vector<qsizetype> ends;
    ends.reserve(std::size_t(size));
    std::uint32_t state = seed | 1u;
    const std::uint32_t largest = 1 + (seed >> 24) % 64;
    for (qsizetype at = 0; at < size;) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        at = std::min<qsizetype>(size, at + 1 + state % largest);
        ends.push_back(at);
    }
    return ends;
}

// The first `size` characters of text, without a copy: text outlives every use of it here.
QByteArray prefix(const QByteArray &text, qsizetype size)
{
    return QByteArray::fromRawData(text.constData(), size);
}

struct Device {
    FakeClock clock;
    FakeSerialControl port;
    FakeEventWait wait{clock, port};
    CommandTransaction transaction{port, wait, clock};

    // The transaction starts now and gives up after `limit` seconds.
    Device(const QList<QByteArray> &pieces, double limit)
    {
        port.setPortOpen(true);
        wait.reserve(pieces.size());
        for (qsizetype i = 0; i < pieces.size(); ++i)
            wait.deliverAfter(0.001 * double(i + 1), pieces[i]);
        // The silence after the last piece up to the time limit takes one wait call, not a
        // hundred or more; the transaction sees the same clock at every piece and at its end.
        wait.skipIdleCycles(clock.elapsed, limit);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return 0;
    std::uint32_t seed;
    std::memcpy(&seed, data, sizeof seed);
    // Replies are short: a value line, or the status's few lines. Every piece costs wait cycles
    // and a classification of all that came before it, so a longer text only slows the search
    // down without reaching anything new; 128 pieces one millisecond apart all arrive within
    // the time limit.
    const QByteArray text(reinterpret_cast<const char *>(data + 4),
                          qsizetype(std::min<std::size_t>(size - 4, MaxReply)));
    checkedVerdict(text);
    const std::vector<qsizetype> ends = cutPoints(seed, text.size());

    // Cut once for both transactions: the port takes each piece without copying it.
    QList<QByteArray> pieces;
    pieces.reserve(qsizetype(ends.size()));
    qsizetype from = 0;
    for (const qsizetype end : ends) {
        pieces.append(text.mid(from, end - from));
        from = end;
    }

    QString expected = noReplyResult(text);
    for (const qsizetype end : ends) {
        const ReplyVerdict verdict = checkedVerdict(prefix(text, end));
        if (verdict.isComplete()) {
            expected = verdict.result;
            break;
        }
    }
    {
        Device device(pieces, CommandTransaction::ReplyLimit);
        const QString result = device.transaction.SendCommand(QStringLiteral("!RANGE?"));
        require(result == expected, "transaction result differs from the verdict");
        require(device.port.writes.size() == 1 && device.port.writesWhileClosed == 0,
                "not exactly one command written to the open port");
        require(device.port.writes[0].text == "!RANGE?\r\n", "command mangled");
        require(!device.transaction.busy(), "transaction left busy");
    }

    QByteArray status = text;
    for (const qsizetype end : ends) {
        if (prefix(text, end).contains(DeviceProtocol::Acknowledgement)) {
            status = text.left(end);
            break;
        }
    }
    {
        Device device(pieces, CommandTransaction::StatusLimit);
        require(device.transaction.ReadStatusReply() == status, "status read differs");
        require(device.port.writes.size() == 1, "not exactly one status query written");
    }
    return 0;
}
