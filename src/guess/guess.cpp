// SPDX-License-Identifier: GPL-3.0-or-later
#include "guess/guess.h"

#include "guess/scoring.h"
#include "guess/unicode.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <numeric>
#include <string>
#include <unistd.h>

namespace trelvick::guess {

using namespace detail;

namespace {

// How much of the ASCII before a file's first byte beyond it goes into the window, so that "5 €" or
// "word…" is judged with the text it ends.
constexpr std::size_t kContext = 256;

Guess only(Encoding encoding)
{
    return Guess{{{encoding, 1.0, true}}};
}

bool isAsciiGuess(const Guess& guess)
{
    return guess.ranked.size() == 1 && guess.ranked.front().encoding == Encoding::Ascii;
}

// Confidences from scores taken as log-likelihoods, best first. Candidates reading the text alike share
// the score of the first of them in the order of kSingleByte and keep that order: where a Latin and a
// Greek codepage read a text alike, its letters are all ASCII, and the Latin statistics judge it.
// Candidates without a score are left out.
Guess ranked(const std::array<double, kSingleByteCount>& scores, const std::array<bool, kSingleByteCount>& scored,
             const std::array<bool, 256>& seen)
{
    std::array<std::size_t, kSingleByteCount> group{};
    for (std::size_t c = 0; c < kSingleByteCount; ++c) {
        group[c] = c;
        for (std::size_t earlier = 0; earlier < c; ++earlier) {
            if (readAlike(earlier, c, seen)) {
                group[c] = group[earlier];
                break;
            }
        }
    }
    std::array<double, kSingleByteCount> best{};
    std::array<bool, kSingleByteCount> fits{};
    for (std::size_t c = 0; c < kSingleByteCount; ++c) {
        const std::size_t g = group[c];
        if (scored[c] && !fits[g])
            best[g] = scores[c];
        fits[g] = fits[g] || scored[c];
    }

    std::vector<std::size_t> order;
    for (std::size_t c = 0; c < kSingleByteCount; ++c) {
        if (fits[group[c]])
            order.push_back(c);
    }
    if (order.empty())
        return {};
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return best[group[a]] > best[group[b]]; });
    const double top = best[group[order.front()]];
    double sum = 0;
    for (const std::size_t c : order)
        sum += std::exp(best[group[c]] - top);
    Guess guess;
    for (const std::size_t c : order)
        guess.ranked.push_back(
            {kSingleByte[c], std::exp(best[group[c]] - top) / sum, group[c] == group[order.front()]});
    return guess;
}

// The guess for a window of a file. atStart: the window is the file's start, where alone a byte-order
// mark counts; truncated: more of the file follows it.
Guess judge(std::string_view bytes, bool atStart, bool truncated)
{
    if (bytes.empty())
        return only(Encoding::Ascii);
    if (atStart) {
        if (const auto marked = markedUnicode(bytes, truncated))
            return only(*marked);
    }
    if (firstHighByte(bytes.data(), bytes.size()) == bytes.size()) {
        // Seven-bit bytes read alike in every candidate, unless the DOS codepages read the controls as pictures.
        if (!tooManyControls(asciiControls(bytes), bytes.size()))
            return only(Encoding::Ascii);
    } else {
        std::size_t controls = 0;
        std::size_t characters = 0;
        if (checkUtf8(bytes, truncated, &controls, &characters) == Utf8::Multibyte &&
            !tooManyControls(controls, characters))
            return only(Encoding::Utf8);
    }
    const Scores scores = scoreText(bytes);
    return ranked(scores.telling, scores.text, scores.seen);
}

// Reads until size bytes are in or the file ends.
base::Expected<std::size_t> fill(Reader& reader, char* buffer, std::size_t size)
{
    std::size_t filled = 0;
    while (filled < size) {
        const base::Expected<std::size_t> got = reader.read(buffer + filled, size - filled);
        if (!got)
            return got.error();
        if (*got == 0)
            break;
        filled += std::min(*got, size - filled);
    }
    return filled;
}

} // namespace

std::string_view encodingName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Ascii:
        return "ASCII";
    case Encoding::Utf8:
        return "UTF-8";
    case Encoding::Cp1253:
        return "CP1253";
    case Encoding::Iso8859_7:
        return "ISO-8859-7";
    case Encoding::Cp737:
        return "CP737";
    case Encoding::Cp869:
        return "CP869";
    case Encoding::Cp1252:
        return "CP1252";
    case Encoding::Cp437:
        return "CP437";
    case Encoding::Utf16Le:
        return "UTF-16LE";
    case Encoding::Utf16Be:
        return "UTF-16BE";
    case Encoding::Utf32Le:
        return "UTF-32LE";
    case Encoding::Utf32Be:
        return "UTF-32BE";
    }
    return {};
}

double Guess::certainty() const
{
    double sum = 0;
    for (const Likelihood& likelihood : ranked)
        sum += likelihood.readsLikeBest ? likelihood.confidence : 0.0;
    return sum;
}

base::Expected<std::size_t> DescriptorReader::read(char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, size);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            return base::Error::system(errno, base::Side::Input);
    }
}

