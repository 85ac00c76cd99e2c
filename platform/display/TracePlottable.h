#pragma once

#include "chartdata/TraceSeries.h"

#include <optional>
#include <qcustomplot.h>
#include <vector>

// Draws one trace straight from its series: for every pixel column of the axis rect it asks the
// series for the extent of the points in that column, so the work depends on the width in
// pixels, not on how many points are held. The points of one column are drawn as the vertical
// extent they cover; consecutive columns are joined unless the data pauses for longer than
// the gap limit. The columns' extents are kept between pictures: while the view stays put, only
// the columns that new points reach are asked again. Adjacent columns are filled as one polygon,
// so a dense day costs a few fills rather than one per column.
class TracePlottable : public QCPAbstractPlottable
{
public:
    TracePlottable(QCPAxis *keyAxis, QCPAxis *valueAxis, const TraceSeries &series);

    // A pause in the data longer than this (days) leaves a gap in the line.
    void setGapLimit(double days) { gapLimit_ = days; }

    // Whether the picture drawn last still shows the series after its newest point came in:
    // the view and the held points are as they were, and the point lies off the plotting area
    // or inside what its pixel column already shows.
    bool showsNewestPoint() const;
    // The first pixel column (plot X) that points added since the last draw() can change, when
    // only those can have changed: the view and the held points are otherwise as drawn. Points
    // come with non-decreasing X, so the columns before the last one drawn stand. Empty when
    // the whole trace must be drawn again.
    std::optional<int> changedFrom() const;

    double selectTest(const QPointF &pos, bool onlySelectable,
                      QVariant *details = nullptr) const override;
    QCPRange getKeyRange(bool &foundRange,
                         QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
    QCPRange getValueRange(bool &foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                           const QCPRange &inKeyRange = QCPRange()) const override;

protected:
    void draw(QCPPainter *painter) override;
    void drawLegendIcon(QCPPainter *painter, const QRectF &rect) const override;

private:
    // What the last draw() covered, to tell whether a new point changes any pixel.
    struct Drawn {
        bool valid = false;
        QCPRange keys;
        QCPRange values;
        QRect area;
        std::uint64_t generation = 0;
        double leftEdgeX = 0;  // X at the left edge of the first pixel column
        double rightEdgeX = 0; // X at the right edge of the last pixel column
        bool hasColumn = false;
        double columnEndX = 0; // X at the right edge of the last non-empty column
        int columnTop = 0;     // the rows that column's bar covers
        int columnBottom = 0;
    };

    // The view, the plotting area and the held points are as the last draw() saw them.
    bool viewAsDrawn() const;
    void updateColumns(QCPAxis *keys, int left, int right);
    double pixelY(double value, const QRect &area) const;

    const TraceSeries &series_;
    std::vector<SeriesExtent> columns_;
    QCPRange columnsRange_;
    int columnsLeft_ = 0;
    std::uint64_t columnsGeneration_ = 0;
    std::uint64_t columnsAppended_ = 0;
    double columnsLastX_ = 0;
    double gapLimit_ = 10.0 / 86400.0;
    Drawn drawn_;
};
