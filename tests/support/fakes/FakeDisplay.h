#pragma once

#include "platform/display/Gauge.h"
#include "platform/display/StripChart.h"

#include <QList>
#include <QStringList>

class FakeGauge final : public Gauge
{
public:
    void setNeedleValue(double value) override
    {
        needle = value;
        ++needleSets;
    }
    double NeedleValue() const override { return needle; }
    void setGaugeMode(short m) override { mode = m; }

    double needle = 0;
    int needleSets = 0;
    short mode = 0;
};

class FakeChart final : public StripChart
{
public:
    struct Point {
        short trace;
        double x;
        double y;
    };
    void ClearChart() override
    {
        points.clear();
        ++clears;
    }
    void setChartMode(short m) override { mode = m; }
    void setTimeScale(double days) override { timeScale = days; }
    void AddPoint(short trace, double x, double y) override { points.append({trace, x, y}); }
    void setCurrentTrace(short trace) override { current = trace; }
    short CurrentTrace() const override { return current; }
    void setCaption(const QString &caption) override { captions[current & 1] = caption; }
    QString Caption() const override { return captions[current & 1]; }
    void setTraceCaptionColor(std::uint32_t bgr) override { colors[current & 1] = bgr; }
    std::uint32_t TraceCaptionColor() const override { return colors[current & 1]; }
    std::uint32_t BackColor() const override { return backColor; }
    double ValueAtCursor(short trace) const override { return cursorValues[trace & 1]; }

    QList<Point> points;
    int clears = 0;
    short mode = 0;
    double timeScale = 0;
    short current = 0;
    QString captions[2];
    std::uint32_t colors[2] = {0, 0};
    std::uint32_t backColor = 0x00402010;
    double cursorValues[2] = {0, 0};
};
