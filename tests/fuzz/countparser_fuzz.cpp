// SPDX-License-Identifier: GPL-3.0-or-later
// The count reading on arbitrary text: Val() must never be NaN nor hit undefined behaviour, the
// rounding must agree with the value, and plain numbers must read as the C library reads them.

#include "config/countparser.h"
#include "config/profilereader.h"
#include "fuzzcheck.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

using namespace trelvick::config;
using namespace trelvick::fuzz;

namespace {

QString withoutSkipped(const QString& text)
{
    QString compact;
    for (QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n')
            compact += c;
    }
    return compact;
}

bool isDigit(QChar c, int radix)
{
    const char16_t u = c.unicode();
    if (radix == 8)
        return u >= u'0' && u <= u'7';
    if (radix == 16)
        return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
    return u >= u'0' && u <= u'9';
}

// The number at the start of compact text read by strtod, or NaN when the text is not one the
// reference can read (very long hexadecimal/octal runs).
double referenceVal(const QString& compact)
{
    if (compact.startsWith(u"&H", Qt::CaseInsensitive) || compact.startsWith(u"&O", Qt::CaseInsensitive)) {
        const int radix = compact[1].toUpper() == u'H' ? 16 : 8;
        qsizetype end = 2;
        while (end < compact.size() && isDigit(compact[end], radix))
            ++end;
        if (end - 2 > 13) // beyond exact 64-bit and double arithmetic: not checked
            return std::nan("");
        if (end == 2)
            return 0;
        return double(std::strtoull(compact.mid(2, end - 2).toLatin1().constData(), nullptr, radix));
    }
    // Longest prefix of the form [+-] digits [. digits] [EeDd [+-] digits].
    qsizetype i = 0;
    if (i < compact.size() && (compact[i] == u'+' || compact[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    for (; i < compact.size() && isDigit(compact[i], 10); ++i)
        ++digits;
    if (i < compact.size() && compact[i] == u'.')
        for (++i; i < compact.size() && isDigit(compact[i], 10); ++i)
            ++digits;
    if (digits == 0)
        return 0;
    QString number = compact.left(i);
    if (i < compact.size() && QStringView(u"EeDd").contains(compact[i])) {
        qsizetype j = i + 1;
        if (j < compact.size() && (compact[j] == u'+' || compact[j] == u'-'))
            ++j;
        if (j < compact.size() && isDigit(compact[j], 10)) {
            while (j < compact.size() && isDigit(compact[j], 10))
                ++j;
            number = compact.left(j);
            number[i] = u'e';
        }
    }
    if (number.endsWith(u'.'))
        number.chop(1);
    if (number == u"+" || number == u"-")
        return 0;
    return std::strtod(number.toLatin1().constData(), nullptr); // C locale: the fuzzer never sets one
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks how the rest becomes text: as tq.ini text, or as raw UTF-16 code units
    // (lone surrogates, non-Latin digits and all).
    QString text;
    const QByteArray rest(reinterpret_cast<const char*>(bytes) + 1, qsizetype(size - 1));
    if (bytes[0] & 1)
        text = QString::fromUtf16(reinterpret_cast<const char16_t*>(rest.constData()), rest.size() / 2);
    else
        text = decodeConfigText(rest);

    const double value = basicVal(text);
    FUZZ_CHECK(!std::isnan(value));
    // Blanks, tabs and line feeds are skipped anywhere.
    FUZZ_CHECK(basicVal(withoutSkipped(text)) == value);
    FUZZ_CHECK(basicVal(QStringLiteral(" \t\n") + text) == value);

    const double reference = referenceVal(withoutSkipped(text));
    if (!std::isnan(reference)) {
        // Below the normal range the engine may keep a denormal or flush to zero: both round to 0.
        if (std::fabs(reference) < 1e-300)
            FUZZ_CHECK(std::fabs(value) < 1e-300);
        else
            FUZZ_CHECK(value == reference);
    }

    const std::optional<qint16> count = parseConverterCount(text);
    const bool inRange = std::isfinite(value) && value >= -32768.5 && value < 32767.5;
    FUZZ_CHECK(count.has_value() == inRange);
    if (count) {
        const double distance = std::fabs(double(*count) - value);
        FUZZ_CHECK(distance <= 0.5);
        if (distance == 0.5)
            FUZZ_CHECK(*count % 2 == 0); // halves go to the even neighbour
    }
    return 0;
}
