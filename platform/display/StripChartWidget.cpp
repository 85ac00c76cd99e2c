#include "platform/display/StripChartWidget.h"

#include "platform/display/ChartPlot.h"
#include "platform/display/ChartTickers.h"
#include "platform/display/ColorRef.h"
#include "platform/display/DisplayFonts.h"
#include "platform/display/TracePlottable.h"
#include "platform/runtime/Clock.h"

#include <QLabel>
#include <QMouseEvent>
#include <QTime>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <qcustomplot.h>
#include <utility>

namespace
{

constexpr double OneSecond = 1.0 / 86400.0;
constexpr int ReplotIntervalMs = 34; // at most 30 pictures a second
const QColor TraceColor[2] = {QColor(255, 96, 96), QColor(96, 160, 255)};
const QColor InkColor(205, 210, 218);
const QColor GridColor(58, 66, 78);

void styleAxis(QCPAxis *axis, const QFont &font)
{
    axis->setBasePen(QPen(InkColor, 1));
    axis->setTickPen(QPen(InkColor, 1));
    axis->setSubTickPen(QPen(InkColor.darker(140), 1));
    axis->setTickLabelColor(InkColor);
    axis->setTickLabelFont(font);
    axis->setTickLengthIn(4);
    axis->setSubTickLengthIn(2);
    axis->setTickLabelPadding(4);
    axis->setPadding(0);
    axis->grid()->setPen(QPen(GridColor, 1, Qt::DotLine));
    axis->grid()->setZeroLinePen(QPen(GridColor.lighter(140), 1, Qt::DotLine));
}

// A layer's children keep their drawing to themselves and their layer; these name it, to redraw
// a strip of the traces' buffer in place.
struct LayerablePainting : QCPLayerable {
    static constexpr auto clip = &LayerablePainting::clipRect;
    static constexpr auto antialiasing = &LayerablePainting::applyDefaultAntialiasingHint;
    static constexpr auto draw = &LayerablePainting::draw;
};

// Draws what a layer holds as the layer itself does, but only the pixels inside part.
void drawLayerPart(const QCPLayer &layer, QCPPainter &painter, const QRect &part)
{
    for (QCPLayerable *child : layer.children()) {
        if (!child->realVisibility())
            continue;
        painter.save();
        painter.setClipRect((child->*LayerablePainting::clip)().translated(0, -1) & part);
        (child->*LayerablePainting::antialiasing)(&painter);
        (child->*LayerablePainting::draw)(&painter);
        painter.restore();
    }
}

} // namespace

