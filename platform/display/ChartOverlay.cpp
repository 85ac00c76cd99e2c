#include "platform/display/ChartOverlay.h"

#include "platform/display/ChartPlot.h"
#include "platform/display/ColorRef.h"

#include <algorithm>

namespace
{
constexpr double HandleSize = 7.0;
}

ChartOverlay::ChartOverlay(QCustomPlot *plot, QCPAxisRect *upper, QCPAxisRect *lower)
    : QCPLayerable(plot, QStringLiteral("overlay")), upper_(upper), lower_(lower)
{
}

void ChartOverlay::setCursor(bool shown, double x)
{
    cursorShown_ = shown;
    cursorX_ = x;
}

void ChartOverlay::setCaption(int trace, const QString &text, const QColor &box)
{
    if (trace < 0 || trace > 1)
        return;
    captions_[static_cast<std::size_t>(trace)] = text;
    boxes_[static_cast<std::size_t>(trace)] = box;
}

QRectF ChartOverlay::handleRect(Handle handle) const
{
    QPointF centre;
    switch (handle) {
    case Handle::UpperTop:
        centre = upper_->topLeft();
        break;
    case Handle::UpperBottom:
        centre = upper_->bottomLeft();
        break;
    case Handle::LowerTop:
        centre = lower_->topLeft();
        break;
    case Handle::LowerBottom:
        centre = lower_->bottomLeft();
        break;
    case Handle::Time:
        centre = lower_->bottomRight();
        break;
    case Handle::None:
        return {};
    }
    return {centre.x() - HandleSize / 2, centre.y() - HandleSize / 2, HandleSize, HandleSize};
}

ChartOverlay::Handle ChartOverlay::handleAt(const QPointF &pos) const
{
    for (const Handle h : {Handle::UpperTop, Handle::UpperBottom, Handle::LowerTop,
                           Handle::LowerBottom, Handle::Time}) {
        // A little slack around the square makes the small handles easier to catch.
        if (handleRect(h).adjusted(-2, -2, 2, 2).contains(pos))
            return h;
    }
    return Handle::None;
}

QRectF ChartOverlay::dividerRect() const
{
    const double top = upper_->bottom() + 1;
    const double bottom = lower_->top() - 1;
    return {double(upper_->left()) + HandleSize, top, double(upper_->width()) - HandleSize,
            std::max(1.0, bottom - top)};
}

void ChartOverlay::applyDefaultAntialiasingHint(QCPPainter *painter) const
{
    painter->setAntialiasing(false);
}

QRect ChartOverlay::clipRect() const
{
    return mParentPlot ? mParentPlot->viewport() : QRect();
}

ChartOverlay::Drawing ChartOverlay::drawing() const
{
    return {mParentPlot ? mParentPlot->viewport() : QRect(),
            upper_->rect(),
            lower_->rect(),
            captions_,
            boxes_,
            captionFont_,
            notice_,
            noticeFont_,
            cursorColor_,
            cursorShown_,
            cursorShown_ ? lower_->axis(QCPAxis::atBottom)->coordToPixel(cursorX_) : 0.0};
}

void ChartOverlay::draw(QCPPainter *painter)
{
    // What is drawn, with a pixel's margin for where a pen of one pixel may fall.
    QRegion parts;
    const auto drawnOn = [&parts](const QRectF &r) {
        parts += r.toAlignedRect().adjusted(-1, -1, 1, 1);
    };

    // Divider: a raised bar with a grip in the middle.
    const QRectF divider = dividerRect();
    const double mid = divider.center().y();
    painter->setPen(QPen(QColor(110, 118, 130), 1));
    painter->drawLine(QLineF(divider.left(), mid - 1, divider.right(), mid - 1));
    painter->setPen(QPen(QColor(40, 44, 52), 1));
    painter->drawLine(QLineF(divider.left(), mid, divider.right(), mid));
    painter->setPen(QPen(QColor(170, 176, 186), 1));
    for (int i = -2; i <= 2; ++i) {
        const double x = divider.center().x() + i * 4;
        painter->drawLine(QLineF(x, mid - 2, x, mid + 1));
    }
    drawnOn(QRectF(divider.left(), mid - 2, divider.width(), 3));

    parts += drawCaption(painter, upper_, 0);
    parts += drawCaption(painter, lower_, 1);
    parts += drawNotice(painter);

    if (cursorShown_) {
        const double px = lower_->axis(QCPAxis::atBottom)->coordToPixel(cursorX_);
        if (px >= lower_->left() && px <= lower_->right()) {
            painter->setPen(QPen(cursorColor_, 1));
            painter->drawLine(QLineF(px, upper_->top(), px, upper_->bottom()));
            painter->drawLine(QLineF(px, lower_->top(), px, lower_->bottom()));
            drawnOn(QRectF(px, upper_->top(), 0, upper_->bottom() - upper_->top()));
            drawnOn(QRectF(px, lower_->top(), 0, lower_->bottom() - lower_->top()));
        }
    }

    painter->setPen(QPen(QColor(60, 60, 60), 1));
    painter->setBrush(Qt::white);
    for (const Handle h : {Handle::UpperTop, Handle::UpperBottom, Handle::LowerTop,
                           Handle::LowerBottom, Handle::Time}) {
        painter->drawRect(handleRect(h).adjusted(0, 0, -1, -1));
        drawnOn(handleRect(h));
    }

    // A picture export draws on its own device and leaves the buffer as it was.
    if (layer() && painter->device() == ChartPlot::bufferDevice(*layer()))
        bufferParts_ = parts;
}

QRect ChartOverlay::drawCaption(QCPPainter *painter, const QCPAxisRect *rect, int trace) const
{
    const QString &text = captions_[static_cast<std::size_t>(trace)];
    if (text.isEmpty())
        return {};
    const QColor box = boxes_[static_cast<std::size_t>(trace)];
    painter->setFont(captionFont_);
    const QFontMetrics metrics(captionFont_);
    const QRectF r(rect->left() + HandleSize, rect->top() + 3, metrics.horizontalAdvance(text) + 8,
                   metrics.height() + 2);
    painter->setPen(Qt::NoPen);
    painter->setBrush(box);
    painter->drawRect(r);
    painter->setPen(textColorOn(box));
    painter->drawText(r, Qt::AlignCenter, text);
    // The text is centred in its box; a glyph may still reach past the box's edge.
    return r.toAlignedRect().adjusted(-3, -3, 3, 3);
}

QRect ChartOverlay::drawNotice(QCPPainter *painter) const
{
    if (notice_.isEmpty())
        return {};
    const QFontMetrics metrics(noticeFont_);
    // Right of the elevation caption, never over it.
    const int caption =
        captions_[0].isEmpty() ? 0 : QFontMetrics(captionFont_).horizontalAdvance(captions_[0]) + 8;
    const int room = std::max(0, upper_->width() - caption - 3 * int(HandleSize) - 8);
    const QString text = metrics.elidedText(notice_, Qt::ElideMiddle, room);
    const int width = metrics.horizontalAdvance(text) + 8;
    const QRectF r(upper_->right() - width - HandleSize, upper_->top() + 3, width,
                   metrics.height() + 2);
    painter->setFont(noticeFont_);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(32, 36, 44, 220));
    painter->drawRect(r);
    painter->setPen(QColor(205, 210, 218));
    painter->drawText(r, Qt::AlignCenter, text);
    return r.toAlignedRect().adjusted(-3, -3, 3, 3);
}
