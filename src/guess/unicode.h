// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "guess/guess.h"

#include <cstddef>
#include <optional>
#include <string_view>

// The checks that need no statistics: where the first byte beyond ASCII lies, whether bytes are UTF-8,
// and what a byte-order mark announces.
namespace trelvick::guess::detail {

// More than one control in a hundred characters, besides a single stray one (a bell, an end-of-file
// mark), is no text file.
inline bool tooManyControls(std::size_t controls, std::size_t characters)
{
    return controls > 1 && controls * 100 > characters;
}

// The offset of the first byte above 127, or size when there is none. About as fast as memory.
std::size_t firstHighByte(const char* bytes, std::size_t size);

// C0 controls other than white space, and DEL, among seven-bit bytes.
std::size_t asciiControls(std::string_view bytes);

enum class Utf8
{
    Invalid,
    Ascii,     // valid, and seven-bit only
    Multibyte, // valid, with at least one character beyond ASCII
};

// Strict UTF-8 (no overlong forms, no surrogates). truncated: the bytes were cut from a longer file, so a
// sequence cut by their end is no fault. *controls counts the control characters, white space aside.
Utf8 checkUtf8(std::string_view bytes, bool truncated, std::size_t* controls, std::size_t* characters);

// What a text that is not wholly UTF-8 holds of it: valid sequences of two bytes or more, and bytes that
// belong to no valid sequence.
struct Utf8Census
{
    std::size_t multibyte = 0;
    std::size_t invalid = 0;

    // "Don\x92t" beside real UTF-8 Greek: a UTF-8 file with a stray byte, more likely than a codepage.
    bool mostlyUtf8() const { return invalid > 0 && multibyte > invalid; }
};
Utf8Census countUtf8(std::string_view bytes, bool truncated);

// UTF-16 or UTF-32 announced by a byte-order mark, when the rest is valid in it and reads as text.
std::optional<Encoding> markedUnicode(std::string_view bytes, bool truncated);

} // namespace trelvick::guess::detail
