#pragma once

#include <QString>
#include <cstdint>

// The two-trace strip chart, as the live monitor uses it. X is a time of day as a fraction of a
// day; colours are 0x00BBGGRR. The cursor event is the implementation's signal
// CursorEvent(int, int), wired by the window that owns the chart.
class StripChart
{
public:
    virtual ~StripChart() = default;

    // Both traces lose all their points.
    virtual void ClearChart() = 0;
    virtual void setChartMode(short mode) = 0;
    // Visible time span in days (1/1440: one minute).
    virtual void setTimeScale(double days) = 0;
    // Appends the point to trace 0 (elevation) or 1 (azimuth).
    virtual void AddPoint(short trace, double x, double y) = 0;

    virtual void setCurrentTrace(short trace) = 0;
    virtual short CurrentTrace() const = 0;
    // The current trace's caption and caption colour.
    virtual void setCaption(const QString &caption) = 0;
    virtual QString Caption() const = 0;
    virtual void setTraceCaptionColor(std::uint32_t bgr) = 0;
    virtual std::uint32_t TraceCaptionColor() const = 0;

    virtual std::uint32_t BackColor() const = 0;
    // That trace's Y value at the cursor; 0 when the trace has no point.
    virtual double ValueAtCursor(short trace) const = 0;
};
