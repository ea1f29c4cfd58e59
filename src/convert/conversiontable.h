// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace trelvick::convert {

inline constexpr int kHighestByte = 255;
inline constexpr int kHighestCodePoint = 0x10FFFF;

// A converter's table: for each byte 0..255 the code that replaces it, or none. The codes are bytes,
// or code points that the engine writes as UTF-8.
class ConversionTable final
{
public:
    enum class Output
    {
        Bytes, // every entry is a byte 0..255
        Utf8,  // every entry is a code point, written as UTF-8
    };

    // A table without entries: every code passes unchanged.
    ConversionTable() { m_lookup.fill(-1); }

    // The table whose entry for code c is lookup[c]; values that are no code of output (outside 0..255,
    // or for UTF-8 outside 0..1114111 or a surrogate) mean "no entry".
    static ConversionTable fromLookup(const std::array<int, 256>& lookup, Output output = Output::Bytes);

    // -1 when the code has no entry, else the code (a byte, or a code point for UTF-8) that replaces it.
    int lookup(std::uint8_t code) const { return m_lookup[code]; }
    Output output() const { return m_output; }
    static int highestCode(Output output) { return output == Output::Utf8 ? kHighestCodePoint : kHighestByte; }
    // Whether code can be an entry of a table of output: 0..255, or a code point outside the surrogates.
    static bool isCodeOf(int code, Output output);
    // (source, target) in ascending order of source.
    const std::vector<std::pair<int, int>>& pairs() const { return m_pairs; }

    // Why a code's output only stands in for it, so that the engine can count such bytes apart: the
    // target lacks its character (lost; the entry is usually '?'), or the source code page leaves the
    // byte undefined (invalid). A code need not have an entry to be marked: for UTF-8 output an
    // undefined byte above 127 becomes U+FFFD on its own. CR is never counted: it never goes through
    // the table.
    enum class Loss : std::uint8_t
    {
        None,
        Lost,
        Invalid,
    };
    void markLoss(std::uint8_t code, Loss loss) { m_loss[code] = loss; }
    Loss loss(std::uint8_t code) const { return m_loss[code]; }

private:
    std::vector<std::pair<int, int>> m_pairs;
    std::array<std::int32_t, 256> m_lookup{};
    std::array<Loss, 256> m_loss{};
    Output m_output = Output::Bytes;
};

} // namespace trelvick::convert
