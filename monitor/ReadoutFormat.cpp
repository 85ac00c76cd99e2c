#include "monitor/ReadoutFormat.h"

#include <charconv>
#include <cmath>
#include <string>

QString formatOneDecimal(double value, const QLocale &locale)
{
    if (std::isnan(value))
        return locale.toString(value);
    if (std::isinf(value))
        return locale.toString(value);

    // Shortest fixed-point text that reads back as the same double: the number as received.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
    std::string digits(buffer, result.ptr);
    std::string integer = digits;
    std::string fraction;
    if (const auto dot = digits.find('.'); dot != std::string::npos) {
        integer = digits.substr(0, dot);
        fraction = digits.substr(dot + 1);
    }
    fraction.resize(std::max<size_t>(fraction.size(), 2), '0');

    // Keep one decimal; a second decimal of 5 or more rounds the magnitude up (half away from
    // zero), carrying through the integer digits.
    std::string kept = integer + fraction.substr(0, 1);
    if (fraction[1] >= '5') {
        int i = int(kept.size()) - 1;
        for (; i >= 0; --i) {
            if (kept[i] == '9') {
                kept[i] = '0';
            } else {
                ++kept[i];
                break;
            }
        }
        if (i < 0)
            kept.insert(kept.begin(), '1');
    }
    std::string whole = kept.substr(0, kept.size() - 1);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
    const char tenth = kept.back();

    // A negative value keeps its sign even when it rounds to zero (-0.04 gives "-0.0"); a
    // negative zero is no negative value.
    const bool negative = value < 0;
    QString text;
    if (negative)
        text += locale.negativeSign();
    text += QString::fromLatin1(whole.data(), qsizetype(whole.size()));
    text += locale.decimalPoint();
    text += QLatin1Char(tenth);
    return text;
}
