#include "platform/display/StripChartInteraction.h"

#include "platform/display/StripChartWidget.h"

#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

namespace
{

constexpr double MinPixels = 10;      // a handle stops this far short of the opposite end
constexpr double DividerSlack = 3;    // the divider is this much easier to catch above and below
constexpr double WheelStepZoom = 0.8; // one wheel step forward shows this share of the span

using Handle = ChartOverlay::Handle;

bool isValueHandle(Handle h)
{
    return h != Handle::None && h != Handle::Time;
}

int handleTrace(Handle h)
{
    return h == Handle::UpperTop || h == Handle::UpperBottom ? 0 : 1;
}

bool isTopHandle(Handle h)
{
    return h == Handle::UpperTop || h == Handle::LowerTop;
}

} // namespace

StripChartInteraction::StripChartInteraction(StripChartWidget &chart, const ChartOverlay &overlay,
                                             const std::array<QCPAxisRect *, 2> &areas,
                                             CursorMove moveCursor)
    : chart_(chart), overlay_(overlay), areas_(areas), moveCursor_(std::move(moveCursor))
{
}

QRect StripChartInteraction::area(int trace) const
{
    return areas_[static_cast<std::size_t>(trace)]->rect();
}

QCPAxis *StripChartInteraction::timeAxis() const
{
    return areas_[1]->axis(QCPAxis::atBottom);
}

QCPAxis *StripChartInteraction::valueAxis(int trace) const
{
    return areas_[static_cast<std::size_t>(trace)]->axis(QCPAxis::atLeft);
}

std::optional<int> StripChartInteraction::plotAreaAt(const QPointF &pos) const
{
    for (int i = 0; i < 2; ++i) {
        if (area(i).contains(pos.toPoint()))
            return i;
    }
    return std::nullopt;
}

std::optional<int> StripChartInteraction::valueAxisAt(const QPointF &pos) const
{
    for (int i = 0; i < 2; ++i) {
        const QRect r = area(i);
        if (pos.x() < r.left() && pos.y() >= r.top() && pos.y() <= r.bottom())
            return i;
    }
    return std::nullopt;
}

bool StripChartInteraction::onTimeAxis(const QPointF &pos) const
{
    const QRect lower = area(1);
    return pos.y() > lower.bottom() && pos.x() >= lower.left() && pos.x() <= lower.right();
}

bool StripChartInteraction::onDivider(const QPointF &pos) const
{
    return overlay_.dividerRect().adjusted(0, -DividerSlack, 0, DividerSlack).contains(pos);
}

Qt::CursorShape StripChartInteraction::shapeAt(const QPointF &pos) const
{
    const Handle h = overlay_.handleAt(pos);
    if (h == Handle::Time)
        return Qt::SizeHorCursor;
    if (h != Handle::None)
        return Qt::SizeVerCursor;
    if (onDivider(pos))
        return Qt::SplitVCursor;
    if (plotAreaAt(pos))
        return Qt::CrossCursor;
    return Qt::ArrowCursor;
}

bool StripChartInteraction::press(const QMouseEvent &event)
{
    if (event.button() != Qt::LeftButton)
        return false;
    const QPointF pos = event.position();
    start_ = pos;
    handle_ = overlay_.handleAt(pos);
    if (handle_ != Handle::None) {
        drag_ = Drag::Handle;
        startRange_ =
            isValueHandle(handle_) ? valueAxis(handleTrace(handle_))->range() : timeAxis()->range();
        return true;
    }
    if (onDivider(pos)) {
        drag_ = Drag::Divider;
        return true;
    }
    if (const std::optional<int> trace = plotAreaAt(pos)) {
        drag_ = Drag::Cursor;
        trace_ = *trace;
        moveCursor_(pos.x(), trace_);
        return true;
    }
    if (onTimeAxis(pos)) {
        drag_ = Drag::PanTime;
        startRange_ = timeAxis()->range();
        return true;
    }
    if (const std::optional<int> trace = valueAxisAt(pos)) {
        drag_ = Drag::PanValue;
        trace_ = *trace;
        startRange_ = valueAxis(trace_)->range();
        return true;
    }
    return false;
}

bool StripChartInteraction::move(const QMouseEvent &event)
{
    const QPointF pos = event.position();
    switch (drag_) {
    case Drag::None:
        areas_[1]->parentPlot()->setCursor(shapeAt(pos));
        return false;
    case Drag::Cursor:
        moveCursor_(pos.x(), trace_);
        break;
    case Drag::Handle:
        dragHandle(pos);
        break;
    case Drag::Divider:
        moveDivider(pos);
        break;
    case Drag::PanTime:
        panTime(pos);
        break;
    case Drag::PanValue:
        panValue(pos);
        break;
    }
    return true;
}

