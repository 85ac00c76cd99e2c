#pragma once

#include <QLocale>
#include <QString>
#include <optional>

// Checks of the numbers the user types, read as the user's locale reads a decimal number.
namespace NumberInput
{

// The value of the text without its surrounding blanks: sign, digits, group separators, one
// decimal separator and an exponent as the locale writes them. Empty text, words, blanks inside
// the number, infinity and NaN are not numeric.
std::optional<double> numericValue(const QString &text, const QLocale &locale);

// The alarm angle as sent: a whole number of at least two digits, rounded half away from zero
// ("5" gives "05", "7.6" gives "08", "89.6" gives "90"). Empty when the text is not numeric or
// the number lies outside 0 to 90.
std::optional<QString> alarmAngle(const QString &text, const QLocale &locale);

// The alarm phone number as sent: the text without its surrounding blanks, leading zeros kept.
// Empty when the text is not a number of 0 or more, holds a minus sign or blanks inside.
std::optional<QString> alarmPhone(const QString &text, const QLocale &locale);

} // namespace NumberInput
