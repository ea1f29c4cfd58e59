#pragma once

// The conversion done the slow, plain way, for checking the streaming engine: the whole input in
// memory, cut into lines first, every line converted byte by byte and written with CR LF.

#include "convert/conversiontable.h"

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

inline ReferenceResult referenceConvert(std::string_view input, const convert::ConversionTable& table)
{
    ReferenceResult result;
    for (const std::string_view line : referenceLines(input)) {
        for (const char c : line) {
            ++result.processed;
            const int target = table.lookup(static_cast<std::uint8_t>(c));
            if (target > -1) {
                result.output += static_cast<char>(target);
                ++result.changed;
            } else {
                result.output += c;
            }
        }
        result.output += "\r\n";
        result.processed += 2;
    }
    return result;
}

} // namespace trelvick::testsupport
