// The strip chart's mouse handling: cursor, handles, divider, panning and zooming.
#include "platform/display/StripChartWidget.h"

#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>
#include <qcustomplot.h>

namespace
{

constexpr double MinPixels = 10; // a handle stops this far short of the opposite end

bool isValueHandle(ChartOverlay::Handle h)
{
    return h != ChartOverlay::Handle::None && h != ChartOverlay::Handle::Time;
}

int handleTrace(ChartOverlay::Handle h)
{
    return h == ChartOverlay::Handle::UpperTop || h == ChartOverlay::Handle::UpperBottom ? 0 : 1;
}

bool isTopHandle(ChartOverlay::Handle h)
{
    return h == ChartOverlay::Handle::UpperTop || h == ChartOverlay::Handle::LowerTop;
}

} // namespace

bool StripChartWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != plot_)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return mousePress(static_cast<QMouseEvent *>(event));
    case QEvent::MouseMove:
        return mouseMove(static_cast<QMouseEvent *>(event));
    case QEvent::MouseButtonRelease:
        drag_ = Drag::None;
        return true;
    case QEvent::MouseButtonDblClick:
        return mouseDoubleClick(static_cast<QMouseEvent *>(event));
    case QEvent::Wheel:
        return wheel(static_cast<QWheelEvent *>(event));
    default:
        return QWidget::eventFilter(watched, event);
    }
}

int StripChartWidget::areaAt(const QPointF &pos) const
{
    for (int i = 0; i < 2; ++i) {
        if (rects_[static_cast<std::size_t>(i)]->rect().contains(pos.toPoint()))
            return i;
    }
    return -1;
}

bool StripChartWidget::mousePress(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    const QPointF pos = event->position();
    dragStart_ = pos;
    dragHandle_ = overlay_->handleAt(pos);
    if (dragHandle_ != ChartOverlay::Handle::None) {
        drag_ = Drag::Handle;
        dragRange_ = isValueHandle(dragHandle_) ? valueAxis(handleTrace(dragHandle_))->range()
                                                : timeAxis()->range();
        return true;
    }
    if (overlay_->dividerRect().adjusted(0, -3, 0, 3).contains(pos)) {
        drag_ = Drag::Divider;
        return true;
    }
    const int area = areaAt(pos);
    if (area >= 0) {
        drag_ = Drag::Cursor;
        dragTrace_ = area;
        userMovedCursor(pos);
        return true;
    }
    const QRect lower = rects_[1]->rect();
    if (pos.y() > lower.bottom() && pos.x() >= lower.left() && pos.x() <= lower.right()) {
        drag_ = Drag::PanTime;
        dragRange_ = timeAxis()->range();
        return true;
    }
    for (int i = 0; i < 2; ++i) {
        const QRect r = rects_[static_cast<std::size_t>(i)]->rect();
        if (pos.x() < r.left() && pos.y() >= r.top() && pos.y() <= r.bottom()) {
            drag_ = Drag::PanValue;
            dragTrace_ = i;
            dragRange_ = valueAxis(i)->range();
            return true;
        }
    }
    return false;
}

bool StripChartWidget::mouseMove(QMouseEvent *event)
{
    const QPointF pos = event->position();
    switch (drag_) {
    case Drag::None: {
        const ChartOverlay::Handle h = overlay_->handleAt(pos);
        Qt::CursorShape shape = Qt::ArrowCursor;
        if (h == ChartOverlay::Handle::Time)
            shape = Qt::SizeHorCursor;
        else if (h != ChartOverlay::Handle::None)
            shape = Qt::SizeVerCursor;
        else if (overlay_->dividerRect().adjusted(0, -3, 0, 3).contains(pos))
            shape = Qt::SplitVCursor;
        else if (areaAt(pos) >= 0)
            shape = Qt::CrossCursor;
        plot_->setCursor(shape);
        return false;
    }
    case Drag::Cursor:
        userMovedCursor(pos);
        break;
    case Drag::Handle:
        dragHandle(pos);
        break;
    case Drag::Divider: {
        const double top = rects_[0]->top();
        const double bottom = rects_[1]->bottom();
        setDividerFraction((pos.y() - top) / std::max(1.0, bottom - top));
        break;
    }
    case Drag::PanTime: {
        const double shift =
            -(pos.x() - dragStart_.x()) * dragRange_.size() / std::max(1, rects_[1]->width());
        setTimeRange(dragRange_.lower + shift, dragRange_.upper + shift);
        break;
    }
    case Drag::PanValue: {
        const double shift = (pos.y() - dragStart_.y()) * dragRange_.size() /
                             std::max(1, rects_[static_cast<std::size_t>(dragTrace_)]->height());
        setValueRange(static_cast<short>(dragTrace_), dragRange_.lower + shift,
                      dragRange_.upper + shift);
        break;
    }
    }
    return true;
}

