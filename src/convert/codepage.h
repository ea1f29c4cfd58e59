// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace trelvick::convert {

// A single-byte code page: the character each byte stands for, and the byte each character is
// written as. Where several bytes stand for one character, it is written as the lowest of them
// unless prefer() names another (iconv does not always pick the lowest).
class CodePage final
{
public:
    // Every byte undefined.
    CodePage() { m_characters.fill(-1); }
    // characters[b]: the code point of byte b, or -1 where the code page leaves b undefined. Values
    // that are no code point (negative, a surrogate, above U+10FFFF) count as undefined.
    static CodePage fromCharacters(const std::array<int, 256>& characters);

    // The code point of byte, or -1.
    int character(std::uint8_t byte) const { return m_characters[byte]; }
    // The byte c is written as, if the code page has c.
    std::optional<std::uint8_t> byteOf(char32_t c) const;
    // Writes c as byte from now on; byte must stand for c.
    void prefer(char32_t c, std::uint8_t byte);
    // Every character with the byte it is written as, in ascending order of code point.
    const std::vector<std::pair<char32_t, std::uint8_t>>& encoding() const { return m_encoding; }

private:
    std::array<int, 256> m_characters;
    std::vector<std::pair<char32_t, std::uint8_t>> m_encoding;
};

} // namespace trelvick::convert
