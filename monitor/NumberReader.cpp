#include "monitor/NumberReader.h"

#include <charconv>
#include <cmath>

namespace
{

bool isSkipped(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

double readNumber(QByteArrayView field)
{
    // Gather the number's characters without the skipped ones, then convert once. A record
    // field is short, so a fixed buffer serves; digits beyond it cannot change a double except
    // in its exponent, which is kept whole.
    char text[96];
    int length = 0;
    enum class Stage { Sign, Integer, Fraction, ExponentSign, Exponent } stage = Stage::Sign;
    bool mantissaDigits = false;
    bool exponentDigits = false;
    int exponentStart = -1; // where 'e' went into text, to drop an exponent without digits
    int significant = 0;    // integer digits kept
    int fractionDigits = 0; // fraction digits kept
    int exponentKept = 0;   // exponent digits kept, leading zeros dropped
    long long droppedIntegerDigits = 0;

    // At most 1 + 40 + 1 + 40 + 1 + 1 + 6 characters go in, so text never overflows.
    auto put = [&](char c) { text[length++] = c; };

    for (const char c : field) {
        if (isSkipped(c))
            continue;
        if (stage == Stage::Sign) {
            stage = Stage::Integer;
            if (c == '+' || c == '-') {
                put(c);
                continue;
            }
        }
        if (stage == Stage::Integer) {
            if (isDigit(c)) {
                mantissaDigits = true;
                if (significant < 40) {
                    put(c);
                    ++significant;
                } else {
                    ++droppedIntegerDigits; // scale kept through the exponent below
                }
                continue;
            }
            if (c == '.') {
                stage = Stage::Fraction;
                put('.');
                continue;
            }
        }
        if (stage == Stage::Fraction && isDigit(c)) {
            mantissaDigits = true;
            if (fractionDigits < 40) {
                put(c);
                ++fractionDigits;
            }
            continue;
        }
        if ((stage == Stage::Integer || stage == Stage::Fraction) && (c == 'e' || c == 'E') &&
            mantissaDigits) {
            stage = Stage::ExponentSign;
            exponentStart = length;
            put('e');
            continue;
        }
        if (stage == Stage::ExponentSign) {
            stage = Stage::Exponent;
            if (c == '+' || c == '-') {
                put(c);
                continue;
            }
        }
        if (stage == Stage::Exponent && isDigit(c)) {
            exponentDigits = true;
            if (exponentKept == 0 && c == '0')
                continue;
            if (exponentKept < 6) {
                put(c);
                ++exponentKept;
            } else {
                // A longer exponent is out of any double's range either way; six nines say so.
                for (int i = length - exponentKept; i < length; ++i)
                    text[i] = '9';
            }
            continue;
        }
        break;
    }
    if (!mantissaDigits)
        return 0.0;
    if (exponentStart >= 0 && !exponentDigits)
        length = exponentStart; // "12e" reads 12
    else if (exponentStart >= 0 && exponentKept == 0)
        put('0'); // "1e00" reads 1

    double value = 0.0;
    const char *begin = text;
    if (*begin == '+')
        ++begin;
    const auto result = std::from_chars(begin, text + length, value);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone: overflow reads as infinity, underflow as zero.
        const bool negative = *begin == '-';
        const bool tiny =
            exponentStart >= 0 && exponentStart + 1 < length && text[exponentStart + 1] == '-';
        value = tiny ? 0.0 : HUGE_VAL;
        if (negative)
            value = -value;
    } else if (result.ec != std::errc()) {
        return 0.0;
    }
    if (droppedIntegerDigits > 0)
        value *= std::pow(10.0, double(droppedIntegerDigits));
    return value;
}
