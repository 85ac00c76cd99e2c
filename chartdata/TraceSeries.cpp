#include "chartdata/TraceSeries.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

constexpr double OneSecond = 1.0 / 86400.0;

// Bucket number of x at the archive's current width; the small bias keeps s/86400 from landing
// in the bucket of the second before through rounding.
std::int64_t bucketOf(double x, double step)
{
    return static_cast<std::int64_t>(std::floor(x / step + 1e-6));
}

void widen(SeriesExtent &e, double lo, double hi)
{
    e.lo = std::min(e.lo, lo);
    e.hi = std::max(e.hi, hi);
}

} // namespace

TraceSeries::TraceSeries() : archiveStep_(OneSecond) {}

TraceSeries::~TraceSeries() = default;

void TraceSeries::append(double x, double y)
{
    if (!runs_.empty() && x < runs_.back().x)
        x = runs_.back().x;
    if (runs_.empty() || x != runs_.back().x)
        runs_.push_back({x, end_});

    if (chunks_.empty() || chunks_.back()->count == ChunkSize)
        chunks_.push_back(std::make_shared_for_overwrite<Chunk>());
    Chunk &c = *chunks_.back();
    const std::size_t i = c.count;
    c.y[i] = y;
    for (int n = 1; n <= Levels; ++n) {
        const std::size_t shift = 3 * static_cast<std::size_t>(n);
        MinMax &m = c.level(n)[i >> shift];
        if ((i & ((std::size_t(1) << shift) - 1)) == 0) {
            m = {y, y};
        } else {
            m.lo = std::min(m.lo, y);
            m.hi = std::max(m.hi, y);
        }
    }
    if (i == 0) {
        c.all = {y, y};
    } else {
        c.all.lo = std::min(c.all.lo, y);
        c.all.hi = std::max(c.all.hi, y);
    }
    c.lastX = x;
    ++c.count;
    ++end_;
}

void TraceSeries::clear()
{
    // Swapping with empty containers hands the memory back rather than keeping capacity.
    std::deque<std::shared_ptr<Chunk>>().swap(chunks_);
    std::deque<Run>().swap(runs_);
    std::vector<Bucket>().swap(archive_);
    archiveStep_ = OneSecond;
    base_ = 0;
    end_ = 0;
    ++generation_;
}

void TraceSeries::thinBefore(double x)
{
    // The newest chunk stays: it is still being filled.
    while (chunks_.size() > 1 && chunks_.front()->lastX < x)
        foldFrontChunk();
}

void TraceSeries::foldFrontChunk()
{
    const std::uint64_t chunkEnd = base_ + chunks_.front()->count;
    for (std::size_t r = 0; r < runs_.size() && runStart(r) < chunkEnd; ++r) {
        const std::uint64_t from = runStart(r);
        const std::uint64_t to = std::min(runEnd(r), chunkEnd);
        Bucket b{runs_[r].x, y(from), y(to - 1), 0, 0};
        rangeMinMax(from, to, b.lo, b.hi);
        addToArchive(b);
    }
    while (!runs_.empty() && runEnd(0) <= chunkEnd)
        runs_.pop_front();
    chunks_.pop_front();
    base_ = chunkEnd;
    ++generation_;
}

void TraceSeries::addToArchive(const Bucket &b)
{
    if (!archive_.empty() &&
        bucketOf(archive_.back().x, archiveStep_) == bucketOf(b.x, archiveStep_)) {
        Bucket &last = archive_.back();
        last.last = b.last;
        last.lo = std::min(last.lo, b.lo);
        last.hi = std::max(last.hi, b.hi);
    } else {
        archive_.push_back(b);
    }
    if (archive_.size() <= ArchiveCap)
        return;
    // Full: double the bucket width and merge neighbours in place.
    archiveStep_ *= 2;
    std::size_t out = 0;
    for (std::size_t i = 1; i < archive_.size(); ++i) {
        Bucket &into = archive_[out];
        const Bucket &from = archive_[i];
        if (bucketOf(into.x, archiveStep_) == bucketOf(from.x, archiveStep_)) {
            into.last = from.last;
            into.lo = std::min(into.lo, from.lo);
            into.hi = std::max(into.hi, from.hi);
        } else {
            archive_[++out] = from;
        }
    }
    archive_.resize(out + 1);
}

