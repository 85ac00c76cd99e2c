#include "platform/display/ChartMarks.h"

ChartMarks::ChartMarks(QCustomPlot *plot, QCPAxisRect *upper, QCPAxisRect *lower)
    : QCPLayerable(plot, QStringLiteral("grid")), rects_{upper, lower}
{
}

bool ChartMarks::setLimits(int trace, const QList<double> &values)
{
    if (trace < 0 || trace > 1 || limits_[std::size_t(trace)] == values)
        return false;
    limits_[std::size_t(trace)] = values;
    return true;
}

bool ChartMarks::setPeriods(const QList<Period> &periods)
{
    if (periods_ == periods)
        return false;
    periods_ = periods;
    return true;
}

void ChartMarks::applyDefaultAntialiasingHint(QCPPainter *painter) const
{
    painter->setAntialiasing(false);
}

QRect ChartMarks::clipRect() const
{
    return mParentPlot ? mParentPlot->viewport() : QRect();
}

void ChartMarks::draw(QCPPainter *painter)
{
    for (std::size_t i = 0; i < rects_.size(); ++i) {
        QCPAxisRect *rect = rects_[i];
        const QRect area = rect->rect();
        painter->save();
        painter->setClipRect(area);
        const QCPAxis *times = rect->axis(QCPAxis::atBottom);
        for (const Period &period : std::as_const(periods_)) {
            if (period.area >= 0 && std::size_t(period.area) != i)
                continue;
            const double left = times->coordToPixel(period.from);
            // An open period runs to the right edge.
            const double right =
                qIsNaN(period.to) ? area.right() + 1.0 : times->coordToPixel(period.to);
            if (right < area.left() || left > area.right() + 1)
                continue;
            const double from = std::max(left, double(area.left()));
            const double to = std::min(right, double(area.right() + 1));
            // At least a pixel, so a short alarm is still seen.
            painter->fillRect(QRectF(from, area.top(), std::max(to - from, 1.0), area.height()),
                              period.color);
        }
        QPen pen(limitColor(), 1, Qt::DashLine);
        painter->setPen(pen);
        const QCPAxis *values = rect->axis(QCPAxis::atLeft);
        for (double limit : std::as_const(limits_[i])) {
            const double y = std::round(values->coordToPixel(limit));
            if (y < area.top() || y > area.bottom())
                continue;
            painter->drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        }
        painter->restore();
    }
}
