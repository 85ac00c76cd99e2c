#include "platform/display/TracePlottable.h"

#include "platform/display/TraceSeries.h"

#include <algorithm>

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
    QPolygonF line;
    const auto flush = [&] {
        if (line.size() == 1) // a lone point still shows as a dot
            line << line.front() + QPointF(0.8, 0);
        if (!line.isEmpty())
            painter->drawPolyline(line);
        line.clear();
    };

    double lastX = 0;
    double edge = keys->pixelToCoord(area.left() - 0.5);
    for (int px = area.left(); px <= area.right(); ++px) {
        const double next = keys->pixelToCoord(px + 0.5);
        const SeriesExtent e = series_.extent(edge, next);
        edge = next;
        if (e.empty)
            continue;
        if (!line.isEmpty() && e.firstX - lastX > gapLimit_)
            flush();
        line << QPointF(px, pixelY(e.first));
        if (e.lo != e.hi) {
            line << QPointF(px, pixelY(e.lo)) << QPointF(px, pixelY(e.hi));
        }
        line << QPointF(px, pixelY(e.last));
        lastX = e.lastX;
    }
    flush();
}

void TracePlottable::drawLegendIcon(QCPPainter *painter, const QRectF &rect) const
{
    painter->setPen(mPen);
    painter->drawLine(QLineF(rect.left(), rect.center().y(), rect.right(), rect.center().y()));
}