bool StripChartInteraction::release(const QMouseEvent &event)
{
    if (event.button() != Qt::LeftButton)
        return false;
    drag_ = Drag::None;
    return true;
}

bool StripChartInteraction::doubleClick(const QMouseEvent &event)
{
    if (event.button() != Qt::LeftButton)
        return false;
    const QPointF pos = event.position();
    if (plotAreaAt(pos)) {
        // Back to the live view: the time scale's span, following the newest point.
        const double upper = chart_.timeRange().upper;
        chart_.setTimeRangeKeepingFollow(upper - chart_.TimeScale(), upper);
        chart_.setFollowing(true);
        return true;
    }
    if (const std::optional<int> trace = valueAxisAt(pos)) {
        const QCPRange range = StripChartWidget::defaultValueRange(*trace);
        chart_.setValueRange(static_cast<short>(*trace), range.lower, range.upper);
        return true;
    }
    return false;
}

bool StripChartInteraction::wheel(const QWheelEvent &event)
{
    const double steps = event.angleDelta().y() / 120.0;
    if (steps == 0)
        return false;
    const double factor = std::pow(WheelStepZoom, steps); // wheel forward zooms in
    const QPointF pos = event.position();
    if (const std::optional<int> trace = valueAxisAt(pos))
        zoomValue(*trace, factor, pos.y());
    else
        zoomTime(factor, pos.x());
    return true;
}

void StripChartInteraction::dragHandle(const QPointF &pos)
{
    if (isValueHandle(handle_))
        stretchValueAxis(pos);
    else
        stretchTimeAxis(pos);
}

void StripChartInteraction::stretchValueAxis(const QPointF &pos)
{
    // The value that sat at the handle follows the mouse; the opposite end stays put.
    const int trace = handleTrace(handle_);
    const QRect r = area(trace);
    const double height = r.bottom() - r.top();
    const double lower = startRange_.lower;
    const double upper = startRange_.upper;
    if (isTopHandle(handle_)) {
        const double m = std::min(pos.y(), r.bottom() - MinPixels);
        chart_.setValueRange(static_cast<short>(trace), lower,
                             lower + (upper - lower) * height / (r.bottom() - m));
    } else {
        const double m = std::max(pos.y(), r.top() + MinPixels);
        chart_.setValueRange(static_cast<short>(trace),
                             upper - (upper - lower) * height / (m - r.top()), upper);
    }
}

void StripChartInteraction::stretchTimeAxis(const QPointF &pos)
{
    // The time handle stretches the span; the left end stays put, or the newest point does
    // while following.
    const QRect r = area(1);
    const double m = std::max(pos.x(), r.left() + MinPixels);
    const double span = std::clamp(startRange_.size() * (r.right() - r.left()) / (m - r.left()),
                                   StripChartWidget::MinSpan, StripChartWidget::MaxSpan);
    if (chart_.isFollowing())
        chart_.setTimeRangeKeepingFollow(startRange_.upper - span, startRange_.upper);
    else
        chart_.setTimeRange(startRange_.lower, startRange_.lower + span);
}

void StripChartInteraction::moveDivider(const QPointF &pos)
{
    const double top = areas_[0]->top();
    const double bottom = areas_[1]->bottom();
    chart_.setDividerFraction((pos.y() - top) / std::max(1.0, bottom - top));
}

void StripChartInteraction::panTime(const QPointF &pos)
{
    const double shift =
        -(pos.x() - start_.x()) * startRange_.size() / std::max(1, area(1).width());
    chart_.setTimeRange(startRange_.lower + shift, startRange_.upper + shift);
}

void StripChartInteraction::panValue(const QPointF &pos)
{
    const double shift =
        (pos.y() - start_.y()) * startRange_.size() / std::max(1, area(trace_).height());
    chart_.setValueRange(static_cast<short>(trace_), startRange_.lower + shift,
                         startRange_.upper + shift);
}

void StripChartInteraction::zoomTime(double factor, double centrePx)
{
    const QCPRange range = timeAxis()->range();
    const double span =
        std::clamp(range.size() * factor, StripChartWidget::MinSpan, StripChartWidget::MaxSpan);
    if (chart_.isFollowing()) {
        chart_.setTimeRangeKeepingFollow(range.upper - span, range.upper);
        return;
    }
    // The time under the mouse stays where it is.
    const double c = timeAxis()->pixelToCoord(centrePx);
    const double left = c - (c - range.lower) * span / range.size();
    chart_.setTimeRange(left, left + span);
}

void StripChartInteraction::zoomValue(int trace, double factor, double centrePy)
{
    // The value under the mouse stays where it is.
    const QCPRange range = valueAxis(trace)->range();
    const double c = valueAxis(trace)->pixelToCoord(centrePy);
    chart_.setValueRange(static_cast<short>(trace), c - (c - range.lower) * factor,
                         c + (range.upper - c) * factor);
}
