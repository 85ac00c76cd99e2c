#include "platform/display/GaugeWidget.h"

#include "platform/display/DisplayFonts.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{

const QColor FrameColor(212, 208, 200);
const QColor FaceColor(252, 251, 246);
const QColor InkColor(30, 30, 34);
const QColor NeedleColor(200, 30, 30);
// A needle that was never set: a slim pointer with a short tail.
const QString DefaultNeedle = QStringLiteral("0,930, 450,0, 0,-160, -450,0");
const QString DefaultOutline = QStringLiteral("0,0, 1000,0, 1000,1000, 0,1000");

QPointF polar(const QPointF &centre, double radius, double degrees)
{
    const double a = degrees * std::numbers::pi / 180.0;
    return {centre.x() + radius * std::cos(a), centre.y() - radius * std::sin(a)};
}

QString numberText(double v)
{
    return std::abs(v - std::round(v)) < 1e-9 ? QString::number(std::llround(v))
                                              : QString::number(v, 'g', 4);
}

} // namespace

GaugeWidget::GaugeWidget(QWidget *parent)
    : QWidget(parent), outline_(*parsePointList(DefaultOutline)),
      needle_(*parsePointList(DefaultNeedle)), shownText_(valueText(0))
{
    // The window's background under the frame's corners is drawn into the dial, so that a
    // repaint of the needle does not paint the window under the gauge first.
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    updateFonts();
    updateLayout();
    setAccessibleDescription(shownText_);
    QAccessible::installActivationObserver(this);
    // Records may arrive faster than a person can read a dial: the needle is redrawn at most
    // 50 times a second, always ending on the newest value. A value after a quiet spell
    // shows at once; one that comes sooner waits for the rest of the interval.
    repaintTimer_.setSingleShot(true);
    connect(&repaintTimer_, &QTimer::timeout, this, &GaugeWidget::showNewValue);
}

GaugeWidget::~GaugeWidget()
{
    QAccessible::removeActivationObserver(this);
}

void GaugeWidget::accessibilityActiveChanged(bool active)
{
    if (active)
        setAccessibleDescription(shownText_);
}

void GaugeWidget::setNeedleValue(double value)
{
    if (value == value_)
        return;
    value_ = value;
    if (repaintTimer_.isActive())
        return;
    // A value the picture cannot tell from the one shown wakes nothing up.
    if (cached_ && !needleWouldMove(shownValue_, value_) && valueText(value_) == shownText_)
        return;
    // A value that comes before the last one asked for was painted joins that repaint.
    const qint64 since = sinceRepaint_.isValid() ? sinceRepaint_.elapsed() : repaintIntervalMs;
    if (paintPending_ || since >= repaintIntervalMs)
        showNewValue();
    else
        repaintTimer_.start(int(repaintIntervalMs - since));
}

void GaugeWidget::showNewValue()
{
    const QString text = valueText(value_);
    if (cached_ && !needleWouldMove(shownValue_, value_) && text == shownText_)
        return;
    const QRect rect = needleRect(value_);
    if (cached_)
        update(shownRect_ | rect);
    else
        update();
    shownRect_ = rect;
    if (!paintPending_)
        sinceRepaint_.start();
    paintPending_ = true;
    shownValue_ = value_;
    if (text != shownText_) {
        shownText_ = text;
        // Telling the accessibility layer costs a lookup for every value of a stream.
        if (QAccessible::isActive())
            setAccessibleDescription(text);
    }
}

bool GaugeWidget::needleWouldMove(double from, double to) const
{
    return needleStep(from) != needleStep(to);
}

std::optional<int> GaugeWidget::needleStep(double value) const
{
    const double angle = scale_.angleOf(value);
    if (!(stepDegrees_ > 0) || !std::isfinite(angle))
        return std::nullopt;
    return int(std::lround(angle / stepDegrees_));
}

double GaugeWidget::needleAngle(double value) const
{
    const std::optional<int> step = cached_ ? needleStep(value) : std::nullopt;
    return step ? *step * stepDegrees_ : scale_.angleOf(value);
}

void GaugeWidget::setCachedDrawing(bool on)
{
    cached_ = on;
    dial_ = QPixmap();
    update();
}

void GaugeWidget::setCaptionText(const QString &caption)
{
    caption_ = caption;
    setAccessibleName(caption);
    invalidateDial();
}

void GaugeWidget::setScale(double min, double max)
{
    if (!(max > min) || !std::isfinite(max - min))
        return;
    scale_ = DialScale::forRange(min, max);
    invalidateDial();
}

void GaugeWidget::setAlarmRanges(const QList<std::pair<double, double>> &ranges)
{
    if (ranges == alarmRanges_)
        return;
    alarmRanges_ = ranges;
    invalidateDial();
}

