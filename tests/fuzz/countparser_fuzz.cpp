// SPDX-License-Identifier: GPL-3.0-or-later
// The count reading: a number written out in any accepted form, blanks strewn in, reads back as itself; any
// text reads as a number that blanks do not change, and its count is that number rounded, halves to even.

#include "config/countparser.h"
#include "config/profilereader.h"
#include "fuzzcheck.h"

#include <bit>
#include <cmath>

using namespace trelvick::config;

namespace {

// A decimal with its exponent written E, e, D or d, or a whole number in &H/&h hexadecimal or &O/&o octal.
QString writtenNumber(FuzzedDataProvider& data, double& number)
{
    const auto form = data.ConsumeIntegral<std::uint8_t>();
    QString text;
    if (form & 1) {
        const auto whole = data.ConsumeIntegralInRange<qulonglong>(0, (qulonglong(1) << 53) - 1);
        number = double(whole);
        text = ((form & 2) ? QStringLiteral("&H") : QStringLiteral("&O")) + QString::number(whole, (form & 2) ? 16 : 8);
        text = (form & 4) ? text.toLower() : text.toUpper();
    } else {
        number = std::bit_cast<double>(data.ConsumeIntegral<std::uint64_t>());
        if (!std::isfinite(number))
            number = 0;
        // Seventeen digits write every double exactly.
        text = QString::asprintf("%.17g", number).replace(u'e', QStringView(u"EeDd")[form >> 6]);
        if ((form & 2) && !text.startsWith(u'-'))
            text.prepend(u'+');
        // ".5" for "0.5", and an exponent marker without digits, which ends the number before it.
        const qsizetype sign = text.startsWith(u'-') || text.startsWith(u'+') ? 1 : 0;
        if ((form & 4) && text.mid(sign, 2) == u"0.")
            text.remove(sign, 1);
        if (form & 8)
            text += QStringView(u"EeDd")[form >> 6];
    }
    for (int blanks = data.ConsumeIntegralInRange(0, 4); blanks > 0; --blanks)
        text.insert(data.ConsumeIntegralInRange<qsizetype>(0, text.size()), QStringView(u" \t\n")[blanks % 3]);
    // "x" cannot continue any number.
    return text + u'x' + decodeConfigText(QByteArray::fromStdString(data.ConsumeRemainingBytesAsString()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(bytes) + 1, qsizetype(size - 1));
    // The first byte: a written number, raw UTF-16 code units, or tq.ini bytes.
    QString text;
    if (bytes[0] & 2) {
        FuzzedDataProvider data(bytes + 1, size - 1);
        double number = 0;
        text = writtenNumber(data, number);
        // Below the normal range the reading may keep a denormal or flush to zero: both count as 0.
        FUZZ_CHECK(std::fabs(number) < 1e-300 ? std::fabs(basicVal(text)) < 1e-300 : basicVal(text) == number);
    } else {
        text = (bytes[0] & 1) ? QString::fromUtf16(reinterpret_cast<const char16_t*>(rest.constData()), rest.size() / 2)
                              : decodeConfigText(rest);
    }

    const double value = basicVal(text);
    FUZZ_CHECK(!std::isnan(value));
    QString compact = text;
    compact.removeIf([](QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; });
    FUZZ_CHECK(basicVal(compact) == value);

    const trelvick::base::Expected<qint16> count = parseConverterCount(text);
    FUZZ_CHECK(count.hasValue() == (std::isfinite(value) && value >= -32768.5 && value < 32767.5));
    FUZZ_CHECK(count || count.error().is(trelvick::base::Fault::Overflow));
    if (count) {
        const double distance = std::fabs(double(*count) - value);
        FUZZ_CHECK(distance < 0.5 || (distance == 0.5 && *count % 2 == 0));
    }
    return 0;
}
