// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/codepage.h"

#include "convert/conversiontable.h"

#include <algorithm>

namespace trelvick::convert {

namespace {

bool before(const std::pair<char32_t, std::uint8_t>& entry, char32_t c)
{
    return entry.first < c;
}

} // namespace

CodePage CodePage::fromCharacters(const std::array<int, 256>& characters)
{
    CodePage page;
    for (int byte = 0; byte <= 255; ++byte) {
        const int c = characters[byte];
        if (!ConversionTable::isCodeOf(c, ConversionTable::Output::Utf8))
            continue;
        page.m_characters[byte] = c;
        page.m_encoding.emplace_back(char32_t(c), std::uint8_t(byte));
    }
    // Stable: of the bytes of one character, the lowest comes first and is kept.
    std::stable_sort(page.m_encoding.begin(), page.m_encoding.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    page.m_encoding.erase(std::unique(page.m_encoding.begin(), page.m_encoding.end(),
                                      [](const auto& a, const auto& b) { return a.first == b.first; }),
                          page.m_encoding.end());
    return page;
}

std::optional<std::uint8_t> CodePage::byteOf(char32_t c) const
{
    const auto at = std::lower_bound(m_encoding.begin(), m_encoding.end(), c, before);
    if (at == m_encoding.end() || at->first != c)
        return std::nullopt;
    return at->second;
}

void CodePage::prefer(char32_t c, std::uint8_t byte)
{
    const auto at = std::lower_bound(m_encoding.begin(), m_encoding.end(), c, before);
    if (at != m_encoding.end() && at->first == c && m_characters[byte] == int(c))
        at->second = byte;
}

} // namespace trelvick::convert