StripChartWidget::StripChartWidget(const Clock &clock, QWidget *parent)
    : QWidget(parent), plot_(new ChartPlot(this)),
      timeTicker_(QSharedPointer<TimeOfDayTicker>::create()), backColor_(0x00201810)
{
    now_ = [&clock] { return clock.now(); };
    timeTicker_->setOffsets(&store_.offsets());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plot_);
    plot_->setMouseTracking(true);
    plot_->installEventFilter(this);
    plot_->setBackground(colorFromBgr(backColor_));

    const QFont tickFont = DisplayFonts::small();
    QCPLayoutGrid *grid = plot_->plotLayout();
    grid->clear();
    grid->setRowSpacing(0);
    auto *margins = new QCPMarginGroup(plot_);
    for (int i = 0; i < 2; ++i) {
        auto *rect = new QCPAxisRect(plot_);
        grid->addElement(i, 0, rect);
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
        rect->setAutoMargins(i == 0 ? QCP::msLeft : QCP::msLeft | QCP::msBottom);
        // Room for the top value label and handles; the gap between the areas is the divider.
        rect->setMargins(i == 0 ? QMargins(0, 8, 8, 7) : QMargins(0, 7, 8, 0));
        rect->axis(QCPAxis::atTop)->setVisible(false);
        rect->axis(QCPAxis::atRight)->setVisible(false);
        QCPAxis *values = rect->axis(QCPAxis::atLeft);
        QCPAxis *times = rect->axis(QCPAxis::atBottom);
        styleAxis(values, tickFont);
        styleAxis(times, tickFont);
        values->setTicker(QSharedPointer<AngleTicker>::create());
        values->setRange(defaultValueRange(i));
        times->setTicker(timeTicker_);
        rects_[static_cast<std::size_t>(i)] = rect;

        auto *trace = new TracePlottable(times, values, store_.trace(i));
        // Thin lines without antialiasing take the painter's fast path; a column of a dense
        // day is a full-height stroke, which antialiasing makes many times dearer.
        trace->setPen(QPen(TraceColor[i], 0));
        trace->setAntialiased(false);
        traces_[static_cast<std::size_t>(i)] = trace;
        captionColors_[static_cast<std::size_t>(i)] = backColor_;
    }
    rects_[0]->axis(QCPAxis::atBottom)->setTickLabels(false);
    connect(timeAxis(), qOverload<const QCPRange &>(&QCPAxis::rangeChanged),
            rects_[0]->axis(QCPAxis::atBottom), qOverload<const QCPRange &>(&QCPAxis::setRange));
    grid->setRowStretchFactors({dividerFraction_, 1 - dividerFraction_});

    marks_ = new ChartMarks(plot_, rects_[0], rects_[1]);
    overlay_ = new ChartOverlay(plot_, rects_[0], rects_[1]);
    overlay_->setCaptionFont(DisplayFonts::captionBold());
    // The cursor and captions sit on their own buffered layer, so moving the cursor redraws
    // only that layer.
    plot_->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmBuffered);
    // Handles, divider, captions and cursor cover little of the chart: a paint blends the
    // overlay's buffer only over what it drew there. (The plot's selection rectangle, also on
    // this layer, is never switched on.)
    plot_->setSparseLayer(overlay_->layer(), [this] { return overlay_->bufferParts(); });
    // The traces too: while the axes stand still (most frames of a stream, since points come
    // in whole seconds), only the traces' layer is redrawn, not the axes and their labels. The
    // layout, the axes and their grids were made on the current layer, the traces' own: they
    // go to the layers meant for them. The axes' layer (and the empty legend's) go under the
    // traces, where the axes were drawn before, so that everything under the traces shares one
    // buffer: each buffer is cleared and copied over the widget whenever the view moves.
    plot_->layer(QStringLiteral("main"))->setMode(QCPLayer::lmBuffered);
    for (const QString &name : {QStringLiteral("axes"), QStringLiteral("legend")})
        plot_->moveLayer(plot_->layer(name), plot_->layer(QStringLiteral("main")),
                         QCustomPlot::limBelow);
    plot_->plotLayout()->setLayer(QStringLiteral("background"));
    for (QCPAxisRect *rect : rects_) {
        rect->setLayer(QStringLiteral("background"));
        for (QCPAxis *axis : rect->axes()) {
            axis->setLayer(QStringLiteral("axes"));
            axis->grid()->setLayer(QStringLiteral("grid"));
        }
    }
    for (int i = 0; i < 2; ++i)
        overlay_->setCaption(i, QString(), colorFromBgr(backColor_));
    interaction_ = std::make_unique<StripChartInteraction>(
        *this, *overlay_, rects_, [this](double px, int trace) { userMovedCursor(px, trace); });

    setAccessibleName(QStringLiteral("Elevation and azimuth chart"));
    replotTimer_.setSingleShot(true);
    connect(&replotTimer_, &QTimer::timeout, this, &StripChartWidget::replotNow);
    timeAxis()->setRange(nowX() - timeScale_, nowX());
    scheduleReplot();
}

StripChartWidget::~StripChartWidget() = default;

bool StripChartWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != plot_)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return interaction_->press(*static_cast<QMouseEvent *>(event));
    case QEvent::MouseMove:
        return interaction_->move(*static_cast<QMouseEvent *>(event));
    case QEvent::MouseButtonRelease:
        return interaction_->release(*static_cast<QMouseEvent *>(event));
    case QEvent::MouseButtonDblClick:
        return interaction_->doubleClick(*static_cast<QMouseEvent *>(event));
    case QEvent::Wheel:
        return interaction_->wheel(*static_cast<QWheelEvent *>(event));
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void StripChartWidget::userMovedCursor(double px, int trace)
{
    const QRect area = rects_[1]->rect();
    const double clamped = std::clamp(px, double(area.left()), double(area.right()));
    setCursorX(timeAxis()->pixelToCoord(clamped));
    emit CursorEvent(static_cast<int>(clamped), trace);
}

QCPAxis *StripChartWidget::timeAxis() const
{
    return rects_[1]->axis(QCPAxis::atBottom);
}

QCPAxis *StripChartWidget::valueAxis(int trace) const
{
    return rects_[static_cast<std::size_t>(trace)]->axis(QCPAxis::atLeft);
}

double StripChartWidget::nowX() const
{
    return ChartTime::fromMsecs(now_().toMSecsSinceEpoch());
}

void StripChartWidget::setNowSource(std::function<QDateTime()> now)
{
    if (!now)
        return;
    now_ = std::move(now);
    if (store_.isEmpty())
        timeAxis()->setRange(nowX() - timeScale_, nowX());
}

