// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"

#include <cstddef>
#include <string_view>
#include <vector>

// Which codepage a text file is in, among those an archive of Greek files holds.
//
// A file that is valid UTF-8 and holds a character beyond ASCII is UTF-8, and one that starts with a
// UTF-16 or UTF-32 byte-order mark is that. Otherwise each single-byte candidate decodes the bytes, and the
// characters are scored by how likely each one is after the one before it, under statistics of real Greek
// text (for the Greek codepages) or of Latin-script text (for 437 and 1252): "και" scores well, the same
// bytes read in the wrong codepage ("Ό╬ι", "êáé") do not. Frames, blocks, arrows and the other pictures of
// the DOS codepages are text there. Controls and bytes the codepage leaves undefined count against it. The
// scores, taken as likelihoods, give each candidate's share of confidence.
//
// Candidates that decode a particular text to the very same characters share the best score among them:
// 1253 and ISO-8859-7 for Greek without the bytes on which they part (€ ‘ ’ … Ά ΅ µ ¶ and the rest of
// 0x80..0x9F), 1252 and 1253 for Latin text whose only bytes beyond ASCII are curly quotes and dashes, 437,
// 737 and 869 for frames alone. They are ranked 1252, 1253, ISO-8859-7, 437, 737, 869 among themselves.
//
// Every function here is pure: any number of threads may guess at once.
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
    Utf16Le, // only after a byte-order mark, as are the three below
    Utf16Be,
    Utf32Le,
    Utf32Be,
};
inline constexpr int kEncodingCount = static_cast<int>(Encoding::Utf32Be) + 1;

// A guess reads this many bytes: the start of the file, or, when those are all ASCII, the part of the file
// around its first byte beyond ASCII.
inline constexpr std::size_t kWindowSize = 64 * 1024;

// A runner-up with at least this share of the confidence is worth telling the user about.
inline constexpr double kCloseRunnerUp = 0.05;

// "CP737", "ISO-8859-7", "UTF-8", "UTF-16LE", "ASCII": also the names iconv knows them by.
std::string_view encodingName(Encoding encoding);

struct Likelihood
{
    Encoding encoding;
    double confidence;         // 0..1; the ranked confidences add up to 1
    bool readsLikeBest = true; // decodes this text to the same characters as the best candidate
};

struct Guess
{
    std::vector<Likelihood> ranked; // best first; empty when no candidate fits: not text in a known codepage

    bool fits() const { return !ranked.empty(); }
    const Likelihood* runnerUp() const
    {
        return ranked.size() > 1 && ranked[1].confidence >= kCloseRunnerUp ? &ranked[1] : nullptr;
    }
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

// Where guessFile reads from.
class Reader
{
public:
    virtual ~Reader() = default;
    // Up to size bytes into buffer; 0 only at the end of the file.
    virtual base::Expected<std::size_t> read(char* buffer, std::size_t size) = 0;
};

// Reads a descriptor that the caller owns and keeps open, from where it stands; read(2) failures come back
// as base::Error::system(errno, base::Side::Input).
class DescriptorReader final : public Reader
{
public:
    explicit DescriptorReader(int fd) : m_fd(fd) {}
    base::Expected<std::size_t> read(char* buffer, std::size_t size) override;

private:
    int m_fd;
};

// The guess for a whole file. It reads the first kWindowSize bytes and stops there, unless they are all
// ASCII: then it reads on to the first byte beyond ASCII and guesses from the window around it, so ASCII
// means the whole file is ASCII. A read failure is returned as the reader gave it.
//
//     guess::DescriptorReader reader(fd);
//     const base::Expected<guess::Guess> guess = guess::guessFile(reader);
//     if (!guess)
//         return guess.error();
//     if (guess->fits() && !guess->doubtful(0.9))
//         convertFrom(guess->ranked.front().encoding);
base::Expected<Guess> guessFile(Reader& reader);

// The same for a whole file already in memory. An empty input is ASCII.
Guess guessEncoding(std::string_view bytes);

// The codepage of a file name's bytes (one name, not a path): ASCII, UTF-8 when they are valid UTF-8,
// else one of 737, 869, 1253 and ISO-8859-7, always ranked, since a name is too short to be judged as
// text and must be read somehow. "\x80\x90\x96\x84\x88\x8E.TXT" is CP737 ("ΑΡΧΕΙΟ.TXT").
Guess guessName(std::string_view name);

// Whether a converter's description, as UTF-8, starts with the name of the encoding as its source:
// "737 (DOS Greek) -> 1253 (Windows Greek)" reads CP737; "ISO-8859-7 ...", "8859-7 ..." and
// "cp1253 ..." are understood too, but not "7370" or "1253" for 125.
bool describesSource(std::string_view description, Encoding encoding);

} // namespace trelvick::guess
