#include "platform/display/GaugeShapes.h"

#include <QStringList>
#include <array>
#include <cmath>

std::optional<QPolygonF> parsePointList(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 6 || parts.size() % 2 != 0)
        return std::nullopt;
    QPolygonF points;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        bool okX = false;
        bool okY = false;
        const double x = parts[i].trimmed().toDouble(&okX);
        const double y = parts[i + 1].trimmed().toDouble(&okY);
        if (!okX || !okY || !std::isfinite(x) || !std::isfinite(y))
            return std::nullopt;
        points << QPointF(x, y);
    }
    return points;
}

DialScale DialScale::forRange(double min, double max)
{
    DialScale s;
    if (!(max > min) || !std::isfinite(max - min))
        return s;
    s.min = min;
    s.max = max;
    const double span = max - min;
    if (std::abs(span - 360) < 1e-9) {
        s.start = 90;
        s.sweep = -360;
    } else if (std::abs(min + max) < 1e-9 && span <= 180) {
        s.start = min;
        s.sweep = span;
    }
    return s;
}

double DialScale::angleOf(double value) const
{
    double f = (value - min) / (max - min);
    if (isFullCircle())
        f -= std::floor(f);
    else
        f = std::clamp(f, 0.0, 1.0);
    return start + f * sweep;
}

double DialScale::labelStep() const
{
    static constexpr std::array<double, 9> steps = {1, 2, 5, 10, 15, 30, 45, 90, 180};
    const double target = (max - min) / 8;
    for (const double s : steps) {
        if (s >= target * (1 - 1e-9))
            return s;
    }
    return std::pow(10.0, std::ceil(std::log10(target)));
}

double DialScale::minorStep() const
{
    const double major = labelStep();
    for (const int parts : {6, 9, 5}) {
        const double step = major / parts;
        if (std::abs(step - std::round(step)) < 1e-9 && step >= 1)
            return step;
    }
    return major / 5;
}

std::vector<double> DialScale::tickValues() const
{
    const double step = minorStep();
    std::vector<double> values;
    const auto first = static_cast<long long>(std::ceil(min / step - 1e-9));
    for (long long k = first; k * step <= max + 1e-9 && values.size() < 1000; ++k)
        values.push_back(k * step);
    // A compass' last tick is its first.
    if (isFullCircle() && values.size() > 1 && std::abs(values.back() - max) < 1e-9)
        values.pop_back();
    return values;
}