double TraceSeries::firstLiveX() const
{
    return runs_.empty() ? 0.0 : runs_.front().x;
}

double TraceSeries::firstX() const
{
    if (!archive_.empty())
        return archive_.front().x;
    return firstLiveX();
}

double TraceSeries::lastX() const
{
    if (!runs_.empty())
        return runs_.back().x;
    return archive_.empty() ? 0.0 : archive_.back().x;
}

double TraceSeries::y(std::uint64_t index) const
{
    const std::uint64_t local = index - base_;
    return chunks_[local / ChunkSize]->y[local % ChunkSize];
}

std::uint64_t TraceSeries::runStart(std::size_t r) const
{
    // The oldest run may have started in a chunk that has since been folded away.
    return std::max(runs_[r].start, base_);
}

std::uint64_t TraceSeries::runEnd(std::size_t r) const
{
    return r + 1 < runs_.size() ? runs_[r + 1].start : end_;
}

double TraceSeries::valueAt(double x) const
{
    const auto byX = [](double v, const auto &item) { return v < item.x; };
    if (!runs_.empty() && x >= runs_.front().x) {
        const auto it = std::upper_bound(runs_.begin(), runs_.end(), x, byX);
        const auto r = static_cast<std::size_t>(it - runs_.begin()) - 1;
        return y(runEnd(r) - 1);
    }
    if (!archive_.empty()) {
        if (x < archive_.front().x)
            return archive_.front().first;
        const auto it = std::upper_bound(archive_.begin(), archive_.end(), x, byX);
        return std::prev(it)->last;
    }
    if (!runs_.empty())
        return y(runStart(0));
    return 0.0;
}

double TraceSeries::nextX(double x) const
{
    const auto belowX = [](const auto &item, double v) { return item.x < v; };
    const auto a = std::lower_bound(archive_.begin(), archive_.end(), x, belowX);
    if (a != archive_.end())
        return a->x;
    const auto r = std::lower_bound(runs_.begin(), runs_.end(), x, belowX);
    return r != runs_.end() ? r->x : std::numeric_limits<double>::infinity();
}

SeriesExtent TraceSeries::extent(double x0, double x1) const
{
    SeriesExtent e;
    const auto belowX = [](const auto &item, double v) { return item.x < v; };

    auto a = std::lower_bound(archive_.begin(), archive_.end(), x0, belowX);
    for (; a != archive_.end() && a->x < x1; ++a) {
        if (e.empty) {
            e = {false, a->x, a->x, a->first, a->last, a->lo, a->hi};
        } else {
            e.lastX = a->x;
            e.last = a->last;
            widen(e, a->lo, a->hi);
        }
    }

    const auto r0 = std::lower_bound(runs_.begin(), runs_.end(), x0, belowX);
    const auto r1 = std::lower_bound(r0, runs_.end(), x1, belowX);
    if (r0 == r1)
        return e;
    const auto first = static_cast<std::size_t>(r0 - runs_.begin());
    const auto last = static_cast<std::size_t>(r1 - runs_.begin()) - 1;
    const std::uint64_t from = runStart(first);
    const std::uint64_t to = runEnd(last);
    double lo = 0;
    double hi = 0;
    rangeMinMax(from, to, lo, hi);
    if (e.empty) {
        e = {false, r0->x, runs_[last].x, y(from), y(to - 1), lo, hi};
    } else {
        e.lastX = runs_[last].x;
        e.last = y(to - 1);
        widen(e, lo, hi);
    }
    return e;
}

