#include "watch/MonitoringSettings.h"

#include <QLocale>
#include <QSettings>

#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace
{

constexpr double MaxSeconds = 86400;

std::optional<double> number(QStringView text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString numberText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// "A:B" (or "A,B", as config files write it) as two numbers; nothing when it is not that.
std::optional<std::pair<double, double>> pairOf(QStringView text)
{
    qsizetype colon = text.indexOf(u':');
    if (colon < 0)
        colon = text.indexOf(u',');
    if (colon < 0)
        return std::nullopt;
    const auto a = number(text.first(colon));
    const auto b = number(text.sliced(colon + 1));
    if (!a || !b)
        return std::nullopt;
    return std::pair{*a, *b};
}

std::variant<double, QString> boundedNumber(QStringView text, double max, const QString &unit)
{
    const auto value = number(text);
    if (!value || *value < 0)
        return u"expected a number of "_s + unit + u", 0 or more"_s;
    if (*value > max)
        return u"at most "_s + numberText(max) + u' ' + unit;
    return *value;
}

template <typename T> T orDefault(const std::variant<T, QString> &parsed, T fallback)
{
    return std::holds_alternative<T>(parsed) ? std::get<T>(parsed) : fallback;
}

LimitBand bandOrOff(const std::variant<LimitBand, QString> &parsed)
{
    return orDefault(parsed, LimitBand{});
}

} // namespace

std::variant<LimitBand, QString> parseElevationLimits(QStringView text)
{
    const auto pair = pairOf(text);
    if (!pair)
        return u"expected LOW:HIGH in degrees, for example -2.5:5"_s;
    const auto [low, high] = *pair;
    if (low < -90 || low > 90 || high < -90 || high > 90)
        return u"elevation limits lie within -90..90"_s;
    if (!(low < high))
        return u"LOW must be below HIGH"_s;
    return LimitBand{true, low, high};
}

std::variant<LimitBand, QString> parseAzimuthLimits(QStringView text)
{
    const auto pair = pairOf(text);
    if (!pair)
        return u"expected FROM:TO in degrees clockwise, for example 350:10"_s;
    const auto [from, to] = *pair;
    if (from < 0 || from > 360 || to < 0 || to > 360)
        return u"azimuth limits lie within 0..360"_s;
    if (from == to)
        return u"FROM and TO must differ"_s;
    return LimitBand{true, from, to};
}

std::variant<double, QString> parseNonNegativeSeconds(QStringView text)
{
    return boundedNumber(text, MaxSeconds, u"seconds"_s);
}

std::variant<double, QString> parseNonNegativeDegrees(QStringView text)
{
    return boundedNumber(text, 180, u"degrees"_s);
}

QString limitsText(const LimitBand &band)
{
    if (!band.enabled)
        return {};
    return numberText(band.low) + u':' + numberText(band.high);
}

MonitoringSettings loadMonitoringSettings(QSettings &settings)
{
    MonitoringSettings m;
    settings.beginGroup(u"monitoring"_s);
    const auto text = [&settings](const QString &key) { return settings.value(key).toString(); };
    m.elevation = bandOrOff(parseElevationLimits(text(u"elevationLimits"_s)));
    m.azimuth = bandOrOff(parseAzimuthLimits(text(u"azimuthLimits"_s)));
    m.holdSeconds = orDefault(parseNonNegativeSeconds(text(u"alarmHold"_s)), m.holdSeconds);
    m.hysteresisDegrees =
        orDefault(parseNonNegativeDegrees(text(u"hysteresis"_s)), m.hysteresisDegrees);
    const auto after = parseNonNegativeSeconds(text(u"noReadingsAfter"_s));
    if (std::holds_alternative<double>(after))
        m.noReadingsAfterSeconds = int(std::ceil(std::get<double>(after)));
    m.alarmCommand = text(u"alarmCommand"_s);
    const QVariant resume = settings.value(u"resume"_s);
    if (resume.isValid())
        m.resume = resume.toBool();
    settings.endGroup();
    return m;
}

void saveMonitoringSettings(QSettings &settings, const MonitoringSettings &m)
{
    settings.beginGroup(u"monitoring"_s);
    settings.setValue(u"elevationLimits"_s, limitsText(m.elevation));
    settings.setValue(u"azimuthLimits"_s, limitsText(m.azimuth));
    settings.setValue(u"alarmHold"_s, numberText(m.holdSeconds));
    settings.setValue(u"hysteresis"_s, numberText(m.hysteresisDegrees));
    settings.setValue(u"noReadingsAfter"_s, m.noReadingsAfterSeconds);
    settings.setValue(u"alarmCommand"_s, m.alarmCommand);
    settings.setValue(u"resume"_s, m.resume);
    settings.endGroup();
}
