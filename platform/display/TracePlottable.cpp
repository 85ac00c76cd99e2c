#include "platform/display/TracePlottable.h"

#include "platform/display/TraceSeries.h"

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

void TracePlottable::draw(QCPPainter *painter)
{
    QCPAxis *keys = keyAxis();
    QCPAxis *values = valueAxis();
    if (!keys || !values || series_.isEmpty())
        return;
    const QRect area = clipRect();
    // Values far off the rect (or infinite) are pinned just outside it, where the clip hides them.
    const double top = area.top() - 4.0;
    const double bottom = area.bottom() + 4.0;
    const auto pixelY = [&](double v) { return std::clamp(values->coordToPixel(v), top, bottom); };

    painter->setPen(mPen);
    painter->setBrush(Qt::NoBrush);
    const QColor colour = mPen.color();

    // Each column is a one-pixel-wide bar over the extent of its points; a bar next to the
    // previous one also reaches that one's last value, which joins them without a line.
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
        double top = std::min(pixelY(e.lo), pixelY(e.hi));
        double bottom = std::max(pixelY(e.lo), pixelY(e.hi));
        if (joined && px - previousPx == 1) {
            top = std::min(top, previousY);
            bottom = std::max(bottom, previousY);
        } else if (joined) {
            painter->drawLine(QPointF(previousPx, previousY), QPointF(px, pixelY(e.first)));
        }
        const int y0 = static_cast<int>(std::lround(top));
        const int y1 = static_cast<int>(std::lround(bottom));
        painter->fillRect(QRect(px, y0, 1, y1 - y0 + 1), colour);
        previousPx = px;
        previousY = pixelY(e.last);
        lastX = e.lastX;
        joined = true;
    }
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
