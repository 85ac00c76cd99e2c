#pragma once

#include "platform/display/Gauge.h"
#include "platform/display/GaugeShapes.h"

#include <QPixmap>
#include <QPolygonF>
#include <QTimer>
#include <QWidget>

// A dial gauge: a raised frame (a polygon in a 0..1000 square), a round face with the scale,
// the caption under the face and a needle (a polygon in needle coordinates: y runs from the hub,
// 0, to the scale's edge, 1000; x runs across the needle in ten-thousandths of the same radius,
// so "0,1000,700,900,-700,900" is an arrowhead at the rim). Everything but the needle is drawn
// once into a cached picture; a new value only schedules a repaint.
class GaugeWidget : public QWidget, public Gauge
{
    Q_OBJECT

public:
    explicit GaugeWidget(QWidget *parent = nullptr);

    void setNeedleValue(double value) override;
    double NeedleValue() const override { return value_; }
    void setGaugeMode(short mode) override { mode_ = mode; }
    short GaugeMode() const { return mode_; }

    void setCaptionText(const QString &caption);
    QString captionText() const { return caption_; }
    // Ignored unless max > min.
    void setScale(double min, double max);
    double scaleMin() const { return scale_.min; }
    double scaleMax() const { return scale_.max; }
    const DialScale &dialScale() const { return scale_; }
    // Both return false, and keep the shape they had, when the text is not a valid point list.
    bool setFrameOutline(const QString &points);
    bool setNeedleShape(const QString &points);
    QPolygonF frameOutline() const { return outline_; }
    QPolygonF needleShape() const { return needle_; }

    QSize sizeHint() const override { return {177, 177}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Layout {
        QPointF centre;
        double radius;
        QRectF captionRect;
    };
    Layout layout() const;
    void invalidateDial();
    void paintDial(QPainter &p, const Layout &l) const;
    void paintFrame(QPainter &p) const;
    void paintScale(QPainter &p, const Layout &l) const;
    void paintNeedle(QPainter &p, const Layout &l) const;
    QString valueText() const;

    QString caption_;
    DialScale scale_;
    QPolygonF outline_;
    QPolygonF needle_;
    double value_ = 0;
    QTimer repaintTimer_;
    short mode_ = 0;
    QPixmap dial_;
};
