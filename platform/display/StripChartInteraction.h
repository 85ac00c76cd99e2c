#pragma once

#include "platform/display/ChartOverlay.h"

#include <QPointF>
#include <array>
#include <functional>
#include <optional>
#include <qcustomplot.h>

class QMouseEvent;
class QWheelEvent;
class StripChartWidget;

// The strip chart's mouse: what lies under a point (handle, divider, plotting area, axis) and
// the drag the left button started there. It changes the chart only through the chart's own
// setters; placing the cursor goes through `moveCursor`, so the chart raises its cursor event.
// Buttons other than the left one are left to the plot and its window (a context menu).
class StripChartInteraction
{
public:
    // Called with the cursor's pixel column and the trace of the area the drag began in.
    using CursorMove = std::function<void(double px, int trace)>;

    StripChartInteraction(StripChartWidget &chart, const ChartOverlay &overlay,
                          const std::array<QCPAxisRect *, 2> &areas, CursorMove moveCursor);

    // Each returns whether it used the event.
    bool press(const QMouseEvent &event);
    bool move(const QMouseEvent &event);
    bool release(const QMouseEvent &event);
    bool doubleClick(const QMouseEvent &event);
    bool wheel(const QWheelEvent &event);

    // The mouse pointer's shape over a point, with no drag running.
    Qt::CursorShape shapeAt(const QPointF &pos) const;

private:
    enum class Drag { None, Cursor, Handle, Divider, PanTime, PanValue };

    // The trace whose plotting area holds the point.
    std::optional<int> plotAreaAt(const QPointF &pos) const;
    // The trace whose value axis (left of its plotting area) holds the point.
    std::optional<int> valueAxisAt(const QPointF &pos) const;
    // Below the lower plotting area, on the time axis' labels.
    bool onTimeAxis(const QPointF &pos) const;
    bool onDivider(const QPointF &pos) const;

    void dragHandle(const QPointF &pos);
    void stretchValueAxis(const QPointF &pos);
    void stretchTimeAxis(const QPointF &pos);
    void moveDivider(const QPointF &pos);
    void panTime(const QPointF &pos);
    void panValue(const QPointF &pos);
    void zoomTime(double factor, double centrePx);
    void zoomValue(int trace, double factor, double centrePy);

    QRect area(int trace) const;
    QCPAxis *timeAxis() const;
    QCPAxis *valueAxis(int trace) const;

    StripChartWidget &chart_;
    const ChartOverlay &overlay_;
    std::array<QCPAxisRect *, 2> areas_;
    CursorMove moveCursor_;

    Drag drag_ = Drag::None;
    ChartOverlay::Handle handle_ = ChartOverlay::Handle::None;
    int trace_ = 0;
    QPointF start_;
    QCPRange startRange_;
};
