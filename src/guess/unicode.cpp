// SPDX-License-Identifier: GPL-3.0-or-later
#include "guess/unicode.h"

#include <cstdint>
#include <cstring>

namespace trelvick::guess::detail {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

bool isControl(char32_t c)
{
    const bool blank = c == U'\t' || c == U'\n' || c == U'\r' || c == U'\f' || c == U'\v';
    return !blank && (c < 0x20 || (c >= 0x7F && c < 0xA0));
}

// Code units of two or four bytes, in either order.
std::uint32_t unit(const unsigned char* p, int size, bool bigEndian)
{
    std::uint32_t value = 0;
    for (int k = 0; k < size; ++k)
        value |= std::uint32_t(p[bigEndian ? size - 1 - k : k]) << (8 * k);
    return value;
}

bool utf16IsText(std::string_view bytes, bool bigEndian, bool truncated)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t units = bytes.size() / 2;
    if (bytes.size() % 2 != 0 && !truncated)
        return false;
    std::size_t controls = 0;
    std::size_t characters = 0;
    for (std::size_t i = 1; i < units; ++i) { // after the mark
        const std::uint32_t c = unit(p + 2 * i, 2, bigEndian);
        if (c >= 0xDC00 && c < 0xE000)
            return false;
        if (c >= 0xD800 && c < 0xDC00) {
            if (i + 1 == units) {
                if (!truncated)
                    return false;
                break;
            }
            const std::uint32_t low = unit(p + 2 * (i + 1), 2, bigEndian);
            if (low < 0xDC00 || low >= 0xE000)
                return false;
            ++i;
        } else {
            controls += isControl(c);
        }
        ++characters;
    }
    return !tooManyControls(controls, characters);
}

bool utf32IsText(std::string_view bytes, bool bigEndian, bool truncated)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() % 4 != 0 && !truncated)
        return false;
    std::size_t controls = 0;
    const std::size_t units = bytes.size() / 4;
    for (std::size_t i = 1; i < units; ++i) {
        const std::uint32_t c = unit(p + 4 * i, 4, bigEndian);
        if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
            return false;
        controls += isControl(c);
    }
    return !tooManyControls(controls, units > 0 ? units - 1 : 0);
}

} // namespace

std::size_t firstHighByte(const char* bytes, std::size_t size)
{
    std::size_t i = 0;
    // Four words at a time, or'ed together: the compiler turns this into vector loads.
    for (; i + 32 <= size; i += 32) {
        std::uint64_t words[4];
        std::memcpy(words, bytes + i, sizeof words);
        if (((words[0] | words[1] | words[2] | words[3]) & kHighBits) != 0)
            break;
    }
    for (; i < size; ++i) {
        if (static_cast<unsigned char>(bytes[i]) >= 0x80)
            return i;
    }
    return size;
}

std::size_t asciiControls(std::string_view bytes)
{
    std::size_t controls = 0;
    for (const char byte : bytes)
        controls += isControl(static_cast<unsigned char>(byte));
    return controls;
}

Utf8 checkUtf8(std::string_view bytes, bool truncated, std::size_t* controls, std::size_t* characters)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    bool multibyte = false;
    *controls = 0;
    *characters = 0;
    for (std::size_t i = 0; i < size;) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            *controls += isControl(lead);
            ++*characters;
            ++i;
            continue;
        }
        int length = 0;
        char32_t least = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            least = 0x10000;
        } else {
            return Utf8::Invalid;
        }
        char32_t c = lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            if (i + k == size)
                return truncated ? Utf8::Multibyte : Utf8::Invalid;
            const unsigned char next = p[i + k];
            if ((next & 0xC0) != 0x80)
                return Utf8::Invalid;
            c = c << 6 | (next & 0x3F);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
            return Utf8::Invalid;
        *controls += isControl(c);
        ++*characters;
        multibyte = true;
        i += length;
    }
    return multibyte ? Utf8::Multibyte : Utf8::Ascii;
}

Utf8Census countUtf8(std::string_view bytes, bool truncated)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    Utf8Census census;
    for (std::size_t i = 0; i < size;) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const int length = lead >= 0xC2 && lead <= 0xDF   ? 2
                           : lead >= 0xE0 && lead <= 0xEF ? 3
                           : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                          : 0;
        char32_t c = lead & (0x7F >> length);
        int k = 1;
        for (; length > 0 && k < length && i + k < size && (p[i + k] & 0xC0) == 0x80; ++k)
            c = c << 6 | (p[i + k] & 0x3F);
        const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (length > 0 && k == length && c >= least && c <= 0x10FFFF && !(c >= 0xD800 && c < 0xE000)) {
            ++census.multibyte;
            i += length;
        } else if (length > 0 && i + k == size && truncated) {
            break; // cut by the window's end
        } else {
            ++census.invalid;
            ++i;
        }
    }
    return census;
}

std::optional<Encoding> markedUnicode(std::string_view bytes, bool truncated)
{
    // FF FE 00 00 is also UTF-16LE's mark followed by a NUL: UTF-32 only when the rest is UTF-32.
    if (bytes.starts_with(std::string_view("\xFF\xFE\0\0", 4)) && utf32IsText(bytes, false, truncated))
        return Encoding::Utf32Le;
    if (bytes.starts_with(std::string_view("\0\0\xFE\xFF", 4)) && utf32IsText(bytes, true, truncated))
        return Encoding::Utf32Be;
    if (bytes.starts_with("\xFF\xFE") && utf16IsText(bytes, false, truncated))
        return Encoding::Utf16Le;
    if (bytes.starts_with("\xFE\xFF") && utf16IsText(bytes, true, truncated))
        return Encoding::Utf16Be;
    return std::nullopt;
}

} // namespace trelvick::guess::detail
