// SPDX-License-Identifier: GPL-3.0-or-later
// UTF-8 that went through a single-byte codepage: read as that codepage, each byte a character, and saved
// as UTF-8 again. Turning each character back into its byte gives the UTF-8 it was.
#include "guess/guess.h"

#include "guess/scoring.h"
#include "guess/symbols.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace trelvick::guess {

namespace {

// Where double encoding happens, the most common first: Windows and ISO Latin and Greek, then Central
// European and Cyrillic, then DOS and the Mac.
constexpr Encoding kThrough[] = {Encoding::Cp1252,     Encoding::Cp1253, Encoding::Iso8859_1, Encoding::Iso8859_7,
                                 Encoding::Iso8859_15, Encoding::Cp1250, Encoding::Iso8859_2, Encoding::Cp1251,
                                 Encoding::Koi8R,      Encoding::Cp437,  Encoding::Cp850,     Encoding::Cp866,
                                 Encoding::MacRoman};

// A codepage's characters back to its bytes, sorted by character. The bytes it leaves undefined are
// read by Windows as the C1 controls of the same number, and so come back from them.
std::vector<std::pair<char32_t, unsigned char>> bytesOf(Encoding encoding)
{
    const char32_t* table = nullptr;
    for (std::size_t c = 0; c < detail::kSingleByteCount; ++c) {
        if (detail::singleByte(c) == encoding)
            table = detail::characters(c);
    }
    std::vector<std::pair<char32_t, unsigned char>> bytes;
    if (!table)
        return bytes;
    for (unsigned byte = 0; byte < 256; ++byte) {
        // The DOS pictures stand for control bytes, which a decoder leaves as they are.
        const char32_t character = byte < 0x20 || byte == 0x7F ? byte : table[byte];
        if (character != kUndefined)
            bytes.push_back({character, static_cast<unsigned char>(byte)});
        else if (byte >= 0x80 && byte < 0xA0)
            bytes.push_back({byte, static_cast<unsigned char>(byte)});
    }
    std::sort(bytes.begin(), bytes.end());
    return bytes;
}

// Reads UTF-8 one character at a time; nothing at the end or at a broken sequence.
class Utf8Reader
{
public:
    explicit Utf8Reader(std::string_view text) : m_text(text) {}

    bool atEnd() const { return m_at >= m_text.size(); }
    bool next(char32_t* character)
    {
        const auto lead = static_cast<unsigned char>(m_text[m_at]);
        const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        if (length == 0 || m_at + std::size_t(length) > m_text.size())
            return false;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(m_text[m_at + std::size_t(k)]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = c << 6 | (next & 0x3F);
        }
        m_at += std::size_t(length);
        *character = c;
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
};

// Checks bytes as UTF-8 while they are made, so that a text that is no mojibake fails at once.
class Utf8Check
{
public:
    bool add(unsigned char byte)
    {
        if (m_needed == 0) {
            if (byte < 0x80)
                return true;
            m_needed = byte >= 0xC2 && byte <= 0xDF   ? 1
                       : byte >= 0xE0 && byte <= 0xEF ? 2
                       : byte >= 0xF0 && byte <= 0xF4 ? 3
                                                      : 0;
            m_least = m_needed == 1 ? 0x80 : m_needed == 2 ? 0x800 : 0x10000;
            m_value = byte & (0x3F >> m_needed);
            return m_needed > 0;
        }
        if ((byte & 0xC0) != 0x80)
            return false;
        m_value = m_value << 6 | (byte & 0x3F);
        if (--m_needed > 0)
            return true;
        ++m_multibyte;
        return m_value >= m_least && m_value <= 0x10FFFF && !(m_value >= 0xD800 && m_value < 0xE000);
    }
    bool complete() const { return m_needed == 0 && m_multibyte > 0; }

private:
    int m_needed = 0;
    char32_t m_value = 0;
    char32_t m_least = 0;
    std::size_t m_multibyte = 0;
};

} // namespace

std::optional<std::string> repairMojibake(std::string_view utf8, Encoding through)
{
    // Made once: every UTF-8 file of an archive is tried against several codepages.
    static const auto kBytes = [] {
        std::array<std::vector<std::pair<char32_t, unsigned char>>, kEncodingCount> all;
        for (int e = 0; e < kEncodingCount; ++e)
            all[std::size_t(e)] = bytesOf(Encoding(e));
        return all;
    }();
    const auto& bytes = kBytes[std::size_t(through)];
    if (bytes.empty())
        return std::nullopt;
    std::string repaired;
    repaired.reserve(utf8.size());
    Utf8Reader reader(utf8);
    Utf8Check check;
    while (!reader.atEnd()) {
        char32_t character = 0;
        if (!reader.next(&character))
            return std::nullopt;
        const auto at = std::lower_bound(bytes.begin(), bytes.end(), std::pair<char32_t, unsigned char>(character, 0));
        if (at == bytes.end() || at->first != character || !check.add(at->second))
            return std::nullopt;
        repaired.push_back(static_cast<char>(at->second));
    }
    if (!check.complete())
        return std::nullopt;
    return repaired;
}

std::optional<Encoding> findMojibake(std::string_view utf8)
{
    for (const Encoding through : kThrough) {
        if (repairMojibake(utf8, through))
            return through;
    }
    return std::nullopt;
}

} // namespace trelvick::guess