base::Expected<Guess> guessFile(Reader& reader)
{
    // [context | window and one byte more]: the byte past the window tells whether the file goes on.
    std::string buffer(kContext + kWindowSize + 1, '\0');
    char* const data = buffer.data() + kContext;
    const base::Expected<std::size_t> head = fill(reader, data, kWindowSize + 1);
    if (!head)
        return head.error();
    if (*head <= kWindowSize)
        return judge({data, *head}, true, false);
    Guess start = judge({data, kWindowSize}, true, true);
    if (!isAsciiGuess(start))
        return start;

    // The rest, a window's size at a time, with the last kContext bytes kept before each.
    std::memcpy(buffer.data(), data + kWindowSize - kContext, kContext);
    data[0] = data[kWindowSize];
    std::size_t held = 1;
    for (;;) {
        const base::Expected<std::size_t> got = fill(reader, data + held, kWindowSize - held);
        if (!got)
            return got.error();
        const std::size_t size = held + *got;
        const std::size_t at = firstHighByte(data, size);
        if (at < size) {
            const std::size_t available = kContext + size - at;
            std::memmove(buffer.data(), data + at - kContext, available);
            const base::Expected<std::size_t> more =
                fill(reader, buffer.data() + available, kWindowSize + 1 - std::min(available, kWindowSize + 1));
            if (!more)
                return more.error();
            const std::size_t total = available + *more;
            return judge({buffer.data(), std::min(total, kWindowSize)}, false, total > kWindowSize);
        }
        if (size < kWindowSize)
            return start;
        std::memcpy(buffer.data(), data + size - kContext, kContext);
        held = 0;
    }
}

Guess guessEncoding(std::string_view bytes)
{
    // As guessFile reads a file, without copying it.
    if (bytes.size() <= kWindowSize)
        return judge(bytes, true, false);
    Guess start = judge(bytes.substr(0, kWindowSize), true, true);
    if (!isAsciiGuess(start))
        return start;
    const std::size_t at = kWindowSize + firstHighByte(bytes.data() + kWindowSize, bytes.size() - kWindowSize);
    if (at == bytes.size())
        return start;
    const std::string_view window = bytes.substr(at - kContext, kWindowSize);
    return judge(window, false, at - kContext + kWindowSize < bytes.size());
}

Guess guessName(std::string_view name)
{
    if (firstHighByte(name.data(), name.size()) == name.size())
        return only(Encoding::Ascii);
    std::size_t controls = 0;
    std::size_t characters = 0;
    if (checkUtf8(name, false, &controls, &characters) == Utf8::Multibyte)
        return only(Encoding::Utf8);
    std::array<double, kSingleByteCount> scores{};
    std::array<bool, kSingleByteCount> scored{};
    std::array<bool, 256> seen{};
    for (const char byte : name)
        seen[static_cast<unsigned char>(byte)] = true;
    for (std::size_t c = 0; c < kSingleByteCount; ++c) {
        const Encoding encoding = kSingleByte[c];
        scored[c] = encoding == Encoding::Cp737 || encoding == Encoding::Cp869 || encoding == Encoding::Cp1253 ||
                    encoding == Encoding::Iso8859_7;
        if (scored[c])
            scores[c] = scoreName(name, c);
    }
    return ranked(scores, scored, seen);
}

bool describesSource(std::string_view description, Encoding encoding)
{
    std::string text;
    for (const char c : description)
        text.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos)
        return false;
    const std::string_view lead = std::string_view(text).substr(start);

    auto startsWith = [&lead](std::string_view name) {
        if (!lead.starts_with(name))
            return false;
        if (lead.size() == name.size())
            return true;
        const char next = lead[name.size()];
        return !(next >= '0' && next <= '9') && !(next >= 'a' && next <= 'z');
    };
    auto numbered = [&](std::string_view number, std::initializer_list<std::string_view> prefixes) {
        return std::any_of(prefixes.begin(), prefixes.end(), [&](std::string_view prefix) {
            return startsWith(std::string(prefix) + std::string(number));
        });
    };
    const std::initializer_list<std::string_view> dos = {"", "cp", "cp ", "cp-", "ibm", "ibm-"};
    const std::initializer_list<std::string_view> windows = {"", "cp", "cp ", "cp-", "windows-", "windows "};
    const std::initializer_list<std::string_view> unicode = {"utf-", "utf"};
    switch (encoding) {
    case Encoding::Ascii:
        return startsWith("ascii") || startsWith("us-ascii");
    case Encoding::Utf8:
        return numbered("8", unicode);
    case Encoding::Cp737:
        return numbered("737", dos);
    case Encoding::Cp869:
        return numbered("869", dos);
    case Encoding::Cp437:
        return numbered("437", dos);
    case Encoding::Cp1253:
        return numbered("1253", windows);
    case Encoding::Cp1252:
        return numbered("1252", windows);
    case Encoding::Iso8859_7:
        return numbered("8859-7", {"", "iso-", "iso ", "iso"});
    case Encoding::Utf16Le:
        return numbered("16le", unicode);
    case Encoding::Utf16Be:
        return numbered("16be", unicode);
    case Encoding::Utf32Le:
        return numbered("32le", unicode);
    case Encoding::Utf32Be:
        return numbered("32be", unicode);
    }
    return false;
}

} // namespace trelvick::guess