bool GaugeWidget::setFrameOutline(const QString &points)
{
    const auto parsed = parsePointList(points);
    if (!parsed)
        return false;
    outline_ = *parsed;
    invalidateDial();
    return true;
}

bool GaugeWidget::setNeedleShape(const QString &points)
{
    const auto parsed = parsePointList(points);
    if (!parsed)
        return false;
    needle_ = *parsed;
    updateLayout();
    update();
    return true;
}

QString GaugeWidget::valueText(double value)
{
    return QString::number(value, 'f', 1);
}

void GaugeWidget::invalidateDial()
{
    updateLayout();
    dial_ = QPixmap();
    update();
}

void GaugeWidget::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    // A background brush other than a plain colour lines up with the window.
    dial_ = QPixmap();
}

void GaugeWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateLayout();
    dial_ = QPixmap();
}

void GaugeWidget::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        dial_ = QPixmap();
        update();
    }
    if (event->type() == QEvent::FontChange) {
        updateFonts();
        invalidateDial();
    }
}

void GaugeWidget::updateFonts()
{
    scaleFont_ = DisplayFonts::small(7.8);
    captionFont_ = DisplayFonts::font(QStringLiteral("MS Sans Serif"), 9.6, true);
    captionHeight_ = QFontMetricsF(DisplayFonts::small(9.6)).height() + 6;
    readout_.setFont(scaleFont_);
    const QFontMetricsF metrics(scaleFont_);
    readoutHeight_ = metrics.height();
    readoutWidth_ = metrics.horizontalAdvance(QStringLiteral("-000.0")) + 6;
}

void GaugeWidget::updateLayout()
{
    const double w = width();
    const double h = height();
    const double radius = std::max(10.0, std::min(w - 22, h - 16 - captionHeight_) / 2);
    const QPointF centre(w / 2, 8 + radius);
    const double r = radius - 2;
    // The readout sits in the part of the face the scale leaves free.
    const QPointF at = scale_.isFullCircle() || scale_.sweep < 0 ? centre + QPointF(0, r * 0.42)
                                                                 : centre - QPointF(r * 0.5, 0);
    const QRectF readout(at.x() - readoutWidth_ / 2, at.y() - readoutHeight_ / 2 - 1, readoutWidth_,
                         readoutHeight_ + 2);
    layout_ = {centre, radius, QRectF(0, centre.y() + radius + 1, w, captionHeight_), readout};
    hubs_.clear();
    // Needle coordinates: y along the needle (1000 = radius), x across it (10000 = radius).
    needleShape_.clear();
    needleReach_ = 0;
    double nearest = 1e9;
    for (const QPointF &pt : needle_) {
        needleShape_ << QPointF(pt.x() * r / 10000.0, -pt.y() * r / 1000.0);
        needleReach_ =
            std::max(needleReach_, std::hypot(needleShape_.back().x(), needleShape_.back().y()));
        nearest = std::min(nearest, pt.y());
    }
    // A quarter of a device pixel at the tip; the pixel ratio is the last paint's (asking the
    // widget goes through its window and screen).
    const double reach = needleReach_ * paintedRatio_;
    stepDegrees_ = reach > 0.01 ? 0.25 / reach * 180 / std::numbers::pi : 0;
    needles_.clear();
    // A pointer that stops short of the hub gets a thin shaft to it, filled with the pointer in
    // one go (its ends lie under the hub and the pointer).
    needleFill_ = needleShape_;
    if (nearest > 100) {
        QPainterPath pointer;
        pointer.addPolygon(needleShape_);
        pointer.closeSubpath();
        QPainterPath shaft;
        shaft.addRect(QRectF(-0.7, -nearest * r / 1000.0, 1.4, nearest * r / 1000.0));
        needleFill_ = pointer.united(shaft).toFillPolygon();
    }
    shownRect_ = needleRect(shownValue_);
}

QRectF GaugeWidget::needleBounds(double angle) const
{
    // The needle's corners turned as the paint turns them, without building a polygon (this
    // runs for every new value), and the hub, which is in the box for the shaft that may join it
    // to a pointer at the rim. The margins are for the outline pen and antialiasing.
    const double turn = (90 - angle) * std::numbers::pi / 180;
    const double c = std::cos(turn);
    const double s = std::sin(turn);
    const QPointF centre = layout_.centre;
    double left = centre.x(), right = left, top = centre.y(), bottom = top;
    for (const QPointF &p : needleShape_) {
        const double x = centre.x() + p.x() * c - p.y() * s;
        const double y = centre.y() + p.x() * s + p.y() * c;
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom)).adjusted(-2, -2, 2, 2);
}

