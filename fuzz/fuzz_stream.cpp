// The live stream path: what arrives on the serial line, cut into pieces as reads deliver it,
// through the receive buffer, line cutting, field splitting and number reading.
//
// Input: four bytes that choose the piece sizes and the small buffer bound, then the stream.
// It must hold that
// - the bounded receive buffer keeps exactly what a plain "newest N characters" model keeps and
//   cuts the same lines, never holding more than its bound;
// - the receive handler, fed the same stream whole and in random pieces (down to single bytes),
//   plots the same points and leaves the needles at the same values;
// - no point, needle or cursor readout is ever infinite or NaN, however large a number is;
// - a number reads the same with or without the blanks it skips, and never as NaN.
#include "FakeClock.h"
#include "FakeDisplay.h"
#include "FakePrompts.h"
#include "FakeSerialControl.h"
#include "monitor/LiveMonitor.h"
#include "monitor/NumberReader.h"
#include "monitor/PortList.h"
#include "monitor/ReceiveBuffer.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

constexpr std::size_t MaxStream = 256;
static_assert(MaxStream < std::size_t(ReceiveBuffer::DefaultCapacity));

void require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

// Piece sizes from a seed: reproducible for one input, different between inputs.
class Pieces
{
public:
    Pieces(std::uint32_t seed, std::size_t largest) : state_(seed | 1u), largest_(largest) {}
    std::size_t next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return 1 + state_ % largest_;
    }

private:
    std::uint32_t state_;
    std::size_t largest_;
};

class OnePort final : public PortList
{
public:
    bool isChecked(int index) const override { return index == 0; }
    void setChecked(int, bool) override {}
};

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void checkBoundedBuffer(const std::uint8_t *data, std::size_t size, std::uint32_t seed,
                        qsizetype capacity)
{
    ReceiveBuffer buffer(capacity);
    std::string model;
    model.reserve(std::size_t(capacity) * 3 + 2);
    Pieces pieces(seed, 1 + std::size_t(capacity) * 2);
    QByteArray line;
    for (std::size_t at = 0; at < size;) {
        const std::size_t n = std::min(pieces.next(), size - at);
        const char *piece = reinterpret_cast<const char *>(data + at);
        at += n;
        buffer.append(QByteArrayView(piece, qsizetype(n)));
        model.append(piece, n);
        if (model.size() > std::size_t(capacity))
            model.erase(0, model.size() - std::size_t(capacity));
        require(buffer.size() <= capacity, "receive buffer over its bound");
        for (;;) {
            const std::size_t end = model.find("\r\n");
            const bool taken = buffer.takeLine(line);
            require(taken == (end != std::string::npos), "a line cut where the model has none");
            if (!taken)
                break;
            require(line == QByteArrayView(model.data(), qsizetype(end + 1)),
                    "a line differs from the model's");
            model.erase(0, end + 2);
        }
        require(buffer.text() == QByteArrayView(model.data(), qsizetype(model.size())),
                "kept text differs from the model's");
    }
}

struct Outcome {
    QList<FakeChart::Point> points;
    double elevation;
    double azimuth;
    int needleSets;
};

bool showsNonNumber(const QString &text)
{
    return text.contains(QLatin1String("inf"), Qt::CaseInsensitive) ||
           text.contains(QLatin1String("nan"), Qt::CaseInsensitive) || text.contains(u'\u221e');
}

// Whatever the lines held, no point, needle or cursor readout is infinite or not a number.
void requireShownFinite(LiveMonitor &monitor, FakeChart &chart, const FakeGauge &elevation,
                        const FakeGauge &azimuth)
{
    for (const FakeChart::Point &p : chart.points) {
        require(std::isfinite(p.y), "an infinite or NaN point plotted");
        // The readout with the cursor on that point.
        chart.cursorValues[p.trace & 1] = p.y;
    }
    require(std::isfinite(elevation.needle) && std::isfinite(azimuth.needle),
            "a needle set to an infinite or NaN value");
    monitor.Strip1CursorEvent();
    require(!showsNonNumber(chart.captions[0]) && !showsNonNumber(chart.captions[1]),
            "the cursor readout shows inf or nan");
}

// The receive handler with the port, chart and gauges around it, built once: building them for
// every run cost more than handling a short stream. Each run starts from what a new one shows.
class Monitor
{
public:
    Monitor() { monitor_.mnuStartClick(); }

