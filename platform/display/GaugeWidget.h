#pragma once

#include "platform/display/Gauge.h"
#include "platform/display/GaugeShapes.h"
#include "platform/display/PictureCache.h"
#include "platform/display/ReadoutText.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPolygonF>
#include <QTimer>
#include <QWidget>
#include <optional>

// A dial gauge: a raised frame (a polygon in a 0..1000 square), a round face with the scale,
// the caption under the face and a needle (a polygon in needle coordinates: y runs from the hub,
// 0, to the scale's edge, 1000; x runs across the needle in ten-thousandths of the same radius,
// so "0,1000,700,900,-700,900" is an arrowhead at the rim). The dial (frame, face, scale,
// caption, the window's background at the corners) is drawn once per size and pixel ratio into
// a cached picture, so the gauge is opaque. The needle turns in steps that move its tip by a
// quarter of a device pixel; a new value repaints only the rectangle that holds the needle's old
// and new places and the readout (the dial copied back, the readout and the needle over it),
// only when the needle's step or the readout's text changes, and at most once every
// repaintIntervalMs (at once after a quiet spell). The pictures of the readout and of the needle
// are kept for the texts and steps shown lately, and copied.
class GaugeWidget : public QWidget, public Gauge, private QAccessible::ActivationObserver
{
    Q_OBJECT

public:
    explicit GaugeWidget(QWidget *parent = nullptr);
    ~GaugeWidget() override;

    void setNeedleValue(double value) override;
    double NeedleValue() const override { return value_; }
    // The value the picture shows, or shows once the repaint already asked for has run.
    double shownValue() const { return shownValue_; }
    // The dial looks the same in every mode.
    void setGaugeMode(short) override {}

    void setCaptionText(const QString &caption);
    QString captionText() const { return caption_; }
    // Ignored unless max > min.
    void setScale(double min, double max);
    // Parts of the scale drawn as a red arc (values beyond a limit), each from..to in scale
    // values, from < to; none by default.
    void setAlarmRanges(const QList<std::pair<double, double>> &ranges);
    QList<std::pair<double, double>> alarmRanges() const { return alarmRanges_; }
    double scaleMin() const { return scale_.min; }
    double scaleMax() const { return scale_.max; }
    const DialScale &dialScale() const { return scale_; }
    // Both return false, and keep the shape they had, when the text is not a valid point list.
    bool setFrameOutline(const QString &points);
    bool setNeedleShape(const QString &points);
    QPolygonF frameOutline() const { return outline_; }
    QPolygonF needleShape() const { return needle_; }

    QSize sizeHint() const override { return {177, 177}; }

    // Off: the dial is drawn afresh on every paint and every new value repaints the whole
    // gauge (the reference the cached drawing is compared against).
    void setCachedDrawing(bool on);
    bool cachedDrawing() const { return cached_; }

    // The readout under the needle for a value, as the gauge draws it.
    static QString valueText(double value);
    // Shortest time between two needle repaints.
    static constexpr int repaintIntervalMs = 20;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Layout {
        QPointF centre;
        double radius;
        QRectF captionRect;
        QRectF readoutBox;
    };
    void updateFonts();
    void updateLayout();
    void invalidateDial();
    void showNewValue();
    // The readout is the gauge's accessible description: kept up to date while a screen reader
    // (any assistive technology) listens, and set when one starts.
    void accessibilityActiveChanged(bool active) override;
    bool needleWouldMove(double from, double to) const;
    // The step the needle shows a value at (none: a value without an angle, or no needle).
    std::optional<int> needleStep(double value) const;
    // The angle the needle shows a value at: its step's when cached.
    double needleAngle(double value) const;
    // The needle turned to an angle, with room for its outline pen and antialiasing.
    QRectF needleBounds(double angle) const;
    // What a repaint of the needle at that value touches (needle, hub, readout).
    QRect needleRect(double value) const;
    // What the window shows under the gauge.
    void paintBackground(QPainter &p) const;
    void paintDial(QPainter &p) const;
    void paintFrame(QPainter &p) const;
    void paintScale(QPainter &p) const;
    void paintAlarmRanges(QPainter &p) const;
    void paintNeedle(QPainter &p);
    void paintReadout(QPainter &p) const;
    void paintNeedleShape(QPainter &p, double angle) const;
    void paintHub(QPainter &p) const;

    QString caption_;
    DialScale scale_;
    QList<std::pair<double, double>> alarmRanges_;
    QPolygonF outline_;
    QPolygonF needle_;
    double value_ = 0;
    QTimer repaintTimer_;
    // Since the last needle repaint was asked for; invalid before the first.
    QElapsedTimer sinceRepaint_;
    QPixmap dial_;
    // A repaint has been asked for and has not run yet.
    bool paintPending_ = false;
    bool cached_ = true;
    // The value the picture shows, or shows once the pending repaint runs: a paint draws this,
    // not a newer value, so that it stays inside the region the repaint was asked for.
    double shownValue_ = 0;
    QString shownText_;
    QRect shownRect_;        // needleRect(shownValue_)
    qreal paintedRatio_ = 1; // the device pixel ratio of the last paint
    Layout layout_{};
    // The needle at the dial's size, pointing up from the hub at 0,0: its outline, and what is
    // filled (the outline and any shaft to the hub).
    QPolygonF needleShape_;
    QPolygonF needleFill_;
    // How far the needle reaches from the hub, in pixels, and the angle of one of its steps.
    double needleReach_ = 0;
    double stepDegrees_ = 0;
    QFont scaleFont_;
    QFont captionFont_;
    // Drawing caches that a paint fills in: the readout's glyphs, its pictures per text (about
    // 100), the needle's pictures per step (for a 177-pixel gauge, about 250), and the hub's.
    mutable ReadoutText readout_;
    PictureCache<QString> readouts_{256 * 1024};
    PictureCache<int> needles_{2 * 1024 * 1024};
    PictureCache<int> hubs_{64 * 1024};
    double captionHeight_ = 0;
    double readoutHeight_ = 0;
    double readoutWidth_ = 0;
};