QRect GaugeWidget::needleRect(double value) const
{
    QRectF needle = needleBounds(needleAngle(value));
    const double hub = (layout_.radius - 2) * 0.09 + 2;
    needle |= QRectF(layout_.centre - QPointF(hub, hub), QSizeF(2 * hub, 2 * hub));
    // One rectangle, not a region of several: painting under a clip of several rectangles costs
    // several times as much as painting the larger area they span.
    return needle.toAlignedRect() | layout_.readoutBox.adjusted(-1, -1, 1, 1).toAlignedRect();
}

void GaugeWidget::paintEvent(QPaintEvent *event)
{
    paintPending_ = false;
    QPainter p(this);
    if (const qreal ratio = devicePixelRatioF(); ratio != paintedRatio_) {
        paintedRatio_ = ratio;
        updateLayout(); // the needle's steps are quarters of a device pixel
    }
    if (cached_) {
        const qreal dpr = paintedRatio_;
        if (dial_.isNull() || dial_.devicePixelRatio() != dpr || dial_.size() != size() * dpr) {
            readouts_.clear(); // they hold the dial under the text
            dial_ = QPixmap(size() * dpr);
            dial_.setDevicePixelRatio(dpr);
            QPainter dial(&dial_);
            paintBackground(dial);
            dial.setRenderHint(QPainter::Antialiasing);
            dial.setRenderHint(QPainter::TextAntialiasing);
            paintDial(dial);
        }
        // The update region is one rectangle around the needle's old and new places and the
        // readout (or the whole gauge): the dial under it, then the needle over it.
        const QRect r = event->rect();
        p.drawPixmap(r, dial_, QRectF(QPointF(r.topLeft()) * dpr, QSizeF(r.size()) * dpr));
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        paintNeedle(p);
        return;
    }
    paintBackground(p);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintDial(p);
    paintNeedle(p);
}

void GaugeWidget::paintBackground(QPainter &p) const
{
    p.save();
    p.setBrushOrigin(-mapTo(window(), QPoint(0, 0)));
    p.fillRect(rect(), palette().brush(backgroundRole()));
    p.restore();
}

void GaugeWidget::paintDial(QPainter &p) const
{
    const Layout &l = layout_;
    paintFrame(p);

    // Face: sunken ring, then the face itself.
    QLinearGradient ring(l.centre - QPointF(l.radius, l.radius),
                         l.centre + QPointF(l.radius, l.radius));
    ring.setColorAt(0, FrameColor.darker(150));
    ring.setColorAt(1, Qt::white);
    p.setPen(Qt::NoPen);
    p.setBrush(ring);
    p.drawEllipse(l.centre, l.radius + 3, l.radius + 3);
    QRadialGradient face(l.centre - QPointF(l.radius * 0.3, l.radius * 0.3), l.radius * 1.6);
    face.setColorAt(0, Qt::white);
    face.setColorAt(1, FaceColor.darker(106));
    p.setBrush(face);
    p.setPen(QPen(FrameColor.darker(170), 0.8));
    p.drawEllipse(l.centre, l.radius, l.radius);

    paintAlarmRanges(p);
    paintScale(p);

    p.setPen(QPen(FrameColor.darker(150), 0.8));
    p.setBrush(QColor(236, 236, 228));
    p.drawRect(l.readoutBox);

    p.setFont(captionFont_);
    p.setPen(InkColor);
    p.drawText(l.captionRect, Qt::AlignHCenter | Qt::AlignTop, caption_);
}

void GaugeWidget::paintFrame(QPainter &p) const
{
    // The outline's 0..1000 square spans the widget; edges facing up or left catch the light.
    const double sx = (width() - 1) / 1000.0;
    const double sy = (height() - 1) / 1000.0;
    QPolygonF frame;
    for (const QPointF &pt : outline_)
        frame << QPointF(0.5 + pt.x() * sx, 0.5 + pt.y() * sy);
    QLinearGradient fill(0, 0, width(), height());
    fill.setColorAt(0, FrameColor.lighter(108));
    fill.setColorAt(1, FrameColor.darker(104));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPolygon(frame);

    const QPointF middle = frame.boundingRect().center();
    for (qsizetype i = 0; i < frame.size(); ++i) {
        const QPointF a = frame[i];
        const QPointF b = frame[(i + 1) % frame.size()];
        const QPointF mid = (a + b) / 2;
        const bool lit = (mid.x() - middle.x()) + (mid.y() - middle.y()) < 0;
        p.setPen(QPen(lit ? QColor(Qt::white) : FrameColor.darker(160), 1.5));
        p.drawLine(a, b);
    }
}

