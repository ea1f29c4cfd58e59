// SPDX-License-Identifier: GPL-3.0-or-later
#include "charset/iconvhandle.h"

#include <cerrno>

namespace trelvick::charset {

IconvHandle::IconvHandle(const std::string& to, const std::string& from) : m_cd(iconv_open(to.c_str(), from.c_str())) {}

IconvHandle::~IconvHandle()
{
    if (valid())
        iconv_close(m_cd);
}

std::optional<std::string> IconvHandle::convert(std::string_view input, int* error) const
{
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    errno = 0;
    std::string output(64 + input.size() * 8, '\0');
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    if (iconv(m_cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0 ||
        iconv(m_cd, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1)) {
        if (error)
            *error = errno;
        return std::nullopt;
    }
    output.resize(output.size() - outLeft);
    return output;
}

std::string utf32(char32_t c)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((c >> (8 * i)) & 0xFF);
    return bytes;
}

char32_t fromUtf32(std::string_view bytes)
{
    char32_t c = 0;
    for (int i = 3; i >= 0; --i)
        c = (c << 8) | static_cast<unsigned char>(bytes[i]);
    return c;
}

} // namespace trelvick::charset
