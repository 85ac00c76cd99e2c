#pragma once

#include <QCache>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <cmath>
#include <functional>
#include <memory>

// Pictures of parts of a widget, kept per key for the keys drawn lately: a part that takes one of
// a limited set of looks (a needle at one of its angles, a readout with one of its texts) is
// drawn once and copied afterwards, which costs a fraction of drawing it again. The least
// recently used pictures go first once the pictures' bytes pass the budget.
template <typename Key> class PictureCache
{
public:
    explicit PictureCache(qsizetype budgetBytes) { cache_.setMaxCost(budgetBytes); }

    // Forgets every picture: what the keys stand for has changed.
    void clear() { cache_.clear(); }
    qsizetype count() const { return cache_.count(); }

    // Draws the picture of key over bounds (in p's coordinates); paint draws it afresh when
    // there is none, in the same coordinates, on a transparent picture at p's pixel ratio and
    // resolution. Whatever paint draws outside bounds is lost.
    void draw(QPainter &p, const Key &key, const QRectF &bounds,
              const std::function<void(QPainter &)> &paint)
    {
        const QPaintDevice *device = p.device();
        const qreal ratio = device ? device->devicePixelRatioF() : 1.0;
        if (const Picture *picture = cache_.object(key);
            picture && picture->image.devicePixelRatio() == ratio) {
            p.drawImage(picture->origin, picture->image);
            return;
        }
        // At whole device pixels, so that the copy lands on the pixels it was drawn for.
        const QPointF origin(std::floor(bounds.left() * ratio) / ratio,
                             std::floor(bounds.top() * ratio) / ratio);
        const QSize size(int(std::ceil((bounds.right() - origin.x()) * ratio)),
                         int(std::ceil((bounds.bottom() - origin.y()) * ratio)));
        if (size.isEmpty() || qsizetype(size.width()) * size.height() * 4 > cache_.maxCost()) {
            paint(p);
            return;
        }
        // Drawn on a scratch picture that is kept, with its paint engine, and copied out: a
        // paint engine for every new picture costs as much as the drawing.
        if (scratch_.width() < size.width() || scratch_.height() < size.height())
            scratch_ =
                QImage(size.expandedTo(scratch_.size()), QImage::Format_ARGB32_Premultiplied);
        scratch_.setDevicePixelRatio(ratio);
        // Text takes its size in pixels from the resolution it is drawn at.
        if (device) {
            scratch_.setDotsPerMeterX(qRound(device->logicalDpiX() / 0.0254));
            scratch_.setDotsPerMeterY(qRound(device->logicalDpiY() / 0.0254));
        }
        {
            QPainter painter(&scratch_);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.fillRect(QRectF(QPointF(0, 0), QSizeF(size) / ratio), Qt::transparent);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            painter.translate(-origin);
            paint(painter);
        }
        auto picture = std::make_unique<Picture>(origin, scratch_.copy(QRect(QPoint(0, 0), size)));
        p.drawImage(origin, picture->image);
        const qsizetype cost = picture->image.sizeInBytes();
        cache_.insert(key, picture.release(), cost);
    }

private:
    struct Picture {
        Picture(QPointF at, QImage picture) : origin(at), image(std::move(picture)) {}
        QPointF origin;
        QImage image;
    };
    QCache<Key, Picture> cache_;
    QImage scratch_;
};
