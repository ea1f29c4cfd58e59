// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/countparser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace trelvick::config {

namespace {

bool isSkipped(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Digits of the given radix as a plain non-negative integer. Kept in a double so that a long run of
// digits grows towards infinity instead of overflowing.
double readRadixInteger(QStringView digits, int radix)
{
    double value = 0;
    for (QChar c : digits) {
        int digit = -1;
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else if (u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        if (digit < 0 || digit >= radix)
            break;
        value = value * radix + digit;
    }
    return value;
}

// Sign, digits, point, digits, exponent with E or D. The accepted characters are copied into a
// C-locale number text so that the conversion is exact and ignores the user's decimal separator.
double readDecimal(QStringView text)
{
    std::string number;
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';

    // Decimal magnitude of the first significant digit (1 for "5", 0 for "0.5", -1 for "0.05"),
    // needed to tell an overflow from an underflow.
    qsizetype magnitude = 0;
    bool anyDigit = false;
    bool significant = false;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        number += char(text[i].unicode());
        anyDigit = true;
        significant = significant || text[i] != u'0';
        if (significant)
            ++magnitude;
    }
    if (i < text.size() && text[i] == u'.') {
        number += '.';
        for (++i; i < text.size() && isDigit(text[i]); ++i) {
            number += char(text[i].unicode());
            anyDigit = true;
            if (!significant && text[i] == u'0')
                --magnitude;
            significant = significant || text[i] != u'0';
        }
    }
    if (!anyDigit)
        return 0;

    // An exponent marker without digits after it ends the number before the marker.
    long long exponent = 0;
    if (i < text.size() && QStringView(u"EeDd").contains(text[i])) {
        qsizetype j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            negativeExponent = text[j++] == u'-';
        if (j < text.size() && isDigit(text[j])) {
            // Clamped: far beyond any double, and no integer overflow on absurd exponents.
            for (; j < text.size() && isDigit(text[j]); ++j)
                exponent = std::min(exponent * 10 + (text[j].unicode() - u'0'), 100000LL);
            if (negativeExponent)
                exponent = -exponent;
        }
    }
    if (exponent != 0)
        number += 'e' + std::to_string(exponent);

    double value = 0;
    const std::from_chars_result result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone: decide between overflow and underflow ourselves.
        value = significant && magnitude + exponent > 0 ? HUGE_VAL : 0.0;
    }
    return negative ? -value : value;
}

// Nearest integer, a fraction of exactly one half going to the even neighbour.
double roundHalfToEven(double value)
{
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction < 0.5)
        return floor;
    if (fraction > 0.5)
        return floor + 1;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

} // namespace

double basicVal(const QString& text)
{
    QString compact;
    compact.reserve(text.size());
    for (QChar c : text) {
        if (!isSkipped(c))
            compact += c;
    }

    const QStringView view(compact);
    if (view.startsWith(u"&H", Qt::CaseInsensitive))
        return readRadixInteger(view.sliced(2), 16);
    if (view.startsWith(u"&O", Qt::CaseInsensitive))
        return readRadixInteger(view.sliced(2), 8);
    return readDecimal(view);
}

base::Expected<qint16> parseConverterCount(const QString& text)
{
    const double value = basicVal(text);
    if (std::isfinite(value)) {
        const double rounded = roundHalfToEven(value);
        if (rounded >= -32768.0 && rounded <= 32767.0)
            return static_cast<qint16>(rounded);
    }
    return base::Error{make_error_code(base::Fault::Overflow), base::Side::None, {}, {}};
}

} // namespace trelvick::config