QDateTime StripChartWidget::localTimeAt(double x) const
{
    return ChartTime::toDateTime(x, store_.offsets().at(x).value_or(ChartTime::localOffsetAt(x)));
}

void StripChartWidget::setFileNotice(const QString &text)
{
    overlay_->setNotice(text, DisplayFonts::small());
    scheduleReplot();
}

QString StripChartWidget::fileNotice() const
{
    return overlay_->notice();
}

void StripChartWidget::ClearChart()
{
    store_.clear();
    resolver_.reset();
    overlay_->setNotice(QString(), DisplayFonts::small());
    setShadedPeriods({});
    scheduleReplot();
}

void StripChartWidget::takeStore(ChartStore &store)
{
    store_.swap(store);
    resolver_.reset();
    if (!store_.isEmpty()) {
        double first = store_.newestX();
        for (int i = 0; i < ChartStore::TraceCount; ++i) {
            if (!store_.trace(i).isEmpty())
                first = std::min(first, store_.trace(i).firstX());
        }
        const double last = store_.newestX() + OneSecond;
        setTimeRange(first, std::clamp(last, first + MinSpan, first + MaxSpan));
    }
    scheduleReplot();
}

void StripChartWidget::setChartMode(short mode)
{
    chartMode_ = mode;
    scheduleReplot();
}

void StripChartWidget::setTimeScale(double days)
{
    if (!(days > 0) || !std::isfinite(days))
        return;
    timeScale_ = std::clamp(days, MinSpan, MaxSpan);
    const QCPRange r = timeAxis()->range();
    timeAxis()->setRange(r.upper - timeScale_, r.upper);
    following_ = true;
    scheduleReplot();
}

void StripChartWidget::AddPoint(short trace, double x, double y)
{
    if ((trace != 0 && trace != 1) || !std::isfinite(x))
        return;
    if (store_.isEmpty())
        resolver_.reset();
    const TimeOfDayResolver::Instant at = resolver_.resolve(x, now_);
    store_.noteOffset(at.x, at.offsetSeconds);
    store_.append(trace, at.x, y);
    if (!cached_ || fullReplotDue_) {
        scheduleReplot();
    } else if (isFollowing() && store_.newestX() != followedX_) {
        scheduleReplot(); // the view moves
    } else if (!tracesDue_ && !traces_[static_cast<std::size_t>(trace)]->showsNewestPoint()) {
        tracesDue_ = true;
        scheduleReplot(ReplotScope::TracesOnly);
    }
}

void StripChartWidget::setCurrentTrace(short trace)
{
    if (trace == 0 || trace == 1)
        currentTrace_ = trace;
}

void StripChartWidget::setCaption(const QString &caption)
{
    const auto i = static_cast<std::size_t>(currentTrace_);
    captions_[i] = caption;
    overlay_->setCaption(currentTrace_, caption, colorFromBgr(captionColors_[i]));
    // Screen readers read the chart by its two captions: the cursor read-out once there is one.
    setAccessibleDescription(captions_[0] + QStringLiteral("; ") + captions_[1]);
    scheduleReplot();
}

QString StripChartWidget::Caption() const
{
    return captions_[static_cast<std::size_t>(currentTrace_)];
}

void StripChartWidget::setTraceCaptionColor(std::uint32_t bgr)
{
    const auto i = static_cast<std::size_t>(currentTrace_);
    captionColors_[i] = bgr;
    overlay_->setCaption(currentTrace_, captions_[i], colorFromBgr(bgr));
    scheduleReplot();
}

std::uint32_t StripChartWidget::TraceCaptionColor() const
{
    return captionColors_[static_cast<std::size_t>(currentTrace_)];
}

double StripChartWidget::ValueAtCursor(short trace) const
{
    return store_.valueAt(trace, cursorX_);
}

void StripChartWidget::setTimeFormat(const QString &format)
{
    timeTicker_->setFormat(format);
    scheduleReplot();
}

QString StripChartWidget::timeFormat() const
{
    return timeTicker_->format();
}

void StripChartWidget::setCursorX(double x)
{
    if (!std::isfinite(x))
        return;
    hasCursor_ = true;
    cursorX_ = x;
    overlay_->setCursor(true, x);
    if (replots_ == 0 || replotPending())
        scheduleReplot(); // the overlay's buffer exists only after the first full picture
    else {
        overlay_->layer()->replot();
        overlay_->noteBufferDrawn();
    }
}

bool StripChartWidget::isFollowing() const
{
    return chartMode_ == 2 && following_;
}

void StripChartWidget::setFollowing(bool follow)
{
    following_ = follow;
    scheduleReplot();
}

QCPRange StripChartWidget::timeRange() const
{
    return timeAxis()->range();
}