void StripChartWidget::userMovedCursor(const QPointF &pos)
{
    const QRect area = rects_[1]->rect();
    const double px = std::clamp(pos.x(), double(area.left()), double(area.right()));
    setCursorX(timeAxis()->pixelToCoord(px));
    emit CursorEvent(static_cast<int>(px), dragTrace_);
}

void StripChartWidget::dragHandle(const QPointF &pos)
{
    if (isValueHandle(dragHandle_)) {
        // The value that sat at the handle follows the mouse; the opposite end stays put.
        const int trace = handleTrace(dragHandle_);
        const QRect r = rects_[static_cast<std::size_t>(trace)]->rect();
        const double height = r.bottom() - r.top();
        const double lower = dragRange_.lower;
        const double upper = dragRange_.upper;
        if (isTopHandle(dragHandle_)) {
            const double m = std::min(pos.y(), r.bottom() - MinPixels);
            setValueRange(static_cast<short>(trace), lower,
                          lower + (upper - lower) * height / (r.bottom() - m));
        } else {
            const double m = std::max(pos.y(), r.top() + MinPixels);
            setValueRange(static_cast<short>(trace),
                          upper - (upper - lower) * height / (m - r.top()), upper);
        }
        return;
    }
    // The time handle stretches the span; the left end stays put, or the newest point does
    // while following.
    const QRect r = rects_[1]->rect();
    const double m = std::max(pos.x(), r.left() + MinPixels);
    const double span =
        std::clamp(dragRange_.size() * (r.right() - r.left()) / (m - r.left()), MinSpan, MaxSpan);
    if (isFollowing()) {
        timeAxis()->setRange(dragRange_.upper - span, dragRange_.upper);
        scheduleReplot();
    } else {
        setTimeRange(dragRange_.lower, dragRange_.lower + span);
    }
}

bool StripChartWidget::mouseDoubleClick(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    const QPointF pos = event->position();
    if (areaAt(pos) >= 0) {
        // Back to the live view: the time scale's span, following the newest point.
        const QCPRange r = timeAxis()->range();
        timeAxis()->setRange(r.upper - timeScale_, r.upper);
        setFollowing(true);
        return true;
    }
    for (int i = 0; i < 2; ++i) {
        const QRect r = rects_[static_cast<std::size_t>(i)]->rect();
        if (pos.x() < r.left() && pos.y() >= r.top() && pos.y() <= r.bottom()) {
            setValueRange(static_cast<short>(i), defaultValueRange(i).lower,
                          defaultValueRange(i).upper);
            return true;
        }
    }
    return false;
}

bool StripChartWidget::wheel(QWheelEvent *event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return false;
    const double factor = std::pow(0.8, steps); // wheel forward zooms in
    const QPointF pos = event->position();
    for (int i = 0; i < 2; ++i) {
        const QRect r = rects_[static_cast<std::size_t>(i)]->rect();
        if (pos.x() < r.left() && pos.y() >= r.top() && pos.y() <= r.bottom()) {
            const QCPRange range = valueAxis(i)->range();
            const double c = valueAxis(i)->pixelToCoord(pos.y());
            setValueRange(static_cast<short>(i), c - (c - range.lower) * factor,
                          c + (range.upper - c) * factor);
            return true;
        }
    }
    zoomTime(factor, pos.x());
    return true;
}

void StripChartWidget::zoomTime(double factor, double centrePx)
{
    const QCPRange range = timeAxis()->range();
    const double span = std::clamp(range.size() * factor, MinSpan, MaxSpan);
    if (isFollowing()) {
        timeAxis()->setRange(range.upper - span, range.upper);
        scheduleReplot();
        return;
    }
    const double c = timeAxis()->pixelToCoord(centrePx);
    const double left = c - (c - range.lower) * span / range.size();
    setTimeRange(left, left + span);
}
