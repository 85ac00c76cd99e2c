// The formatters and checks: the cursor readout's "##0.0", the alarm angle's "00" rounding and
// the numeric check of typed text, under the C locale and a few others that write numbers
// differently (comma decimals, blank or dot grouping, a Unicode minus, other scripts).
//
// Input: eight bytes read as a double, one byte that picks a locale, then text typed by a user
// (UTF-8). It must hold that
// - "##0.0" gives sign, digits, the locale's decimal separator and one digit, within 0.05 of the
//   value, with a minus exactly when the value is below zero (-0.04 gives "-0.0");
// - a numeric text is finite; the alarm angle is "00" to "90" and the rounded value, and exists
//   exactly when the value lies in 0 to 90; an accepted phone number is a number of 0 or more
//   with no blank or minus inside.
#include "monitor/ReadoutFormat.h"
#include "setup/NumberInput.h"

#include <QLocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

constexpr std::size_t MaxTyped = 256;

void require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

const QLocale &pickLocale(std::uint8_t pick)
{
    static const QLocale locales[] = {
        QLocale::c(),
        QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::French, QLocale::France),
        QLocale(QLocale::Swedish, QLocale::Sweden),
        QLocale(QLocale::Arabic, QLocale::Egypt),
        QLocale(QLocale::Hindi, QLocale::India),
        QLocale(QLocale::English, QLocale::UnitedStates),
    };
    return locales[pick % std::size(locales)];
}

void checkReadout(double value, const QLocale &locale)
{
    const QString text = formatOneDecimal(value, locale);
    if (!std::isfinite(value))
        return;
    QString rest = text;
    const bool negative = rest.startsWith(locale.negativeSign());
    if (negative)
        rest.remove(0, locale.negativeSign().size());
    const QString point = locale.decimalPoint();
    require(rest.size() >= 1 + point.size() + 1, "readout too short");
    const QString whole = rest.left(rest.size() - point.size() - 1);
    require(rest.mid(whole.size(), point.size()) == point, "readout without decimal separator");
    const QChar tenth = rest.back();
    require(tenth >= u'0' && tenth <= u'9', "readout's decimal not a digit");
    for (const QChar c : whole)
        require(c >= u'0' && c <= u'9', "readout's integer part not digits");
    require(whole.size() == 1 || whole.front() != u'0', "readout with a leading zero");
    require(negative == (value < 0), "minus sign not exactly on negative values");

    const QString plain = (negative ? QStringLiteral("-") : QString()) + whole + u'.' + tenth;
    const double back = std::strtod(plain.toLatin1().constData(), nullptr);
    const double tolerance =
        0.05 + 1e-12 + 4 * (std::nextafter(std::fabs(value), HUGE_VAL) - std::fabs(value));
    require(std::fabs(back - value) <= tolerance, "readout further than 0.05 from the value");
}

void checkInput(const QString &text, const QLocale &locale)
{
    const std::optional<double> value = NumberInput::numericValue(text, locale);
    if (value)
        require(std::isfinite(*value), "numeric text not finite");

    const std::optional<QString> angle = NumberInput::alarmAngle(text, locale);
    require(angle.has_value() == (value && *value >= 0.0 && *value <= 90.0),
            "alarm angle accepted outside 0 to 90 or refused inside");
    if (angle) {
        require(angle->size() == 2 && angle->at(0).isDigit() && angle->at(1).isDigit(),
                "alarm angle not two digits");
        require(angle->toInt() == int(std::round(*value)), "alarm angle not the rounded value");
    }

    const std::optional<QString> phone = NumberInput::alarmPhone(text, locale);
    if (phone) {
        require(*phone == text.trimmed(), "phone number not the trimmed text");
        const std::optional<double> number = NumberInput::numericValue(*phone, locale);
        require(number && *number >= 0.0, "phone number not a number of 0 or more");
        for (const QChar c : *phone)
            require(!c.isSpace() && c != u'-', "phone number with a blank or minus inside");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 9)
        return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    const QLocale &locale = pickLocale(data[8]);
    checkReadout(value, locale);
    checkReadout(value, QLocale::c());

    // What fits in the window's small text boxes, and well beyond.
    const QByteArray bytes(reinterpret_cast<const char *>(data + 9),
                           qsizetype(std::min<std::size_t>(size - 9, MaxTyped)));
    checkInput(QString::fromUtf8(bytes), locale);
    checkInput(QString::fromUtf8(bytes), QLocale::c());
    // The readout's own text typed back in.
    checkInput(formatOneDecimal(value, locale), locale);
    return 0;
}
