#pragma once

#include <QColor>
#include <QList>
#include <array>
#include <qcustomplot.h>

// What the strip chart draws under its traces besides the grid: shaded time periods across one
// or both plotting areas and each area's limits as dashed lines. It shares the buffer of the layers
// under the traces, so it is drawn again only when the view moves or the marks change.
class ChartMarks : public QCPLayerable
{
public:
    struct Period {
        double from = 0; // chart X, days
        double to = 0;
        QColor color;
        int area = -1; // 0: the upper plotting area, 1: the lower one, -1: both
        bool operator==(const Period &) const = default;
    };

    ChartMarks(QCustomPlot *plot, QCPAxisRect *upper, QCPAxisRect *lower);

    // False when nothing changed (no new picture needed).
    bool setLimits(int trace, const QList<double> &values);
    bool setPeriods(const QList<Period> &periods);
    const QList<double> &limits(int trace) const { return limits_[std::size_t(trace & 1)]; }
    const QList<Period> &periods() const { return periods_; }

    static QColor limitColor() { return QColor(220, 0, 0); }

protected:
    void applyDefaultAntialiasingHint(QCPPainter *painter) const override;
    QRect clipRect() const override;
    void draw(QCPPainter *painter) override;

private:
    std::array<QCPAxisRect *, 2> rects_;
    std::array<QList<double>, 2> limits_;
    QList<Period> periods_;
};