    // Feeds the stream to the receive handler in pieces of the given sizes, and checks what it
    // shows when asked to.
    template <typename NextPiece>
    Outcome run(const QByteArray &stream, NextPiece nextPiece, bool checkShown)
    {
        forgetShown();
        // Room for every point: a record brings two at most and is longer than ten characters.
        chart_.points.reserve(stream.size() / 5 + 2);
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype n = std::min<qsizetype>(nextPiece(), stream.size() - at);
            // A view of the piece: the port copies what it receives.
            port_.deliver(QByteArray::fromRawData(stream.constData() + at, n));
            at += n;
            require(monitor_.receiveBuffer().size() <= monitor_.receiveBuffer().capacity(),
                    "receive handler's buffer over its bound");
        }
        if (checkShown)
            requireShownFinite(monitor_, chart_, elevation_, azimuth_);
        const Outcome outcome{chart_.points, elevation_.needle, azimuth_.needle,
                              elevation_.needleSets};
        // A CR LF ends the partial line the stream may have left, so that the receive buffer
        // holds nothing, as a new one holds nothing (it is never cleared otherwise). Done here
        // rather than before the next run, so that whatever it sets off belongs to this input.
        port_.deliver(QByteArrayLiteral("\r\n"));
        require(monitor_.receiveBuffer().size() == 0, "receive buffer not empty after CR LF");
        return outcome;
    }

private:
    // What the previous run left on the chart and the gauges.
    void forgetShown()
    {
        chart_.points.clear();
        chart_.current = 0;
        for (int i = 0; i < 2; ++i) {
            chart_.captions[i].clear();
            chart_.colors[i] = 0;
            chart_.cursorValues[i] = 0;
        }
        elevation_ = FakeGauge();
        azimuth_ = FakeGauge();
    }

    FakeSerialControl port_;
    FakeChart chart_;
    FakeGauge elevation_;
    FakeGauge azimuth_;
    OnePort ports_;
    FakeClock clock_;
    FakePrompts prompts_;
    LiveMonitor monitor_{{port_, chart_, elevation_, azimuth_, ports_, clock_, prompts_}};
};

void requireSame(const Outcome &a, const Outcome &b)
{
    require(a.points.size() == b.points.size(), "another number of points for other pieces");
    for (qsizetype i = 0; i < a.points.size(); ++i) {
        require(a.points[i].trace == b.points[i].trace, "another trace for other pieces");
        require(sameBits(a.points[i].y, b.points[i].y), "another value for other pieces");
    }
    require(a.needleSets == b.needleSets, "another number of needle moves for other pieces");
    require(sameBits(a.elevation, b.elevation) && sameBits(a.azimuth, b.azimuth),
            "other needle values for other pieces");
}

void checkNumbers(const QByteArray &text)
{
    // Every field of the text, as the handler would split it (at every comma, empty fields
    // included), read in place; the packed copy reuses one buffer.
    QByteArray packed;
    packed.reserve(text.size());
    for (qsizetype from = 0;;) {
        const qsizetype comma = text.indexOf(',', from);
        const QByteArrayView field =
            QByteArrayView(text).sliced(from, (comma < 0 ? text.size() : comma) - from);
        const double value = readNumber(field);
        require(!std::isnan(value), "a number read as NaN");
        packed.clear();
        for (const char c : field) {
            if (c != ' ' && c != '\t' && c != '\n')
                packed.append(c);
        }
        require(sameBits(value, readNumber(packed)), "skipped blanks changed a number");
        if (comma < 0)
            break;
        from = comma + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return 0;
    std::uint32_t seed;
    std::memcpy(&seed, data, sizeof seed);
    data += 4;
    size -= 4;

    // Every piece costs a receive event and a comparison with the model, so a longer stream
    // only slows the search down: a dozen records, or a line four times the longest bound the
    // model check uses, show all there is.
    size = std::min(size, MaxStream);

    // A small bound, so that long lines and the trimming of old text are reached often.
    checkBoundedBuffer(data, size, seed, qsizetype(1 + seed % 61));

    // Below the handler's bound a stream's records do not depend on how it was cut.
    const QByteArray stream(reinterpret_cast<const char *>(data), qsizetype(size));
    // The seed picks the largest piece, so single bytes are among the cuttings tried; feeding
    // every input byte by byte as well tripled the cost of an input and found nothing more.
    static Monitor monitor;
    const Outcome whole = monitor.run(
        stream, [&] { return stream.size(); }, true);
    Pieces pieces(seed, 1 + (seed >> 8) % 97);
    // What the pieces show need not be checked again: it must be the very same bits as what
    // the whole showed, and the readout is made from those alone.
    const Outcome random = monitor.run(
        stream, [&] { return qsizetype(pieces.next()); }, false);
    requireSame(whole, random);

    checkNumbers(stream);
    return 0;
}
