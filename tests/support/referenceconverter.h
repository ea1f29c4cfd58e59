// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The conversion done the slow, plain way, for checking the streaming engine: the whole input in
// memory, cut into lines, every line converted byte by byte and written with CR LF.

#include "convert/conversiontable.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace trelvick::testsupport {

struct ReferenceResult
{
    std::string output;
    std::int64_t processed = 0;
    std::int64_t changed = 0;
};

// A line ends at CR or at CR LF; a lone LF is line content, and the last line needs no terminator.
// A table that writes UTF-8 gives each entry's code point in Qt's UTF-8, and a byte without entry
// itself below 128, U+FFFD above.
inline ReferenceResult referenceConvert(std::string_view input, const convert::ConversionTable& table)
{
    const bool utf8 = table.output() == convert::ConversionTable::Output::Utf8;
    ReferenceResult result;
    for (std::size_t pos = 0; pos < input.size();) {
        const std::size_t end = std::min(input.find('\r', pos), input.size());
        for (const char c : input.substr(pos, end - pos)) {
            const int target = table.lookup(static_cast<std::uint8_t>(c));
            result.changed += target > -1 ? 1 : 0;
            if (utf8 && (target > -1 || static_cast<unsigned char>(c) >= 0x80)) {
                const char32_t point = target > -1 ? char32_t(target) : U'\uFFFD';
                result.output += QString::fromUcs4(&point, 1).toUtf8().toStdString();
            } else {
                result.output += target > -1 ? static_cast<char>(target) : c;
            }
        }
        result.output += "\r\n";
        result.processed += std::int64_t(end - pos) + 2;
        pos = end + (input.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    return result;
}

} // namespace trelvick::testsupport
