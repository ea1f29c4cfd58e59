// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// Which codepage a text file is in, among those an archive of Greek files holds.
//
// Each candidate decodes the bytes, and the characters are scored by how likely each one is after the
// one before it, under statistics of real Greek text (for the Greek codepages) or of Latin-script text
// (for 437 and 1252): "και" scores well, the same bytes read in the wrong codepage ("Ό╬ι", "êáé") do not.
// Controls and bytes the codepage leaves undefined count against it. The scores, taken as likelihoods,
// give each candidate's share of confidence. ISO-8859-7 and 1253 differ only on a few bytes (Ά, the
// quotation marks, the dashes); where a text holds none of them, both read it alike and share the vote.
namespace trelvick::guess {

enum class Encoding
{
    Ascii,
    Utf8,
    Cp1253,
    Iso8859_7,
    Cp737,
    Cp869,
    Cp1252,
    Cp437,
};

// Only the start of a file is looked at, so a huge file costs no more than this.
inline constexpr std::size_t kPrefixLimit = 64 * 1024;

// A runner-up with at least this share of the confidence is worth telling the user about.
inline constexpr double kCloseRunnerUp = 0.05;

// "CP737", "ISO-8859-7", "UTF-8", "ASCII": also the names iconv knows them by.
std::string_view encodingName(Encoding encoding);

struct Likelihood
{
    Encoding encoding;
    double confidence; // 0..1; the ranked confidences add up to 1
};

struct Guess
{
    std::vector<Likelihood> ranked; // best first; empty when no candidate fits: not text in a known codepage

    bool fits() const { return !ranked.empty(); }
    const Likelihood* runnerUp() const
    {
        return ranked.size() > 1 && ranked[1].confidence >= kCloseRunnerUp ? &ranked[1] : nullptr;
    }
};

// Looks at the first kPrefixLimit bytes; more are ignored. An empty input is ASCII.
Guess guessEncoding(std::string_view bytes);

// Whether a converter's description, as UTF-8, starts with the name of the encoding as its source:
// "737 (DOS Greek) -> 1253 (Windows Greek)" reads CP737; "ISO-8859-7 ...", "8859-7 ..." and
// "cp1253 ..." are understood too, but not "7370" or "1253" for 125.
bool describesSource(std::string_view description, Encoding encoding);

} // namespace trelvick::guess
