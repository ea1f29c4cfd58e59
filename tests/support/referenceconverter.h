// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The conversion done the slow, plain way, for checking the streaming engine: the whole input in
// memory, cut into lines first, every line converted byte by byte and written with CR LF.

#include "convert/conversiontable.h"

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trelvick::testsupport {

struct ReferenceResult
{
    std::string output;
    std::int64_t processed = 0;
    std::int64_t changed = 0;
};

// A line ends at CR or at CR LF; the terminator is not part of it. A lone LF is line content.
// The last line needs no terminator; an empty input has no lines.
inline std::vector<std::string_view> referenceLines(std::string_view input)
{
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < input.size()) {
        const std::size_t cr = input.find('\r', pos);
        if (cr == std::string_view::npos) {
            lines.push_back(input.substr(pos));
            break;
        }
        lines.push_back(input.substr(pos, cr - pos));
        pos = cr + 1;
        if (pos < input.size() && input[pos] == '\n')
            ++pos;
    }
    return lines;
}

// A table that writes UTF-8 gives each entry's code point in Qt's UTF-8, and a byte without entry
// itself below 128, U+FFFD above.
inline ReferenceResult referenceConvert(std::string_view input, const convert::ConversionTable& table)
{
    const bool utf8 = table.output() == convert::ConversionTable::Output::Utf8;
    ReferenceResult result;
    for (const std::string_view line : referenceLines(input)) {
        for (const char c : line) {
            ++result.processed;
            const int target = table.lookup(static_cast<std::uint8_t>(c));
            if (target > -1)
                ++result.changed;
            if (utf8 && (target > -1 || static_cast<unsigned char>(c) >= 0x80)) {
                const char32_t point = target > -1 ? char32_t(target) : U'\uFFFD';
                result.output += QString::fromUcs4(&point, 1).toUtf8().toStdString();
            } else {
                result.output += target > -1 ? static_cast<char>(target) : c;
            }
        }
        result.output += "\r\n";
        result.processed += 2;
    }
    return result;
}

} // namespace trelvick::testsupport
