#include "platform/display/TracePlottable.h"

#include "chartdata/TraceSeries.h"

#include <algorithm>
#include <cmath>

TracePlottable::TracePlottable(QCPAxis *keyAxis, QCPAxis *valueAxis, const TraceSeries &series)
    : QCPAbstractPlottable(keyAxis, valueAxis), series_(series)
{
    setSelectable(QCP::stNone);
}

double TracePlottable::selectTest(const QPointF &, bool, QVariant *) const
{
    return -1;
}

QCPRange TracePlottable::getKeyRange(bool &foundRange, QCP::SignDomain) const
{
    foundRange = !series_.isEmpty();
    return foundRange ? QCPRange(series_.firstX(), series_.lastX()) : QCPRange();
}

QCPRange TracePlottable::getValueRange(bool &foundRange, QCP::SignDomain,
                                       const QCPRange &inKeyRange) const
{
    const bool whole = inKeyRange == QCPRange();
    const SeriesExtent e = whole ? series_.extent(series_.firstX(), series_.lastX() + 1)
                                 : series_.extent(inKeyRange.lower, inKeyRange.upper);
    foundRange = !e.empty;
    return foundRange ? QCPRange(e.lo, e.hi) : QCPRange();
}

double TracePlottable::pixelY(double value, const QRect &area) const
{
    // Values far off the rect (or infinite) are pinned just outside it, where the clip hides them.
    return std::clamp(valueAxis()->coordToPixel(value), area.top() - 4.0, area.bottom() + 4.0);
}

namespace
{

struct Bar {
    int top;
    int bottom;
};

// The outline of adjacent one-pixel bars: along their tops left to right, back along their
// bottoms; a step only where a bar's end differs from its neighbour's.
void outlineBars(QPolygon &outline, int firstPx, const std::vector<Bar> &bars)
{
    outline.clear();
    const int count = static_cast<int>(bars.size());
    // A bar covers the rows top..bottom: its outline runs from top to bottom + 1.
    outline << QPoint(firstPx, bars[0].top);
    for (int i = 1; i < count; ++i) {
        if (bars[i].top != bars[i - 1].top)
            outline << QPoint(firstPx + i, bars[i - 1].top) << QPoint(firstPx + i, bars[i].top);
    }
    outline << QPoint(firstPx + count, bars[count - 1].top);
    outline << QPoint(firstPx + count, bars[count - 1].bottom + 1);
    for (int i = count - 2; i >= 0; --i) {
        if (bars[i].bottom != bars[i + 1].bottom)
            outline << QPoint(firstPx + i + 1, bars[i + 1].bottom + 1)
                    << QPoint(firstPx + i + 1, bars[i].bottom + 1);
    }
    outline << QPoint(firstPx, bars[0].bottom + 1);
}

} // namespace

void TracePlottable::draw(QCPPainter *painter)
{
    drawn_ = Drawn();
    QCPAxis *keys = keyAxis();
    QCPAxis *values = valueAxis();
    if (!keys || !values)
        return;
    const QRect area = clipRect();
    drawn_ = {true,
              keys->range(),
              values->range(),
              area,
              series_.generation(),
              keys->pixelToCoord(area.left() - 0.5),
              keys->pixelToCoord(area.right() + 0.5)};
    if (series_.isEmpty())
        return;

    const QColor colour = mPen.color();
    painter->setPen(mPen);
    painter->setBrush(Qt::NoBrush);

    // Each column is a one-pixel-wide bar over the extent of its points; a bar next to the
    // previous one also reaches that one's last value, which joins them without a line.
    // Bars of adjacent columns (top and bottom row each) gather into one outline to fill.
    std::vector<Bar> bars;
    int barsPx = 0;
    QPolygon outline;
    const auto fillBars = [&] {
        if (bars.empty())
            return;
        if (bars.size() == 1) { // a lone column is a rectangle: the cheaper fill
            painter->fillRect(QRect(barsPx, bars[0].top, 1, bars[0].bottom - bars[0].top + 1),
                              colour);
            bars.clear();
            return;
        }
        outlineBars(outline, barsPx, bars);
        painter->setPen(Qt::NoPen);
        painter->setBrush(colour);
        painter->drawPolygon(outline);
        painter->setPen(mPen);
        painter->setBrush(Qt::NoBrush);
        bars.clear();
    };

    int previousPx = 0;
    double previousY = 0;
    double lastX = 0;
    bool joined = false;
    updateColumns(keys, area.left(), area.right());
    for (int px = area.left(); px <= area.right(); ++px) {
        const SeriesExtent &e = columns_[static_cast<std::size_t>(px - area.left())];
        if (e.empty)
            continue;
        joined = joined && e.firstX - lastX <= gapLimit_;
        double top = std::min(pixelY(e.lo, area), pixelY(e.hi, area));
        double bottom = std::max(pixelY(e.lo, area), pixelY(e.hi, area));
        if (joined && px - previousPx == 1) {
            top = std::min(top, previousY);
            bottom = std::max(bottom, previousY);
        } else if (joined) {
            painter->drawLine(QPointF(previousPx, previousY), QPointF(px, pixelY(e.first, area)));
        }
        const int y0 = static_cast<int>(std::lround(top));
        const int y1 = static_cast<int>(std::lround(bottom));
        if (!bars.empty() && px != barsPx + static_cast<int>(bars.size()))
            fillBars();
        if (bars.empty())
            barsPx = px;
        bars.push_back({y0, y1});
        previousPx = px;
        previousY = pixelY(e.last, area);
        lastX = e.lastX;
        joined = true;
        drawn_.hasColumn = true;
        drawn_.columnEndX = keys->pixelToCoord(px + 0.5);
        drawn_.columnTop = y0;
        drawn_.columnBottom = y1;
    }
    fillBars();
}

