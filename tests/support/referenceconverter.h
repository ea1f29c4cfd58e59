// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The conversion done the slow, plain way, for checking the streaming engine: the whole input in
// memory, cut into lines, every line converted byte by byte (or character by character from UTF-8)
// and written with the terminator the line ends ask for.

#include "convert/codepage.h"
#include "convert/conversiontable.h"
#include "convert/engine.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace trelvick::testsupport {

struct ReferenceResult
{
    std::string output;
    std::int64_t processed = 0;
    std::int64_t changed = 0;
    std::int64_t lost = 0;
    std::int64_t invalid = 0;
};

// A line ends at CR or at CR LF; a lone LF is line content (a line end as well under CrLfEach),
// and the last line needs no terminator. convertLine appends the conversion of one line's content.
inline ReferenceResult convertLines(std::string_view input, convert::LineEnds lineEnds,
                                    const std::function<void(std::string_view, ReferenceResult&)>& convertLine)
{
    using enum convert::LineEnds;
    ReferenceResult result;
    for (std::size_t pos = 0; pos < input.size();) {
        const std::size_t end = std::min(input.find_first_of(lineEnds == CrLfEach ? "\r\n" : "\r", pos), input.size());
        convertLine(input.substr(pos, end - pos), result);
        const bool pair = input.substr(end, 2) == "\r\n";
        if (lineEnds == CrLf || (lineEnds == CrLfEach && end < input.size()))
            result.output += "\r\n";
        else if (end < input.size())
            result.output += lineEnds == Lf ? "\n" : pair ? "\r\n" : "\r";
        result.processed += std::int64_t(end - pos) + 2;
        pos = end + (pair ? 2 : 1);
    }
    if (lineEnds != CrLf)
        result.processed = std::int64_t(input.size());
    return result;
}

inline std::string utf8Of(char32_t c)
{
    return QString::fromUcs4(&c, 1).toUtf8().toStdString();
}

// A table that writes UTF-8 gives each entry's code point in Qt's UTF-8, and a byte without entry
// itself below 128, U+FFFD above. Bytes the table marks count as lost or invalid.
inline ReferenceResult referenceConvert(std::string_view input, const convert::ConversionTable& table,
                                        convert::LineEnds lineEnds = convert::LineEnds::CrLf)
{
    const bool utf8 = table.output() == convert::ConversionTable::Output::Utf8;
    std::array<std::string, 256> written; // what each code becomes: worked out once
    for (int code = 0; code < 256; ++code) {
        const int target = table.lookup(std::uint8_t(code));
        if (utf8 && (target > -1 || code >= 0x80))
            written[code] = utf8Of(target > -1 ? char32_t(target) : U'\uFFFD');
        else
            written[code] = std::string(1, static_cast<char>(target > -1 ? target : code));
    }
    return convertLines(input, lineEnds, [&](std::string_view line, ReferenceResult& result) {
        for (const char c : line) {
            const auto code = static_cast<std::uint8_t>(c);
            result.changed += table.lookup(code) > -1 ? 1 : 0;
            result.lost += table.loss(code) == convert::ConversionTable::Loss::Lost ? 1 : 0;
            result.invalid += table.loss(code) == convert::ConversionTable::Loss::Invalid ? 1 : 0;
            result.output += written[code];
        }
    });
}

// UTF-8 into a single-byte code page, by the well-formed byte sequences of the Unicode standard:
// after a lead byte, the second byte lies in the range the lead allows and the others in 80..BF. The
// longest start of a sequence that breaks off (or a byte that starts none) is one '?', invalid.
inline ReferenceResult referenceDecode(std::string_view input, const convert::CodePage& target,
                                       convert::LineEnds lineEnds = convert::LineEnds::CrLf)
{
    struct Lead
    {
        unsigned first, last; // lead bytes
        int length;
        unsigned low, high; // the second byte
    };
    static constexpr Lead kLeads[] = {{0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF},
                                      {0xE1, 0xEC, 3, 0x80, 0xBF}, {0xED, 0xED, 3, 0x80, 0x9F},
                                      {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
                                      {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F}};
    const char question = static_cast<char>(target.byteOf(U'?').value_or('?'));
    std::array<int, 128> ascii; // the byte of each ASCII character, or -1: looked up once
    ascii.fill(-1);
    for (const auto& [c, byte] : target.encoding())
        if (c < 128)
            ascii[c] = byte;
    ascii['\r'] = '\r';
    return convertLines(input, lineEnds, [&](std::string_view line, ReferenceResult& result) {
        for (std::size_t i = 0; i < line.size();) {
            const auto lead = static_cast<unsigned char>(line[i]);
            if (lead < 0x80) {
                result.output += ascii[lead] < 0 ? question : static_cast<char>(ascii[lead]);
                result.lost += ascii[lead] < 0;
                result.changed += ascii[lead] != lead;
                ++i;
                continue;
            }
            const Lead* kind = std::find_if(std::begin(kLeads), std::end(kLeads),
                                            [lead](const Lead& l) { return lead >= l.first && lead <= l.last; });
            int good = 1; // bytes that belong to the sequence so far
            if (kind != std::end(kLeads)) {
                for (; good < kind->length && i + good < line.size(); ++good) {
                    const auto next = static_cast<unsigned char>(line[i + good]);
                    if (next < (good == 1 ? kind->low : 0x80) || next > (good == 1 ? kind->high : 0xBF))
                        break;
                }
            }
            if (lead >= 0x80 && (kind == std::end(kLeads) || good < kind->length)) {
                result.output += question;
                ++result.invalid;
                i += std::size_t(good);
                continue;
            }
            const std::u32string c = QString::fromUtf8(line.data() + i, good).toStdU32String();
            const std::optional<std::uint8_t> byte = c[0] == U'\r' ? std::uint8_t('\r') : target.byteOf(c[0]);
            result.output += byte ? static_cast<char>(*byte) : question;
            result.lost += byte ? 0 : 1;
            result.changed += lead >= 0x80 || !byte || *byte != lead ? 1 : 0;
            i += std::size_t(good);
        }
    });
}

} // namespace trelvick::testsupport
