// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/bytes.h"
#include "base/error.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Which codepage a text file is in, among the single-byte codepages of Europe and the Mediterranean, and
// in which language it is written.
//
// A file that is valid UTF-8 and holds a character beyond ASCII is UTF-8, and one that starts with a
// UTF-16 or UTF-32 byte-order mark is that. Otherwise each single-byte candidate decodes the bytes, and
// the characters are scored by how likely each one is after the one before it, under statistics of real
// text in each language that codepage was written in: "και" scores well in Greek, the same bytes read in
// the wrong codepage ("Ό╬ι", "êáé") score badly in every language. Frames, blocks, arrows and the other
// pictures of the DOS codepages are text there. Controls and bytes the codepage leaves undefined count
// against it. The best language's score of each codepage, scaled so that "90 % sure" is right nine times
// in ten on text the statistics were not learnt from, gives the codepages' shares of confidence.
//
// Candidates that decode a particular text to the very same characters share the best score among them:
// 1253 and ISO-8859-7 for Greek without the bytes on which they part (€ ‘ ’ … Ά ΅ µ ¶ and the rest of
// 0x80..0x9F), 1252, ISO-8859-1 and ISO-8859-15 for French without œ, € or curly quotes, 437, 737 and 869
// for frames alone. They are ranked in the order of Encoding among themselves, the older and more common
// first (CP1253 before ISO-8859-7, CP1252 before ISO-8859-1).
//
// Every function here is pure: any number of threads may guess at once.
namespace trelvick::guess {

// The order of the first twelve is kept from earlier versions: callers may have stored the values.
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
    Utf16Le, // only after a byte-order mark, as are the three below
    Utf16Be,
    Utf32Le,
    Utf32Be,
    Cp850,
    Cp852,
    Cp855,
    Cp857,
    Cp860,
    Cp861,
    Cp862,
    Cp863,
    Cp865,
    Cp866,
    Cp775,
    Cp1125,
    Cp1250,
    Cp1251,
    Cp1254,
    Cp1255,
    Cp1256,
    Cp1257,
    Iso8859_1,
    Iso8859_2,
    Iso8859_3,
    Iso8859_4,
    Iso8859_5,
    Iso8859_6,
    Iso8859_8,
    Iso8859_9,
    Iso8859_10,
    Iso8859_13,
    Iso8859_14,
    Iso8859_15,
    Iso8859_16,
    Koi8R,
    Koi8U,
    MacRoman,
    MacCentralEurope,
    MacCyrillic,
};
inline constexpr int kEncodingCount = static_cast<int>(Encoding::MacCyrillic) + 1;

// The languages the statistics know, in the order the guess ranks them where two read a text alike.
enum class Language
{
    Unknown, // ASCII alone, UTF-8 and UTF-16/32 are not judged by language; nor is a text none of them fits
    English,
    Greek,
    German,
    French,
    Spanish,
    Italian,
    Portuguese,
    Dutch,
    Swedish,
    Danish,
    Norwegian,
    Finnish,
    Polish,
    Czech,
    Slovak,
    Hungarian,
    Romanian,
    Croatian,
    Slovenian,
    Serbian,
    Russian,
    Ukrainian,
    Bulgarian,
    Turkish,
    Lithuanian,
    Latvian,
    Estonian,
    Hebrew,
    Arabic,
};
inline constexpr int kLanguageCount = static_cast<int>(Language::Arabic) + 1;

// A guess reads this many bytes: the start of the file, or, when those are all ASCII, the part of the file
// around its first byte beyond ASCII.
inline constexpr std::size_t kWindowSize = 64 * 1024;

// A runner-up with at least this share of the confidence is worth telling the user about.
inline constexpr double kCloseRunnerUp = 0.05;

// What the confidences of a mostly-UTF-8 file add up to: the rest is the chance that it is UTF-8 with a
// stray byte, which no codepage converts right.
inline constexpr double kMostlyUtf8Share = 0.5;

// "CP737", "ISO-8859-7", "MACINTOSH", "KOI8-R", "UTF-8", "UTF-16LE", "ASCII": the names iconv knows them by.
std::string_view encodingName(Encoding encoding);

// "Greek", "English", "Norwegian": the English name, for scripts and for the lines of --guess; "" for
// Language::Unknown.
std::string_view languageName(Language language);

struct Likelihood
{
    Encoding encoding;
    double confidence;                     // 0..1; the ranked confidences add up to 1 (see Guess::mostlyUtf8)
    bool readsLikeBest = true;             // decodes this text to the same characters as the best candidate
    Language language = Language::Unknown; // the language this codepage reads the text in best
};

struct Guess
{
    std::vector<Likelihood> ranked; // best first; empty when no candidate fits: not text in a known codepage