bool TracePlottable::viewAsDrawn() const
{
    return drawn_.valid && keyAxis() && valueAxis() && keyAxis()->range() == drawn_.keys &&
           valueAxis()->range() == drawn_.values && clipRect() == drawn_.area &&
           series_.generation() == drawn_.generation;
}

bool TracePlottable::showsNewestPoint() const
{
    if (series_.isEmpty() || !viewAsDrawn())
        return false;
    // Points come with non-decreasing X: the newest lies in the last drawn column or after it.
    const double x = series_.lastX();
    if (x < drawn_.leftEdgeX || x >= drawn_.rightEdgeX)
        return true;
    if (!drawn_.hasColumn || x >= drawn_.columnEndX)
        return false;
    const auto row = static_cast<int>(std::lround(pixelY(series_.valueAt(x), drawn_.area)));
    return row >= drawn_.columnTop && row <= drawn_.columnBottom;
}

std::optional<int> TracePlottable::changedFrom() const
{
    if (!viewAsDrawn())
        return std::nullopt;
    if (!drawn_.hasColumn)
        return drawn_.area.left();
    // The last column drawn may grow (and the one before it is a pixel of margin).
    return static_cast<int>(std::floor(keyAxis()->coordToPixel(drawn_.columnEndX))) - 2;
}

void TracePlottable::updateColumns(QCPAxis *keys, int left, int right)
{
    const auto count = static_cast<std::size_t>(std::max(0, right - left + 1));
    int from = left;
    if (columns_.size() != count || columnsLeft_ != left || columnsRange_ != keys->range() ||
        columnsGeneration_ != series_.generation()) {
        columns_.assign(count, SeriesExtent());
    } else if (columnsAppended_ != series_.appended()) {
        // New points lie at or after the old last X: earlier columns stand.
        from = std::max(left, static_cast<int>(std::floor(keys->coordToPixel(columnsLastX_))) - 1);
    } else {
        return;
    }
    columnsRange_ = keys->range();
    columnsLeft_ = left;
    columnsGeneration_ = series_.generation();
    columnsAppended_ = series_.appended();
    columnsLastX_ = series_.lastX();

    // Empty stretches are skipped by asking where the next point is.
    int px = from;
    double edge = keys->pixelToCoord(px - 0.5);
    while (px <= right) {
        const double nx = series_.nextX(edge);
        const double at =
            std::isfinite(nx) ? std::floor(keys->coordToPixel(nx) + 0.5) : right + 1.0;
        const int target = static_cast<int>(std::min<double>(at, right + 1.0));
        for (; px < target; ++px)
            columns_[static_cast<std::size_t>(px - left)] = SeriesExtent();
        if (px > right)
            break;
        edge = std::min(keys->pixelToCoord(px - 0.5), nx);
        const double next = keys->pixelToCoord(px + 0.5);
        columns_[static_cast<std::size_t>(px - left)] = series_.extent(edge, next);
        edge = next;
        ++px;
    }
}

void TracePlottable::drawLegendIcon(QCPPainter *painter, const QRectF &rect) const
{
    painter->setPen(mPen);
    painter->drawLine(QLineF(rect.left(), rect.center().y(), rect.right(), rect.center().y()));
}