void StripChartWidget::setTimeRange(double lower, double upper)
{
    if (!(upper - lower >= MinSpan) || upper - lower > MaxSpan)
        return;
    following_ = false;
    timeAxis()->setRange(lower, upper);
    scheduleReplot();
}

void StripChartWidget::setTimeRangeKeepingFollow(double lower, double upper)
{
    timeAxis()->setRange(lower, upper);
    scheduleReplot();
}

QCPRange StripChartWidget::valueRange(short trace) const
{
    return trace == 0 || trace == 1 ? valueAxis(trace)->range() : QCPRange();
}

void StripChartWidget::setValueRange(short trace, double lower, double upper)
{
    if ((trace != 0 && trace != 1) || !(upper > lower) || !std::isfinite(upper - lower))
        return;
    valueAxis(trace)->setRange(lower, upper);
    scheduleReplot();
}

void StripChartWidget::setDividerFraction(double fraction)
{
    dividerFraction_ = std::clamp(fraction, 0.15, 0.85);
    plot_->plotLayout()->setRowStretchFactors({dividerFraction_, 1 - dividerFraction_});
    scheduleReplot();
}

void StripChartWidget::setCachedDrawing(bool on)
{
    cached_ = on;
    plot_->setLeanPainting(on);
    scheduleReplot();
}

void StripChartWidget::flush()
{
    if (replotPending() || (!isVisible() && fullReplotDue_)) {
        cancelPendingReplot();
        replotNow();
    }
}

void StripChartWidget::scheduleReplot(ReplotScope scope)
{
    if (scope == ReplotScope::Everything || !isVisible())
        fullReplotDue_ = true;
    if (replotPending() || !isVisible())
        return;
    const qint64 since = sinceReplot_.isValid() ? sinceReplot_.elapsed() : ReplotIntervalMs;
    if (since < ReplotIntervalMs) {
        replotTimer_.start(static_cast<int>(ReplotIntervalMs - since));
        return;
    }
    // Due now: posted rather than timed, so that it runs before the window's repaint, which
    // Qt posts at a lower priority, and the new picture goes out in the same paint pass as the
    // gauges' new needles.
    replotPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (std::exchange(replotPosted_, false))
                replotNow();
        },
        Qt::QueuedConnection);
}

bool StripChartWidget::replotPending() const
{
    return replotTimer_.isActive() || replotPosted_;
}

void StripChartWidget::cancelPendingReplot()
{
    replotTimer_.stop();
    replotPosted_ = false;
}

void StripChartWidget::replotNow()
{
    applyFollowing();
    if (!isVisible()) {
        fullReplotDue_ = true; // drawn when shown
        return;
    }
    tracesDue_ = false;
    const std::array<QCPRange, 3> ranges = {timeAxis()->range(), valueAxis(0)->range(),
                                            valueAxis(1)->range()};
    if (cached_ && !fullReplotDue_ && ranges == lastRanges_) {
        if (!redrawNewestColumns())
            plot_->layer(QStringLiteral("main"))->replot();
    } else {
        updateTickCounts();
        // The overlay (handles, divider, captions) stays as it was while the view only scrolls.
        if (cached_)
            plot_->replotKeeping(overlay_->layer(),
                                 [this] { return overlay_->drawingUnchanged(); });
        else
            plot_->replot(QCustomPlot::rpQueuedRefresh);
        overlay_->noteBufferDrawn();
        lastRanges_ = ranges;
        placeNotice();
        fullReplotDue_ = false;
    }
    ++replots_;
    sinceReplot_.restart();
}

bool StripChartWidget::redrawNewestColumns()
{
    // While the view stands, new points change only the traces' newest columns: that strip of
    // the traces' buffer is cleared and drawn again, and only the strip is repainted. Anything
    // else (a buffer the plot must rebuild, a trace that must be drawn whole) takes the layer's
    // own replot.
    QCPLayer *layer = plot_->layer(QStringLiteral("main"));
    if (!layer)
        return false;
    int from = plot_->width();
    for (TracePlottable *trace : traces_) {
        const std::optional<int> changed = trace->changedFrom();
        if (!changed || trace->layer() != layer)
            return false;
        from = std::min(from, *changed);
    }
    const QSharedPointer<QCPAbstractPaintBuffer> buffer = plot_->readyBuffer(*layer);
    if (!buffer)
        return false;
    const QRect part(QPoint(std::max(0, from), 0), QPoint(plot_->width(), plot_->height()));
    {
        const std::unique_ptr<QCPPainter> painter(buffer->startPainting());
        if (!painter || !painter->isActive())
            return false;
        painter->setCompositionMode(QPainter::CompositionMode_Source);
        painter->fillRect(part, Qt::transparent);
        painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
        drawLayerPart(*layer, *painter, part);
    }
    buffer->donePainting();
    plot_->update(part);
    return true;
}

