#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

// What a span of X holds: the first and last point and the range of Y between them.
struct SeriesExtent {
    bool empty = true;
    double firstX = 0;
    double lastX = 0;
    double first = 0;
    double last = 0;
    double lo = 0;
    double hi = 0;
};

// One trace's history. Points arrive with non-decreasing X; equal consecutive X share one run.
// Y is kept as a double so a value reads back exactly as it was given. Y lives in fixed-size
// chunks, each carrying min/max summaries per block of 8, 64, 512 and 4096 points and for the
// whole chunk, so a span of any length is summarised by reading a few dozen numbers. Whole chunks
// older than the keep horizon can be folded into a coarse archive of per-bucket extents whose
// size is capped: the bucket width doubles whenever the archive fills up.
class TraceSeries
{
    struct Chunk;
    struct Run;
    struct Bucket;

public:
    static constexpr std::size_t ChunkSize = 32768;
    // Summary levels: level n sums up blocks of 8^n points.
    static constexpr int Levels = 4;
    static constexpr std::size_t ArchiveCap = 65536;

    TraceSeries();
    ~TraceSeries();
    TraceSeries(const TraceSeries &) = delete;
    TraceSeries &operator=(const TraceSeries &) = delete;

    // x must not be below the last x appended.
    void append(double x, double y);
    void clear();
    // Folds into the archive every whole chunk whose points all lie before x.
    void thinBefore(double x);

    bool isEmpty() const { return runs_.empty() && archive_.empty(); }
    // Points appended since the last clear.
    std::uint64_t appended() const { return end_; }
    // Changes whenever points already held change (cleared or thinned), not on appends.
    std::uint64_t generation() const { return generation_; }
    // Points held at full resolution.
    std::uint64_t liveCount() const { return end_ - base_; }
    std::size_t archiveBuckets() const { return archive_.size(); }
    double archiveStep() const { return archiveStep_; }
    // Oldest X still at full resolution (the archive lies before it).
    double firstLiveX() const;
    double firstX() const;
    double lastX() const;

    // Y of the last point with X <= x; before the first point, the first point's Y; 0 if empty.
    double valueAt(double x) const;
    // The smallest X >= x held, or infinity.
    double nextX(double x) const;
    // The points with x0 <= X < x1.
    SeriesExtent extent(double x0, double x1) const;

    std::size_t memoryBytes() const;

    // Exchanges the whole history with other's.
    void swap(TraceSeries &other) noexcept;

    // The points held at one moment, readable from another thread while this series goes on
    // growing, thinning or clearing: full chunks are shared, never copied, and of the chunk still
    // being filled only the values it holds are copied. Points come in groups of equal X in order
    // of X; thinned history gives one point (its last) per archive bucket.
    class Snapshot
    {
    public:
        Snapshot();
        ~Snapshot();
        Snapshot(Snapshot &&) noexcept;
        Snapshot &operator=(Snapshot &&) noexcept;

        std::size_t groupCount() const { return archive_.size() + runs_.size(); }
        double groupX(std::size_t group) const;
        std::uint64_t groupSize(std::size_t group) const;
        // The point-th Y of the group.
        double y(std::size_t group, std::uint64_t point) const;
        std::uint64_t pointCount() const;

    private:
        friend class TraceSeries;
        std::vector<std::shared_ptr<const Chunk>> chunks_;
        // The Y of the chunk that was still being filled, which follows the full ones.
        std::vector<double> tail_;
        std::vector<Run> runs_;
        std::vector<Bucket> archive_;
        std::uint64_t base_ = 0;
        std::uint64_t end_ = 0;
    };
    Snapshot snapshot() const;

private:
    struct MinMax {
        double lo;
        double hi;
    };
    struct Chunk {
        std::array<double, ChunkSize> y;
        std::array<MinMax, ChunkSize / 8> l1;
        std::array<MinMax, ChunkSize / 64> l2;
        std::array<MinMax, ChunkSize / 512> l3;
        std::array<MinMax, ChunkSize / 4096> l4;
        MinMax all;

        MinMax *level(int n)
        {
            MinMax *levels[] = {l1.data(), l2.data(), l3.data(), l4.data()};
            return levels[n - 1];
        }
        const MinMax *level(int n) const { return const_cast<Chunk *>(this)->level(n); }
        std::size_t count = 0;
        double lastX = 0;
    };
    struct Run {
        double x;
        std::uint64_t start; // global index of the run's first point
    };
    struct Bucket {
        double x;
        double first;
        double last;
        double lo;
        double hi;
    };

    double y(std::uint64_t index) const;
    std::uint64_t runStart(std::size_t r) const;
    std::uint64_t runEnd(std::size_t r) const;
    void rangeMinMax(std::uint64_t from, std::uint64_t to, double &lo, double &hi) const;
    void addToArchive(const Bucket &b);
    void foldFrontChunk();

    // Shared so that a snapshot can keep full chunks alive; only the last chunk is ever written.
    std::deque<std::shared_ptr<Chunk>> chunks_;
    std::deque<Run> runs_;
    std::vector<Bucket> archive_;
    double archiveStep_;
    std::uint64_t base_ = 0; // global index of the first live point (a multiple of ChunkSize)
    std::uint64_t end_ = 0;  // one past the last point
    std::uint64_t generation_ = 0;
};