void TraceSeries::rangeMinMax(std::uint64_t from, std::uint64_t to, double &lo, double &hi) const
{
    lo = y(from);
    hi = lo;
    const auto take = [&](double l, double h) {
        lo = std::min(lo, l);
        hi = std::max(hi, h);
    };
    std::uint64_t local = from - base_;
    const std::uint64_t stop = to - base_;
    while (local < stop) {
        const Chunk &c = *chunks_[local / ChunkSize];
        const std::uint64_t chunkStart = local - local % ChunkSize;
        std::size_t i = local % ChunkSize;
        const std::size_t e =
            static_cast<std::size_t>(std::min<std::uint64_t>(stop - chunkStart, c.count));
        if (i == 0 && e == c.count) {
            take(c.all.lo, c.all.hi);
        } else {
            // Climb to the widest blocks that fit, then come back down for the tail.
            const auto size = [](int n) { return std::size_t(1) << (3 * n); };
            const auto takeBlock = [&](int n) {
                if (n == 0) {
                    take(c.y[i], c.y[i]);
                } else {
                    const MinMax &m = c.level(n)[i >> (3 * n)];
                    take(m.lo, m.hi);
                }
                i += size(n);
            };
            int n = 0;
            for (;;) {
                if (n < Levels && i % size(n + 1) == 0 && i + size(n + 1) <= e) {
                    ++n;
                    continue;
                }
                if (i + size(n) > e)
                    break;
                takeBlock(n);
            }
            for (; n >= 0; --n) {
                while (i + size(n) <= e)
                    takeBlock(n);
            }
        }
        local = chunkStart + e;
    }
}

std::size_t TraceSeries::memoryBytes() const
{
    // Deques allocate 512-byte nodes plus a map of node pointers.
    const std::size_t runNodes = (runs_.size() * sizeof(Run) + 511) / 512 + 1;
    const std::size_t chunkNodes = (chunks_.size() * sizeof(chunks_[0]) + 511) / 512 + 1;
    // make_shared puts the count block in front of the chunk.
    return chunks_.size() * (sizeof(Chunk) + 2 * sizeof(void *)) +
           runNodes * (512 + sizeof(void *)) + chunkNodes * 512 +
           archive_.capacity() * sizeof(Bucket) + sizeof(*this);
}

void TraceSeries::swap(TraceSeries &other) noexcept
{
    chunks_.swap(other.chunks_);
    runs_.swap(other.runs_);
    archive_.swap(other.archive_);
    std::swap(archiveStep_, other.archiveStep_);
    std::swap(base_, other.base_);
    std::swap(end_, other.end_);
    // Both now hold other points than before: anything cached from either is stale.
    const std::uint64_t next = std::max(generation_, other.generation_) + 1;
    generation_ = next;
    other.generation_ = next;
}

TraceSeries::Snapshot TraceSeries::snapshot() const
{
    Snapshot s;
    s.chunks_.reserve(chunks_.size());
    for (const auto &c : chunks_) {
        if (c->count == ChunkSize)
            s.chunks_.push_back(c);
        else // still being filled (only the last one can be): a copy of what it holds so far
            s.tail_.assign(c->y.begin(), c->y.begin() + c->count);
    }
    s.runs_.assign(runs_.begin(), runs_.end());
    // The oldest run may have begun in a chunk already folded away.
    if (!s.runs_.empty())
        s.runs_.front().start = runStart(0);
    s.archive_ = archive_;
    s.base_ = base_;
    s.end_ = end_;
    return s;
}

TraceSeries::Snapshot::Snapshot() = default;
TraceSeries::Snapshot::~Snapshot() = default;
TraceSeries::Snapshot::Snapshot(Snapshot &&) noexcept = default;
TraceSeries::Snapshot &TraceSeries::Snapshot::operator=(Snapshot &&) noexcept = default;

double TraceSeries::Snapshot::groupX(std::size_t group) const
{
    return group < archive_.size() ? archive_[group].x : runs_[group - archive_.size()].x;
}

std::uint64_t TraceSeries::Snapshot::groupSize(std::size_t group) const
{
    if (group < archive_.size())
        return 1;
    const std::size_t r = group - archive_.size();
    const std::uint64_t runEnd = r + 1 < runs_.size() ? runs_[r + 1].start : end_;
    return runEnd - runs_[r].start;
}

double TraceSeries::Snapshot::y(std::size_t group, std::uint64_t point) const
{
    if (group < archive_.size())
        return archive_[group].last;
    const std::uint64_t local = runs_[group - archive_.size()].start + point - base_;
    const std::uint64_t chunk = local / ChunkSize;
    return chunk < chunks_.size() ? chunks_[chunk]->y[local % ChunkSize] : tail_[local % ChunkSize];
}

std::uint64_t TraceSeries::Snapshot::pointCount() const
{
    return archive_.size() + (end_ - base_);
}
