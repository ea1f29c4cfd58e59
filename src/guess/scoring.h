// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "guess/guess.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The single-byte candidates and how their decodings of a text are scored.
namespace trelvick::guess::detail {

inline constexpr std::size_t kSingleByteCount = 42;

// The candidate at an index, in the order that ranks candidates reading a text alike.
Encoding singleByte(std::size_t index);
// Its 256 characters; kUndefined where it has none.
const char32_t* characters(std::size_t index);

// Each candidate's decoding of the bytes it was given.
struct Scores
{
    // The log-likelihood of the text in the candidate, under the language that reads it best.
    std::array<double, kSingleByteCount> score{};
    std::array<Language, kSingleByteCount> language{};
    // The part of the score that the telling characters below make.
    std::array<double, kSingleByteCount> tellingScore{};
    // Whether the decoding is text at all: few enough controls and undefined bytes, and letters that some
    // language reads well enough.
    std::array<bool, kSingleByteCount> text{};
    // The first candidate that decodes the text to the same characters as this one: candidates of one
    // group share the score.
    std::array<std::uint8_t, kSingleByteCount> group{};
    // The characters that set candidates apart: bytes beyond ASCII and controls, with their neighbours.
    std::size_t telling = 0;
    bool name = false;
};

// Every candidate at once. name: the bytes are a file name, which no control or undefined byte may be in
// and which is always read somehow.
Scores scoreText(std::string_view bytes, bool name);

} // namespace trelvick::guess::detail
