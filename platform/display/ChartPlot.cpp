#include "platform/display/ChartPlot.h"

#include <QLoggingCategory>
#include <QPaintEvent>

#include <atomic>

// The lean paint, the kept layer and the in-place drawing follow QCustomPlot 2.1.0's own
// replot, layer drawing and paint, and read members it keeps protected. Another release must be
// checked before it is allowed here.
#if !defined(QCUSTOMPLOT_VERSION) || QCUSTOMPLOT_VERSION != 0x020100
// clang-format off
#error "Written against QCustomPlot 2.1.0: review ChartPlot.cpp (replotKeeping() against QCustomPlot::replot, paintEvent() against QCustomPlot::paintEvent, LayerInside and PixmapInside against QCPLayer and QCPPaintBufferPixmap) for this release, then update the version checked here and in the top CMakeLists.txt"
// clang-format on
#endif

Q_LOGGING_CATEGORY(lcChartInsides, "orvel.display.insides")

namespace
{

void warnOnce(const char *why)
{
    static std::atomic_bool warned{false};
    if (!warned.exchange(true))
        qCWarning(lcChartInsides, "chart: %s; the plot draws and paints every layer whole", why);
}

// QCPLayer keeps its buffer and its drawing to itself and its plot.
struct LayerInside : QCPLayer {
    static constexpr auto buffer = &LayerInside::mPaintBuffer;
    static constexpr auto drawToBuffer = &LayerInside::drawToPaintBuffer;
};

// And a pixmap buffer its pixmap.
struct PixmapInside : QCPPaintBufferPixmap {
    static constexpr auto pixmap = &PixmapInside::mBuffer;
};

const QPixmap *pixmapOf(const QCPAbstractPaintBuffer *buffer)
{
    const auto *pixmapBuffer = dynamic_cast<const QCPPaintBufferPixmap *>(buffer);
    return pixmapBuffer ? &(pixmapBuffer->*PixmapInside::pixmap) : nullptr;
}

// The bottom buffer: cleared to the plot's background when that is opaque, so that its pixmap
// keeps an opaque format, which a paint copies rather than blends.
class BottomBuffer : public QCPPaintBufferPixmap
{
public:
    BottomBuffer(const ChartPlot &plot, const QSize &size, double ratio)
        : QCPPaintBufferPixmap(size, ratio), plot_(plot)
    {
    }

    void clear(const QColor &color) override
    {
        const QColor background = color.alpha() == 0 ? plot_.opaqueBackground() : QColor();
        if (!background.isValid()) {
            mBuffer.fill(color);
            return;
        }
        // A pixmap once filled with a transparent colour keeps its alpha channel.
        if (mBuffer.hasAlphaChannel()) {
            const qreal ratio = mBuffer.devicePixelRatio();
            mBuffer = QPixmap(mBuffer.size());
            mBuffer.setDevicePixelRatio(ratio);
        }
        mBuffer.fill(background);
    }

    bool opaque() const { return !mBuffer.isNull() && !mBuffer.hasAlphaChannel(); }

private:
    const ChartPlot &plot_;
};

} // namespace

ChartPlot::ChartPlot(QWidget *parent)
    : QCustomPlot(parent), insides_(!qEnvironmentVariableIsSet("ORVEL_PUBLIC_API_ONLY"))
{
    if (!insides_) {
        warnOnce("ORVEL_PUBLIC_API_ONLY is set");
        return;
    }
    // QCustomPlot makes its buffers at the first replot and keeps the first one from then on.
    mPaintBuffers.append(QSharedPointer<QCPAbstractPaintBuffer>(
        new BottomBuffer(*this, viewport().size(), mBufferDevicePixelRatio)));
}

QColor ChartPlot::opaqueBackground() const
{
    if (mBackgroundBrush.style() != Qt::SolidPattern || mBackgroundBrush.color().alpha() != 255 ||
        !mBackgroundPixmap.isNull())
        return {};
    return mBackgroundBrush.color();
}

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
    if (!insides_ || layer.mode() != QCPLayer::lmBuffered || !buffersReady())
        return {};
    return (layer.*LayerInside::buffer).toStrongRef();
}

const QPaintDevice *ChartPlot::bufferDevice(const QCPLayer &layer)
{
    const auto *plot = dynamic_cast<const ChartPlot *>(layer.parentPlot());
    if (!plot || !plot->insides_ || layer.mode() != QCPLayer::lmBuffered)
        return nullptr;
    return pixmapOf((layer.*LayerInside::buffer).toStrongRef().data());
}

void ChartPlot::setSparseLayer(QCPLayer *layer, std::function<std::optional<QRegion>()> drawnParts)
{
    sparseLayer_ = layer;
    drawnParts_ = std::move(drawnParts);
}

void ChartPlot::replotKeeping(QCPLayer *kept, const std::function<bool()> &keptUnchanged)
{
    const QSharedPointer<QCPAbstractPaintBuffer> keptBuffer =
        kept ? readyBuffer(*kept) : QSharedPointer<QCPAbstractPaintBuffer>();
    if (!keptBuffer || mReplotting) { // also without the insides: no buffer is ready
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

void ChartPlot::paintEvent(QPaintEvent *event)
{
    const auto *bottom = mPaintBuffers.isEmpty()
                             ? nullptr
                             : dynamic_cast<const BottomBuffer *>(mPaintBuffers.first().data());
    if (insides_ && !bottom && !mPaintBuffers.isEmpty())
        warnOnce("the plot replaced the bottom buffer");
    if (!insides_ || !lean_ || !bottom || !bottom->opaque()) {
        QCustomPlot::paintEvent(event);
        return;
    }
    // QCustomPlot fills the background and blends every buffer whole over it. The bottom buffer
    // already holds the background and is copied; a sparse layer's buffer is blended only
    // where it was drawn on.
    QCPPainter painter(this);
    if (!painter.isActive())
        return;
    const QSharedPointer<QCPAbstractPaintBuffer> sparse =
        sparseLayer_ && sparseLayer_->mode() == QCPLayer::lmBuffered
            ? (sparseLayer_->*LayerInside::buffer).toStrongRef()
            : QSharedPointer<QCPAbstractPaintBuffer>();
    for (const QSharedPointer<QCPAbstractPaintBuffer> &buffer : std::as_const(mPaintBuffers)) {
        const QPixmap *pixmap = buffer == sparse ? pixmapOf(buffer.data()) : nullptr;
        const std::optional<QRegion> parts = pixmap ? drawnParts_() : std::nullopt;
        if (!parts) {
            buffer->draw(&painter);
            continue;
        }
        const qreal ratio = pixmap->devicePixelRatio();
        for (const QRect &part : *parts & event->region())
            painter.drawPixmap(
                QRectF(part), *pixmap,
                QRectF(QPointF(part.topLeft()) * ratio, QSizeF(part.size()) * ratio));
    }
}
