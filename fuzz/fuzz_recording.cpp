// The recording reader: any bytes, in any split, read into a chart store; then the store written
// out as a recording and read back.
//
// Input: one byte that sets the size of the pieces the rest is fed in, then the file's bytes.
// It must hold that
// - the pieces give the same readings, bad-row count, torn line and verdict as the whole;
// - every reading written again as a row reads back as the same reading;
// - the store's X never goes back;
// - a store exported and read back holds the very same points.
#include "chartdata/ChartStore.h"
#include "recording/ChartExport.h"
#include "recording/JobProgress.h"
#include "recording/RecordingReader.h"

#include <QBuffer>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{

// Room for a header and a dozen rows with an overlong one (RecordingParser::MaxLine) among them,
// and more than the opening the reader tells binary data by; every reading costs the store, the
// export and the reading back, so a longer file only slows the search down.
constexpr std::size_t MaxRecording = 1024;

void require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

bool same(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

struct Read {
    std::vector<Reading> readings;
    qint64 bad = 0;
    bool torn = false;
    RecordingParser::State state{};
};

Read readInPieces(QByteArrayView bytes, qsizetype piece, ChartStore *store)
{
    Read read;
    RecordingParser parser([&](const Reading &r) {
        read.readings.push_back(r);
        if (store) {
            const double x = RecordingReader::chartTimeOfDay(r);
            store->append(0, x, r.elevation);
            store->append(1, x, r.azimuth);
        }
    });
    for (qsizetype i = 0; i < bytes.size(); i += piece)
        parser.feed(bytes.sliced(i, std::min(piece, bytes.size() - i)));
    parser.finish();
    read.bad = parser.badRows();
    read.torn = parser.tornLastLine();
    read.state = parser.state();
    return read;
}

std::vector<std::pair<double, double>> pointsOf(const TraceSeries::Snapshot &s)
{
    std::vector<std::pair<double, double>> points;
    for (std::size_t g = 0; g < s.groupCount(); ++g) {
        for (std::uint64_t k = 0; k < s.groupSize(g); ++k)
            points.emplace_back(s.groupX(g), s.y(g, k));
    }
    return points;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const qsizetype piece = 1 + data[0] % 64;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 1),
                               qsizetype(std::min<std::size_t>(size - 1, MaxRecording)));

    ChartStore store;
    const Read whole = readInPieces(bytes, qMax<qsizetype>(1, bytes.size()), &store);
    const Read pieces = readInPieces(bytes, piece, nullptr);
    require(whole.state == pieces.state, "same verdict in pieces");
    require(whole.bad == pieces.bad && whole.torn == pieces.torn, "same counts in pieces");
    require(whole.readings.size() == pieces.readings.size(), "same readings in pieces");

    for (std::size_t i = 0; i < whole.readings.size(); ++i) {
        const Reading &r = whole.readings[i];
        const Reading &p = pieces.readings[i];
        require(r.msecsSinceEpoch == p.msecsSinceEpoch && same(r.elevation, p.elevation) &&
                    same(r.azimuth, p.azimuth),
                "same reading in pieces");
        QByteArray row;
        RecordRow::append(row, r);
        const auto again = RecordRow::parse(QByteArrayView(row).chopped(2));
        require(again.has_value(), "a written reading parses");
        require(again->msecsSinceEpoch == r.msecsSinceEpoch &&
                    again->utcOffsetSeconds == r.utcOffsetSeconds &&
                    same(again->elevation, r.elevation) && same(again->azimuth, r.azimuth),
                "a written reading reads back the same");
    }

    const auto before = store.snapshot();
    for (const auto &trace : before) {
        for (std::size_t g = 1; g < trace.groupCount(); ++g)
            require(trace.groupX(g) >= trace.groupX(g - 1), "X never goes back");
    }
    if (store.isEmpty())
        return 0;

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    JobProgress progress;
    const QDate dayZero = RecordingReader::localDate(whole.readings.front());
    const auto written = ChartExport::write(before, dayZero, out, progress);
    require(written.status == ChartExport::Result::Status::Written, "export written");
    ChartStore reloaded;
    const Read back = readInPieces(out.data(), out.data().size(), &reloaded);
    require(back.bad == 0 && !back.torn, "an export reads back without a bad row");
    const auto after = reloaded.snapshot();
    for (int t = 0; t < 2; ++t)
        require(pointsOf(after[t]) == pointsOf(before[t]), "an export reads back the same points");
    return 0;
}
