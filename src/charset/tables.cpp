// SPDX-License-Identifier: GPL-3.0-or-later
#include "charset/tables.h"

#include "charset/iconvhandle.h"

#include <QString>

#include <array>
#include <optional>

namespace trelvick::charset {

namespace {

constexpr int kReplacementCharacter = 0xFFFD;

int questionMark(const Charset& to)
{
    return to.codePage().byteOf(U'?').value_or('?');
}

} // namespace

convert::ConversionTable byteTable(const Charset& from, const Charset& to, TableUse use)
{
    using Loss = convert::ConversionTable::Loss;
    std::optional<IconvHandle> transliterator;
    if (use == TableUse::Section)
        transliterator.emplace(to.iconvName() + "//TRANSLIT", "UTF-32LE");
    std::array<int, 256> lookup;
    lookup.fill(-1);
    std::array<Loss, 256> losses{};
    for (int b = 0; b < 256; ++b) {
        const int c = from.codePage().character(static_cast<std::uint8_t>(b));
        if (c < 0) {
            if (use == TableUse::Conversion) {
                lookup[b] = questionMark(to);
                losses[b] = Loss::Invalid;
            }
            continue;
        }
        std::optional<std::uint8_t> target = to.codePage().byteOf(char32_t(c));
        if (!target && transliterator && transliterator->valid()) {
            const auto bytes = transliterator->convert(utf32(char32_t(c)));
            if (bytes && bytes->size() == 1)
                target = static_cast<std::uint8_t>((*bytes)[0]);
        }
        if (!target)
            losses[b] = Loss::Lost;
        const int t = target ? *target : questionMark(to);
        if (t != b)
            lookup[b] = t;
    }
    convert::ConversionTable table = convert::ConversionTable::fromLookup(lookup);
    for (int b = 0; b < 256; ++b)
        table.markLoss(static_cast<std::uint8_t>(b), losses[b]);
    return table;
}

convert::ConversionTable utf8Table(const Charset& from)
{
    std::array<int, 256> lookup;
    lookup.fill(-1);
    for (int b = 0; b < 256; ++b) {
        const int c = from.codePage().character(static_cast<std::uint8_t>(b));
        if (c >= 0 && (b >= 0x80 || c != b))
            lookup[b] = c;
        else if (c < 0 && b < 0x80)
            lookup[b] = kReplacementCharacter; // it would otherwise pass as itself
    }
    convert::ConversionTable table =
        convert::ConversionTable::fromLookup(lookup, convert::ConversionTable::Output::Utf8);
    for (int b = 0; b < 256; ++b)
        if (from.codePage().character(static_cast<std::uint8_t>(b)) < 0)
            table.markLoss(static_cast<std::uint8_t>(b), convert::ConversionTable::Loss::Invalid);
    return table;
}

base::Expected<convert::Converter> converter(const Charset& from, const Charset& to)
{
    if (from.isUtf8() && to.isUtf8())
        return base::Error{make_error_code(base::Fault::NotSingleByte),
                           base::Side::None,
                           QString::fromUtf8(to.name().data(), qsizetype(to.name().size())),
                           {}};
    if (from.isUtf8())
        return convert::Converter(convert::FromUtf8{to.codePage()});
    if (to.isUtf8())
        return convert::Converter(utf8Table(from));
    return convert::Converter(byteTable(from, to, TableUse::Conversion));
}

} // namespace trelvick::charset