void StripChartWidget::applyFollowing()
{
    if (!isFollowing())
        return;
    const double span = timeAxis()->range().size();
    const double newest = store_.isEmpty() ? nowX() : store_.newestX();
    // A little room on the right so the newest second's column is not on the edge.
    const double right = newest + std::max(span / 30, 2 * OneSecond);
    timeAxis()->setRange(right - span, right);
    followedX_ = store_.newestX();
}

void StripChartWidget::updateTickCounts()
{
    // Measured again only when the font or the format changes: laying the text out costs more
    // than the rest of a picture that only scrolls.
    const QFont font = DisplayFonts::small();
    if (font != labelFont_ || timeFormat() != labelFormat_ || labelWidth_ < 0) {
        labelFont_ = font;
        labelFormat_ = timeFormat();
        const QFontMetrics metrics(font);
        labelWidth_ =
            std::max(metrics.horizontalAdvance(TimeOfDayTicker::formatTimeOfDay(0, labelFormat_)),
                     metrics.horizontalAdvance(TimeOfDayTicker::formatDate(0, labelFormat_)));
    }
    const int labelWidth = labelWidth_;
    const int width =
        std::max(1, rects_[1]->width() > 0 ? rects_[1]->width() : plot_->width() - 40);
    timeTicker_->setTickCount(std::max(2, width / (labelWidth + 14)));
    // Half a label at either end would be cut off by the widget's edge.
    timeTicker_->setEdgeBlank(0.5 * labelWidth / width);
    for (int i = 0; i < 2; ++i) {
        const int height = rects_[static_cast<std::size_t>(i)]->height();
        valueAxis(i)->ticker()->setTickCount(std::max(2, (height > 0 ? height : 150) / 22));
    }
}

void StripChartWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    scheduleReplot();
    placeNotice();
}

void StripChartWidget::setLimitLines(short trace, const QList<double> &values)
{
    if (marks_->setLimits(trace, values)) {
        fullReplotDue_ = true;
        scheduleReplot();
    }
}

void StripChartWidget::setShadedPeriods(const QList<ChartMarks::Period> &periods)
{
    if (marks_->setPeriods(periods)) {
        fullReplotDue_ = true;
        scheduleReplot();
    }
}

void StripChartWidget::setNotice(const QString &text, const QColor &color)
{
    noticeText_ = text;
    if (!notice_) {
        if (text.isEmpty())
            return;
        // A label of its own: the chart's layers and their buffers stay as they are.
        notice_ = new QLabel(this);
        notice_->setObjectName(QStringLiteral("chartNotice"));
        notice_->setAttribute(Qt::WA_TransparentForMouseEvents);
        notice_->setFont(DisplayFonts::small());
        notice_->setMargin(2);
        notice_->setWordWrap(true);
        notice_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    // Dark ink on a light box, readable over the traces and the grid.
    notice_->setStyleSheet(QStringLiteral("QLabel { color: %1; background: rgba(255, 255, 255, "
                                          "225); border: 1px solid %1; }")
                               .arg(color.name()));
    notice_->setToolTip(text);
    notice_->setVisible(!text.isEmpty());
    placeNotice();
}

QString StripChartWidget::notice() const
{
    return noticeText_;
}

void StripChartWidget::placeNotice()
{
    if (!notice_ || notice_->isHidden())
        return;
    // Along the foot of the upper area, clear of the value axis. A long notice (an alarm and a
    // lost port or a remote mast at once) wraps onto up to three lines; beyond that it is cut.
    const QRect area = rects_[0]->rect().adjusted(4, 0, -4, -3);
    const QFontMetrics metrics(notice_->font());
    const int frame = 2 * (notice_->margin() + 1) + 2;
    const int textWidth = std::max(area.width() - frame, 0);
    const QRect text = metrics.boundingRect(QRect(0, 0, textWidth, 1 << 20),
                                            Qt::TextWordWrap | Qt::AlignLeft, noticeText_);
    const int height = std::min(text.height(), 3 * metrics.lineSpacing()) + frame;
    const int width = std::min(text.width() + frame, area.width());
    notice_->setText(noticeText_);
    notice_->setGeometry(area.left(), area.bottom() - height, width, height);
}

void StripChartWidget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Whatever came in while hidden is drawn before the first paint.
    if (fullReplotDue_) {
        cancelPendingReplot();
        replotNow();
    }
}