    // The file is mostly UTF-8 (at least one valid sequence of several bytes, and more of them than bytes
    // that belong to none) but not wholly: "Don\x92t" beside UTF-8 Greek. Its single-byte candidates are
    // ranked as usual, but their confidences add up to kMostlyUtf8Share, so that certainty() is at most
    // that and doubtful(least) holds for any least above it: converting it from a codepage would damage
    // its UTF-8, leaving it loses one character.
    bool mostlyUtf8 = false;

    // Valid UTF-8 that was once read in a single-byte codepage and saved again as UTF-8: "Î‘Î¸Î®Î½Î±" is
    // "Αθήνα" read as CP1252. The best candidate is then UTF-8 (it is valid UTF-8, and converting it
    // changes nothing); repairMojibake(bytes, *doubleEncodedThrough) gives back the text.
    std::optional<Encoding> doubleEncodedThrough;

    bool fits() const { return !ranked.empty(); }
    const Likelihood* runnerUp() const
    {
        return ranked.size() > 1 && ranked[1].confidence >= kCloseRunnerUp ? &ranked[1] : nullptr;
    }
    // The language of the best candidate; Language::Unknown for UTF-8, ASCII and when nothing fits.
    Language language() const { return fits() ? ranked.front().language : Language::Unknown; }
    // How likely converting from the best candidate gives the right characters: the confidence of every
    // candidate that reads the text as it does. A Greek 1253 text without € or curly quotes is 1253 50 %
    // and ISO-8859-7 50 %, certainty 1: either converts it right. 0 when nothing fits.
    double certainty() const;
    // Whether the candidates read the text differently enough to leave it alone:
    //
    //     if (guess.doubtful(0.9))
    //         report(path, "not converted: the codepage is in doubt");
    bool doubtful(double least) const { return certainty() < least; }
};

// The guess for a whole file. It reads the first kWindowSize bytes and stops there, unless they are all
// ASCII: then it reads on to the first byte beyond ASCII and guesses from the window around it, so ASCII
// means the whole file is ASCII. A read failure is returned as the source gave it, on the input's side.
//
//     files::DescriptorSource source(fd);
//     const base::Expected<guess::Guess> guess = guess::guessFile(source);
//     if (!guess)
//         return guess.error();
//     if (guess->fits() && !guess->doubtful(0.9))
//         convertFrom(guess->ranked.front().encoding);
base::Expected<Guess> guessFile(base::ByteSource& source);

// The same for a whole file already in memory. An empty input is ASCII.
Guess guessEncoding(std::string_view bytes);

// The codepage of a file name's bytes (one name, not a path): ASCII, UTF-8 when they are valid UTF-8,
// else the single-byte candidates as for a text, always ranked, since a name must be read somehow. A
// name is short: its confidence is honest, so a name of a few letters is often in doubt and the caller
// leaves it unless it is sure enough. "\x80\x90\x96\x84\x88\x8E.TXT" is CP737 ("ΑΡΧΕΙΟ.TXT").
Guess guessName(std::string_view name);

// The single-byte codepage that valid UTF-8 went through when it was read as that codepage and saved
// as UTF-8 again, if it looks so: every character beyond ASCII has a byte in the codepage (the C1
// controls U+0080..U+009F standing for the bytes it leaves undefined, as Windows reads them), those
// bytes are valid UTF-8 themselves, and the text they make reads better. Nothing for UTF-8 that reads
// as it is.
//
//     findMojibake("Î‘Î¸Î®Î½Î±")   -> Encoding::Cp1252
//     findMojibake("Ξ‘ΞΈΞ®Ξ½Ξ±")   -> Encoding::Cp1253
//     findMojibake("Αθήνα")         -> nothing
std::optional<Encoding> findMojibake(std::string_view utf8);

// The text that went through `through`: each character turned back into its byte in that codepage.
// Nothing when one has no byte there, or when the bytes are not valid UTF-8: the bytes were no
// mojibake of that codepage, and the caller keeps them as they are.
//
//     repairMojibake("Ξ‘ΞΈΞ®Ξ½Ξ±", Encoding::Cp1253)   -> "Αθήνα"
//     repairMojibake("Αθήνα", Encoding::Cp1253)         -> nothing
std::optional<std::string> repairMojibake(std::string_view utf8, Encoding through);

// Whether a converter's description, as UTF-8, starts with the name of the encoding as its source:
// "737 (DOS Greek) -> 1253 (Windows Greek)" reads CP737; "ISO-8859-7 ...", "8859-7 ..." and
// "cp1253 ..." are understood too, but not "7370" or "1253" for 125.
bool describesSource(std::string_view description, Encoding encoding);

} // namespace trelvick::guess
