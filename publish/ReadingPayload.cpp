#include "publish/ReadingPayload.h"

#include "recording/RecordRow.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <limits>

namespace
{

// A finite number, or NaN for null or absent; nothing for anything else.
std::optional<double> valueOf(const QJsonValue &value)
{
    if (value.isNull() || value.isUndefined())
        return std::numeric_limits<double>::quiet_NaN();
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return std::nullopt;
    return value.toDouble();
}

} // namespace

namespace ReadingPayload
{

std::variant<Reading, Problem> parse(QByteArrayView payload)
{
    if (payload.size() > MaxBytes)
        return Problem::TooLarge;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(payload.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return Problem::NotAnObject;
    const QJsonObject object = document.object();

    const QJsonValue time = object.value(QLatin1StringView("time"));
    if (!time.isString())
        return Problem::BadTime;
    // The recording's own row reader, so both read the same times the same way.
    QByteArray row = time.toString().toUtf8();
    row += ",,";
    const std::optional<Reading> timed = RecordRow::parse(row);
    if (!timed)
        return Problem::BadTime;

    const std::optional<double> elevation = valueOf(object.value(QLatin1StringView("elevation")));
    const std::optional<double> azimuth = valueOf(object.value(QLatin1StringView("azimuth")));
    if (!elevation || !azimuth)
        return Problem::BadValue;
    Reading reading = *timed;
    reading.elevation = *elevation;
    reading.azimuth = *azimuth;
    return reading;
}

} // namespace ReadingPayload
