#include "app/WindowIcon.h"

#include <QPainter>
#include <QPolygonF>

QImage drawWindowIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    const double s = size;
    const double bevel = std::max(1.0, s / 16.0);

    // Raised square: light face, white top-left edge, dark bottom-right edge.
    p.fillRect(QRectF(0, 0, s, s), QColor(0x40, 0x40, 0x40));
    p.fillRect(QRectF(0, 0, s - bevel, s - bevel), Qt::white);
    p.fillRect(QRectF(bevel, bevel, s - 2 * bevel, s - 2 * bevel), QColor(0xC0, 0xC0, 0xC0));

    p.setRenderHint(QPainter::Antialiasing, size > 16);
    const QPointF apex(s / 2, s * 0.18);
    const QPointF left(s * 0.16, s * 0.80);
    const QPointF right(s * 0.84, s * 0.80);
    const double line = std::max(1.0, s / 16.0);
    // Fill the inside grey-blue so the edges read as a mast's inclination triangle.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x80, 0x80, 0x80));
    p.drawPolygon(QPolygonF({apex, left, right}));
    p.setPen(QPen(Qt::white, line, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawLine(apex, right);
    p.drawLine(left, right);
    p.setPen(QPen(Qt::black, line, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawLine(apex, left);
    return image;
}

QIcon makeWindowIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(drawWindowIcon(size)));
    return icon;
}
