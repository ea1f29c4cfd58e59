// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "guess/guess.h"
#include "guess/symbols.h"

#include <array>
#include <string_view>

// The single-byte candidates and how their decodings of a text are scored.
namespace trelvick::guess::detail {

// In the order that ranks candidates reading a text alike.
inline constexpr std::array<Encoding, 6> kSingleByte = {Encoding::Cp1252, Encoding::Cp1253, Encoding::Iso8859_7,
                                                        Encoding::Cp437,  Encoding::Cp737,  Encoding::Cp869};
inline constexpr std::size_t kSingleByteCount = kSingleByte.size();

// Each candidate's decoding of the bytes it was given.
struct Scores
{
    // The sum over pairs that hold a byte not every candidate reads alike: these set the candidates apart.
    // Seven-bit bytes read alike in every one of them, and were they counted, a line full of format strings
    // and option names would be judged by which training text had more of those, not by its letters.
    std::array<double, kSingleByteCount> telling{};
    // Whether the decoding is text at all: few enough controls and a high enough average over all pairs.
    std::array<bool, kSingleByteCount> text{};
    // Which byte values occur, to tell which candidates read the bytes alike.
    std::array<bool, 256> seen{};
};

// Every candidate at once, at memory speed: a table per pair of bytes holds every candidate's score.
Scores scoreText(std::string_view bytes);

// The score of a file name's bytes in one candidate: no frames or pictures in a name, no verdict on
// whether it is text.
double scoreName(std::string_view bytes, std::size_t candidate);

// Whether two candidates decode each byte marked in seen to the same character.
bool readAlike(std::size_t a, std::size_t b, const std::array<bool, 256>& seen);

} // namespace trelvick::guess::detail
