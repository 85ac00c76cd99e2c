#pragma once

// A dial gauge, as the live monitor uses it.
class Gauge
{
public:
    virtual ~Gauge() = default;
    // Moves the needle to the value (dial units) at once.
    virtual void setNeedleValue(double value) = 0;
    virtual double NeedleValue() const = 0;
    // Nothing visible is tied to the mode.
    virtual void setGaugeMode(short mode) = 0;
};
