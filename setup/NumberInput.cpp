#include "setup/NumberInput.h"

#include <cmath>

namespace NumberInput
{

std::optional<double> numericValue(const QString &text, const QLocale &locale)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = locale.toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<QString> alarmAngle(const QString &text, const QLocale &locale)
{
    const std::optional<double> value = numericValue(text, locale);
    if (!value || *value < 0.0 || *value > 90.0)
        return std::nullopt;
    // std::round goes half away from zero; 0 to 90 needs at most two digits.
    const int whole = int(std::round(*value));
    return QStringLiteral("%1").arg(whole, 2, 10, QLatin1Char('0'));
}

std::optional<QString> alarmPhone(const QString &text, const QLocale &locale)
{
    const QString trimmed = text.trimmed();
    const QString minus = locale.negativeSign();
    // Some locales group digits with blanks; a phone number is one run of characters.
    for (const QChar c : trimmed) {
        if (c.isSpace() || c == u'-' || (!minus.isEmpty() && c == minus.front()))
            return std::nullopt;
    }
    const std::optional<double> value = numericValue(trimmed, locale);
    if (!value || *value < 0.0)
        return std::nullopt;
    return trimmed;
}

} // namespace NumberInput
