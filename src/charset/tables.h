// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "charset/charset.h"
#include "convert/conversiontable.h"
#include "convert/engine.h"

namespace trelvick::charset {

// What a table of one single-byte codepage into another is for.
enum class TableUse
{
    // trelvick-convert -f/-t: a character the target lacks becomes '?' and is marked lost; a byte
    // the source leaves undefined becomes '?' and is marked invalid (iconv would refuse both).
    Conversion,
    // A code section of tq.ini (trelvick-maketable): a character the target lacks becomes iconv's
    // "//TRANSLIT" of it when that is one byte (in the locale's LC_CTYPE: glibc's C.UTF-8 drops
    // accents, ΐ gives ι), else '?'; a byte the source leaves undefined has no entry and passes.
    Section,
};

// The table of from into to, both single-byte: an entry for every byte that becomes another byte.
convert::ConversionTable byteTable(const Charset& from, const Charset& to, TableUse use);

// The table of from into UTF-8: every byte of 128 and above gets its code point, a byte below 128
// an entry only when its character is not itself. An undefined byte is marked invalid; below 128 its
// entry is U+FFFD, above it has none and the engine writes U+FFFD.
convert::ConversionTable utf8Table(const Charset& from);

// What the engine converts from into to through, one of them single-byte and either may be UTF-8.
// Fails with NotSingleByte, to's name as key, when both are UTF-8.
base::Expected<convert::Converter> converter(const Charset& from, const Charset& to);

} // namespace trelvick::charset
