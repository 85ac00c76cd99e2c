#include "platform/display/ChartTickers.h"

#include "chartdata/ChartTime.h"
#include "chartdata/UtcOffsetRuns.h"

#include <QDate>
#include <array>
#include <cmath>

namespace
{

constexpr double SecondsPerDay = 86400.0;
constexpr qint64 JulianDayOf1970 = 2440588;

double niceOneTwoFive(double target)
{
    const double magnitude = std::pow(10.0, std::floor(std::log10(target)));
    for (const double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * magnitude >= target * (1 - 1e-9))
            return m * magnitude;
    }
    return 10 * magnitude;
}

} // namespace

TimeOfDayTicker::TimeOfDayTicker(const QString &format) : format_(format) {}

QString TimeOfDayTicker::formatTimeOfDay(double days, const QString &format)
{
    auto seconds = static_cast<long long>(std::llround(days * SecondsPerDay));
    seconds %= static_cast<long long>(SecondsPerDay);
    if (seconds < 0)
        seconds += static_cast<long long>(SecondsPerDay);
    const auto two = [](long long v) {
        return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
    };

    QString out;
    out.reserve(format.size() + 8);
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 == format.size()) {
            out += c;
            continue;
        }
        const QChar conversion = format.at(++i);
        if (conversion == QLatin1Char('H'))
            out += two(seconds / 3600);
        else if (conversion == QLatin1Char('M'))
            out += two(seconds / 60 % 60);
        else if (conversion == QLatin1Char('S'))
            out += two(seconds % 60);
        else if (conversion == QLatin1Char('%'))
            out += QLatin1Char('%');
        else
            out += QLatin1Char('%') + conversion;
    }
    return out;
}

double TimeOfDayTicker::getTickStep(const QCPRange &range)
{
    static constexpr std::array<double, 19> steps = {1,    2,    5,     10,    15,   20,   30,
                                                     60,   120,  300,   600,   900,  1200, 1800,
                                                     3600, 7200, 10800, 21600, 43200};
    const double target = range.size() * SecondsPerDay / std::max(1, tickCount());
    for (const double s : steps) {
        if (s >= target)
            return s / SecondsPerDay;
    }
    return std::max(1.0, niceOneTwoFive(target / SecondsPerDay));
}

int TimeOfDayTicker::getSubTickCount(double tickStep)
{
    // Sub-ticks on round times: 5 s steps per second, 30 s steps per 10 s, hours per quarter...
    const long long s = std::llround(tickStep * SecondsPerDay);
    switch (s) {
    case 1:
        return 0;
    case 5:
    case 300:
        return 4;
    case 15:
    case 30:
    case 900:
    case 1800:
    case 10800:
    case 21600:
        return 2;
    case 60:
    case 3600:
        return 3;
    default:
        return 1;
    }
}

QString TimeOfDayTicker::formatDate(double localDays, const QString &format)
{
    const auto day = static_cast<qint64>(std::floor(localDays + 0.5 / SecondsPerDay));
    QString out =
        QDate::fromJulianDay(day + JulianDayOf1970).toString(QStringLiteral("yyyy-MM-dd"));
    if (format.endsWith(QLatin1Char(' ')))
        out += QLatin1Char(' ');
    return out;
}

double TimeOfDayTicker::offsetDays(double x) const
{
    // A tick computed in local time lands a few ulps off the whole second a run starts on.
    const double second = ChartTime::fromMsecs((ChartTime::toMsecs(x) + 500) / 1000 * 1000);
    const std::optional<int> noted = offsets_ ? offsets_->at(second) : std::nullopt;
    return noted.value_or(fallbackOffset_) / SecondsPerDay;
}

QString TimeOfDayTicker::getTickLabel(double tick, const QLocale &, QChar, int)
{
    const double local = tick + offsetDays(tick);
    const auto second = std::llround(local * SecondsPerDay);
    if (spansDates_ && second % 86400 == 0)
        return formatDate(local, format_);
    return formatTimeOfDay(local, format_);
}

QVector<double> TimeOfDayTicker::createTickVector(double tickStep, const QCPRange &range)
{
    // One stretch per offset in view, each ticked on its own round local times; one tick past
    // either end, as the base ticker gives, for the sub-ticks up to the edges.
    QVector<double> ticks;
    if (!(tickStep > 0) || !std::isfinite(range.lower) || !std::isfinite(range.upper))
        return ticks;
    std::vector<double> starts = {range.lower};
    if (offsets_) {
        for (const UtcOffsetRuns::Run &run : offsets_->runs()) {
            if (run.from > range.lower && run.from < range.upper)
                starts.push_back(run.from);
        }
    }
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const bool first = i == 0;
        const bool last = i + 1 == starts.size();
        const double from = starts[i];
        const double to = last ? range.upper : starts[i + 1];
        const double offset = offsetDays(from);
        const double k0 = first ? std::floor((from + offset) / tickStep)
                                : std::ceil((from + offset) / tickStep - 1e-6);
        const double k1 = last ? std::ceil((to + offset) / tickStep)
                               : std::ceil((to + offset) / tickStep - 1e-6) - 1;
        if (k1 - k0 > 10000)
            break;
        for (double k = k0; k <= k1; ++k)
            ticks.append(k * tickStep - offset);
    }
    return ticks;
}

void TimeOfDayTicker::generate(const QCPRange &range, const QLocale &locale, QChar formatChar,
                               int precision, QVector<double> &ticks, QVector<double> *subTicks,
                               QVector<QString> *tickLabels)
{
    range_ = range;
    fallbackOffset_ = ChartTime::localOffsetAt(range.lower);
    spansDates_ = std::floor(range.lower + offsetDays(range.lower)) !=
                  std::floor(range.upper + offsetDays(range.upper));
    QCPAxisTicker::generate(range, locale, formatChar, precision, ticks, subTicks, tickLabels);
}

QVector<QString> TimeOfDayTicker::createLabelVector(const QVector<double> &ticks,
                                                    const QLocale &locale, QChar formatChar,
                                                    int precision)
{
    QVector<QString> labels =
        QCPAxisTicker::createLabelVector(ticks, locale, formatChar, precision);
    const double margin = edgeBlank_ * range_.size();
    for (qsizetype i = 0; i < ticks.size(); ++i) {
        if (ticks[i] < range_.lower + margin || ticks[i] > range_.upper - margin)
            labels[i].clear();
    }
    return labels;
}

double AngleTicker::getTickStep(const QCPRange &range)
{
    static constexpr std::array<double, 8> steps = {10, 15, 30, 45, 90, 180, 360, 720};
    const double target = range.size() / std::max(1, tickCount());
    if (target < 10)
        return niceOneTwoFive(target);
    for (const double s : steps) {
        if (s >= target)
            return s;
    }
    return niceOneTwoFive(target);
}

int AngleTicker::getSubTickCount(double tickStep)
{
    // Thirds of 15, 30, 45, 90 ... halves otherwise.
    if (tickStep >= 15 && std::fmod(tickStep, 15.0) == 0)
        return 2;
    return 1;
}