void GaugeWidget::paintAlarmRanges(QPainter &p) const
{
    if (alarmRanges_.isEmpty())
        return;
    const Layout &l = layout_;
    const double width = std::max(3.0, l.radius * 0.07);
    const double r = l.radius - 2 - width / 2;
    const QRectF box(l.centre.x() - r, l.centre.y() - r, 2 * r, 2 * r);
    QPen pen(QColor(220, 0, 0), width, Qt::SolidLine, Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const double span = scale_.max - scale_.min;
    for (const auto &[from, to] : alarmRanges_) {
        const double a = std::clamp(from, scale_.min, scale_.max);
        const double b = std::clamp(to, scale_.min, scale_.max);
        if (!(b > a))
            continue;
        // By the scale's sweep rather than angleOf(), which folds a compass' 360 onto its 0.
        const double start = scale_.start + (a - scale_.min) / span * scale_.sweep;
        const double sweep = (b - a) / span * scale_.sweep;
        p.drawArc(box, qRound(start * 16), qRound(sweep * 16));
    }
}

void GaugeWidget::paintScale(QPainter &p) const
{
    const Layout &l = layout_;
    const double label = scale_.labelStep();
    const double medium = label / 3;
    const double r = l.radius;
    const QFontMetricsF metrics(scaleFont_);
    p.setFont(scaleFont_);

    if (!scale_.isFullCircle()) {
        QPen arc(InkColor, 1);
        arc.setCapStyle(Qt::FlatCap);
        p.setPen(arc);
        p.setBrush(Qt::NoBrush);
        const QRectF box(l.centre.x() - r + 2, l.centre.y() - r + 2, 2 * r - 4, 2 * r - 4);
        p.drawArc(box, static_cast<int>(scale_.start * 16), static_cast<int>(scale_.sweep * 16));
    }

    const auto isMultiple = [](double v, double step) {
        return std::abs(v / step - std::round(v / step)) < 1e-6;
    };
    for (const double v : scale_.tickValues()) {
        const double a = scale_.angleOf(v);
        const bool major = isMultiple(v, label);
        const bool mid = !major && isMultiple(v, medium);
        const double length = major ? r * 0.13 : mid ? r * 0.09 : r * 0.05;
        p.setPen(QPen(InkColor, major ? 1.6 : 0.9, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(polar(l.centre, r - 2, a), polar(l.centre, r - 2 - length, a));
        if (!major)
            continue;
        const QString text = numberText(v);
        const double inset =
            r * 0.13 + 4 + std::max(metrics.horizontalAdvance(text), metrics.height()) / 2;
        const QPointF at = polar(l.centre, r - 2 - inset, a);
        const QRectF box(at.x() - 20, at.y() - metrics.height() / 2, 40, metrics.height());
        p.drawText(box, Qt::AlignCenter, text);
    }
}

void GaugeWidget::paintNeedle(QPainter &p)
{
    const Layout &l = layout_;
    const double angle = needleAngle(shownValue_);
    const std::optional<int> step = cached_ ? needleStep(shownValue_) : std::nullopt;
    if (cached_) {
        // The readout's box is part of the dial: its picture holds the dial there and the text.
        readouts_.draw(p, shownText_, l.readoutBox, [this](QPainter &q) {
            q.drawPixmap(QPointF(0, 0), dial_);
            paintReadout(q);
        });
    } else {
        paintReadout(p);
    }
    if (step)
        needles_.draw(p, *step, needleBounds(angle),
                      [this, angle](QPainter &q) { paintNeedleShape(q, angle); });
    else
        paintNeedleShape(p, angle);

    // The hub never turns: drawn once per layout and pixel ratio, and copied.
    const double reach = (l.radius - 2) * 0.07 + 1;
    hubs_.draw(p, 0, QRectF(l.centre - QPointF(reach, reach), QSizeF(2 * reach, 2 * reach)),
               [this](QPainter &q) { paintHub(q); });
}

void GaugeWidget::paintReadout(QPainter &p) const
{
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(scaleFont_);
    p.setPen(InkColor);
    readout_.draw(p, layout_.readoutBox, shownText_);
}

void GaugeWidget::paintNeedleShape(QPainter &p, double angle) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(layout_.centre);
    p.rotate(90 - angle);
    p.setPen(Qt::NoPen);
    p.setBrush(NeedleColor);
    p.drawPolygon(needleFill_, Qt::WindingFill);
    p.setPen(QPen(NeedleColor.darker(140), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(needleShape_);
    p.restore();
}

void GaugeWidget::paintHub(QPainter &p) const
{
    const Layout &l = layout_;
    const double r = l.radius - 2;
    QRadialGradient hub(l.centre - QPointF(1.5, 1.5), r * 0.09);
    hub.setColorAt(0, QColor(120, 120, 128));
    hub.setColorAt(1, QColor(20, 20, 24));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(hub);
    p.drawEllipse(l.centre, r * 0.07, r * 0.07);
}
