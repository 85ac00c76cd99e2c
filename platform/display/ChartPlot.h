#pragma once

#include <QRegion>
#include <functional>
#include <optional>
#include <qcustomplot.h>

// The strip chart's plot: QCustomPlot, with ways to draw and copy less than every layer again.
//
// The bottom buffer (the layers under the first buffered one) is filled with the plot's
// background when that is a plain opaque colour, so a paint copies it instead of filling the
// background and blending the buffer over it. A sparse layer's buffer is blended only over the
// parts its drawer names.
//
// All of this works on the plot's protected buffers. With ORVEL_PUBLIC_API_ONLY set (a library
// update to check) or where the plot's buffers are not the expected ones, the plot replots and
// paints as QCustomPlot does, with a warning the first time.
class ChartPlot : public QCustomPlot
{
public:
    explicit ChartPlot(QWidget *parent = nullptr);

    // False: the plain public path, as described above.
    bool usesLibraryInsides() const { return insides_; }

    // A full replot, as replot(rpQueuedRefresh), that leaves the picture of the buffered layer
    // kept as it is when, with the layout brought up to date, keptUnchanged() says that its
    // drawing would be the same. All other layers are drawn again.
    void replotKeeping(QCPLayer *kept, const std::function<bool()> &keptUnchanged);

    // The buffer of a buffered layer, ready to be drawn into in place: null while the plot must
    // set up its buffers again (after a resize, a change of pixel ratio or of layers).
    QSharedPointer<QCPAbstractPaintBuffer> readyBuffer(const QCPLayer &layer) const;

    // What a buffered layer's buffer paints on, or null: a layerable that is drawing on it is
    // drawing the buffer, not a picture export.
    static const QPaintDevice *bufferDevice(const QCPLayer &layer);

    // A buffered layer whose drawing covers little of the plot: a paint blends its buffer only
    // over drawnParts() (in the plot's pixels), which must hold every pixel its layerables last
    // drew into the buffer; none (nullopt): the whole buffer.
    void setSparseLayer(QCPLayer *layer, std::function<std::optional<QRegion>()> drawnParts);

    // Off: every paint is QCustomPlot's own, the background filled and each buffer blended
    // whole (the reference the lean paint is compared against).
    void setLeanPainting(bool on) { lean_ = on; }

    // The colour the bottom buffer is filled with; invalid unless the background is a plain
    // opaque colour.
    QColor opaqueBackground() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool buffersReady() const;

    QCPLayer *sparseLayer_ = nullptr;
    std::function<std::optional<QRegion>()> drawnParts_;
    bool lean_ = true;
    const bool insides_;
};
