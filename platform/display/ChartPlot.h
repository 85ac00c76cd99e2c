#pragma once

#include <functional>
#include <qcustomplot.h>

// The strip chart's plot: QCustomPlot, with two ways to draw less than every layer again.
class ChartPlot : public QCustomPlot
{
public:
    using QCustomPlot::QCustomPlot;

    // A full replot, as replot(rpQueuedRefresh), that leaves the picture of the buffered layer
    // kept as it is when, with the layout brought up to date, keptUnchanged() says that its
    // drawing would be the same. All other layers are drawn again.
    void replotKeeping(QCPLayer *kept, const std::function<bool()> &keptUnchanged);

    // The buffer of a buffered layer, ready to be drawn into in place: null while the plot must
    // set up its buffers again (after a resize, a change of pixel ratio or of layers).
    QSharedPointer<QCPAbstractPaintBuffer> readyBuffer(const QCPLayer &layer) const;

private:
    bool buffersReady() const;
};
