#include "platform/display/ChartPlot.h"

namespace
{

// QCPLayer keeps its buffer and its drawing to itself and its plot.
struct LayerInside : QCPLayer {
    static constexpr auto buffer = &LayerInside::mPaintBuffer;
    static constexpr auto drawToBuffer = &LayerInside::drawToPaintBuffer;
};

} // namespace

bool ChartPlot::buffersReady() const
{
    if (mPaintBuffers.isEmpty())
        return false;
    for (const QSharedPointer<QCPAbstractPaintBuffer> &buffer : mPaintBuffers) {
        if (buffer->invalidated() || buffer->size() != viewport().size() ||
            buffer->devicePixelRatio() != mBufferDevicePixelRatio)
            return false;
    }
    return true;
}

QSharedPointer<QCPAbstractPaintBuffer> ChartPlot::readyBuffer(const QCPLayer &layer) const
{
    if (layer.mode() != QCPLayer::lmBuffered || !buffersReady())
        return {};
    return (layer.*LayerInside::buffer).toStrongRef();
}

void ChartPlot::replotKeeping(QCPLayer *kept, const std::function<bool()> &keptUnchanged)
{
    const QSharedPointer<QCPAbstractPaintBuffer> keptBuffer =
        kept ? readyBuffer(*kept) : QSharedPointer<QCPAbstractPaintBuffer>();
    if (!keptBuffer || mReplotting) {
        replot(rpQueuedRefresh);
        return;
    }
    // QCustomPlot::replot's steps, with the kept buffer neither cleared nor drawn into.
    mReplotting = true;
    mReplotQueued = false;
    emit beforeReplot();
    updateLayout();
    const bool keep = keptUnchanged();
    if (keep) {
        for (const QSharedPointer<QCPAbstractPaintBuffer> &buffer : mPaintBuffers) {
            if (buffer != keptBuffer)
                buffer->clear(Qt::transparent);
        }
    } else {
        setupPaintBuffers();
    }
    for (QCPLayer *layer : mLayers) {
        if (!keep || (layer->*LayerInside::buffer).toStrongRef() != keptBuffer)
            (layer->*LayerInside::drawToBuffer)();
    }
    for (const QSharedPointer<QCPAbstractPaintBuffer> &buffer : mPaintBuffers)
        buffer->setInvalidated(false);
    update();
    emit afterReplot();
    mReplotting = false;
}
