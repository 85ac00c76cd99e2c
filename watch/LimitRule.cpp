#include "watch/LimitRule.h"

#include <cmath>

namespace
{

// Degrees clockwise from `from` to `to`, in [0, 360).
double clockwise(double from, double to)
{
    const double d = std::fmod(to - from, 360.0);
    return d < 0 ? d + 360.0 : d;
}

} // namespace

LimitRule::LimitRule(Shape shape, const LimitBand &band, double holdSeconds,
                     double hysteresisDegrees)
    : shape_(shape), band_(band), hold_(qMax(0.0, holdSeconds)),
      hysteresis_(qMax(0.0, hysteresisDegrees))
{
    if (shape_ == Shape::Compass) {
        width_ = clockwise(band_.low, band_.high);
        if (width_ == 0)
            width_ = 360; // FROM:TO a whole turn apart
    } else {
        width_ = band_.high - band_.low;
    }
    // A band narrower than twice the hysteresis must still be able to end an alarm.
    hysteresis_ = qMin(hysteresis_, qMax(0.0, width_ / 2));
}

double LimitRule::beyond(double value, bool &above) const
{
    if (shape_ == Shape::Range) {
        above = value > band_.high;
        if (above)
            return value - band_.high;
        return value < band_.low ? band_.low - value : 0;
    }
    const double offset = clockwise(band_.low, value);
    if (offset <= width_ || width_ >= 360)
        return 0;
    // Outside: the nearer edge decides the side (past TO clockwise, or short of FROM).
    const double pastTo = offset - width_;
    const double shortOfFrom = 360 - offset;
    above = pastTo <= shortOfFrom;
    return above ? pastTo : shortOfFrom;
}

double LimitRule::inside(double value) const
{
    if (shape_ == Shape::Range)
        return qMin(value - band_.low, band_.high - value);
    const double offset = clockwise(band_.low, value);
    if (width_ >= 360)
        return 360;
    if (offset > width_)
        return -qMin(offset - width_, 360 - offset);
    return qMin(offset, width_ - offset);
}

LimitRule::Change LimitRule::feed(double value, double t, qint64 msecsSinceEpoch,
                                  int utcOffsetSeconds)
{
    if (!std::isfinite(value))
        return tick(t);
    bool above = false;
    const double excess = beyond(value, above);
    bool extremeMoved = false;
    if (!alarmOn_) {
        if (excess <= 0) {
            runOn_ = false;
            return Change::None;
        }
        if (!runOn_ || above != above_) {
            // A run begins (or jumps to the other side, which restarts it).
            runOn_ = true;
            runStart_ = t;
            above_ = above;
            extreme_ = value;
            sinceMSecs_ = msecsSinceEpoch;
            sinceOffset_ = utcOffsetSeconds;
        } else {
            bool side = false;
            if (excess > beyond(extreme_, side))
                extreme_ = value;
        }
    } else {
        bool side = false;
        if (excess > 0 && above == above_ && excess > beyond(extreme_, side)) {
            extreme_ = value;
            extremeMoved = true;
        }
        if (inside(value) >= hysteresis_) {
            if (!runOn_) {
                runOn_ = true;
                runStart_ = t;
            }
        } else {
            runOn_ = false;
        }
    }
    lastValue_ = value;
    const Change change = decide(t);
    if (change == Change::None && extremeMoved)
        return Change::ExtremeMoved;
    return change;
}

LimitRule::Change LimitRule::tick(double t)
{
    return decide(t);
}

LimitRule::Change LimitRule::decide(double t)
{
    // A microsecond's slack: a clock adding tenths reaches the hold time a hair short of it.
    if (!runOn_ || t - runStart_ + 1e-6 < hold_)
        return Change::None;
    runOn_ = false;
    alarmOn_ = !alarmOn_;
    deciding_ = lastValue_;
    return alarmOn_ ? Change::Started : Change::Ended;
}
