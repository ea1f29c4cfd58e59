// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iconv.h>
#include <optional>
#include <string>
#include <string_view>

namespace trelvick::charset {

// One iconv descriptor, closed when it goes out of scope.
class IconvHandle final
{
public:
    IconvHandle(const std::string& to, const std::string& from);
    ~IconvHandle();
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole input in one go, from the initial state, and flushes what iconv holds
    // back. Nothing when iconv refuses any part of it; then error, when given, receives iconv's
    // reason (EILSEQ: no such character, EINVAL: an incomplete sequence).
    std::optional<std::string> convert(std::string_view input, int* error = nullptr) const;
    // One call of iconv itself, for a caller that streams: what it returns, errno set as iconv sets it.
    std::size_t step(char** in, std::size_t* inLeft, char** out, std::size_t* outLeft) const
    {
        return ::iconv(m_cd, in, inLeft, out, outLeft);
    }

private:
    iconv_t m_cd;
};

// A code point as UTF-32LE bytes, and back.
std::string utf32(char32_t c);
char32_t fromUtf32(std::string_view bytes);

} // namespace trelvick::charset
