// SPDX-License-Identifier: GPL-3.0-or-later
#include "guess/guess.h"

#include "guess/scoring.h"
#include "guess/unicode.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <numeric>
#include <string>

namespace trelvick::guess {

using namespace detail;

namespace {

// How much of the ASCII before a file's first byte beyond it goes into the window, so that "5 €" or
// "word…" is judged with the text it ends.
constexpr std::size_t kContext = 256;

Guess only(Encoding encoding)
{
    Guess guess;
    guess.ranked.push_back({encoding, 1.0, true, Language::Unknown});
    return guess;
}

bool isAsciiGuess(const Guess& guess)
{
    return guess.ranked.size() == 1 && guess.ranked.front().encoding == Encoding::Ascii;
}

// Scores are log-likelihoods of bigram statistics, which take every pair of characters as news: a text
// of a few hundred letters parts its readings by hundreds of units, far more than it tells. Divided by
// this, they give confidences that are right as often as they say on text the statistics never saw
// (the calibration test holds them to it).
constexpr double kTemperature = 3.0;

// Text the statistics know reads better than this a telling character, besides a few odd ones; text in
// Thai or Vietnamese read in any European codepage reads worse (on held-out samples: 99 % of known text
// above -6.3, 99 % of unknown below -6.2), and gets kStrangeShare of its confidence spread out.
constexpr double kWellRead = -5.5;
constexpr double kWellReadSlack = 4.0;
constexpr double kStrangeShare = 0.25;

// Confidences from the scores, best first. Candidates reading the text alike share the score of the
// first of them in the order of the candidates and keep that order. Candidates that are no text are
// left out.
Guess ranked(const Scores& scores, bool everyReading = false)
{
    std::vector<std::size_t> order;
    for (std::size_t c = 0; c < kSingleByteCount; ++c) {
        if (scores.text[c] || (everyReading && std::isfinite(scores.score[c])))
            order.push_back(c);
    }
    if (order.empty())
        return {};
    const auto better = [&](std::size_t a, std::size_t b) { return scores.score[a] > scores.score[b]; };
    std::stable_sort(order.begin(), order.end(), better);
    // Where even the best reading reads its telling characters badly, the text may be in a language or a
    // codepage that the statistics do not know: every reading is ranked, and part of the confidence is
    // spread over all of them.
    const bool strange =
        !scores.name && scores.tellingScore[order.front()] < kWellRead * double(scores.telling) - kWellReadSlack;
    if (strange && !everyReading) {
        order.clear();
        for (std::size_t c = 0; c < kSingleByteCount; ++c) {
            if (std::isfinite(scores.score[c]))
                order.push_back(c);
        }
        std::stable_sort(order.begin(), order.end(), better);
    }
    const std::size_t best = order.front();
    const double spread = strange ? kStrangeShare : 0.0;
    const double top = scores.score[best];
    double sum = 0;
    for (const std::size_t c : order)
        sum += std::exp((scores.score[c] - top) / kTemperature);
    Guess guess;
    for (const std::size_t c : order)
        guess.ranked.push_back(
            {singleByte(c),
             (1 - spread) * std::exp((scores.score[c] - top) / kTemperature) / sum + spread / double(order.size()),
             scores.group[c] == scores.group[best], scores.language[c]});
    return guess;
}

// A mostly-UTF-8 file's candidates keep their ranking at a share of the confidence.
Guess mostlyUtf8(Guess guess)
{
    guess.mostlyUtf8 = true;
    for (Likelihood& likelihood : guess.ranked)
        likelihood.confidence *= kMostlyUtf8Share;
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
        const Utf8 utf8 = checkUtf8(bytes, truncated, &controls, &characters);
        if (utf8 == Utf8::Multibyte) {
            // A window cut from a longer file may end inside a character: judged up to its last line.
            const std::size_t end = truncated ? bytes.rfind('\n') : std::string_view::npos;
            const std::optional<Encoding> through =
                findMojibake(end == std::string_view::npos ? bytes : bytes.substr(0, end + 1));
            // UTF-8 read as ISO-8859-1 or -7 is full of C1 controls, which are no fault of it.
            if (through || !tooManyControls(controls, characters)) {
                Guess guess = only(Encoding::Utf8);
                guess.doubleEncodedThrough = through;
                return guess;
            }
        }
        if (utf8 == Utf8::Invalid && countUtf8(bytes, truncated).mostlyUtf8())
            return mostlyUtf8(ranked(scoreText(bytes, false), true));
    }
    return ranked(scoreText(bytes, false));
}

// Reads until size bytes are in or the file ends.
base::Expected<std::size_t> fill(base::ByteSource& source, char* buffer, std::size_t size)
{
    std::size_t filled = 0;
    while (filled < size) {
        const std::int64_t got = source.read(buffer + filled, std::int64_t(size - filled));
        if (got < 0) {
            base::Error failed = source.error();
            failed.side = base::Side::Input;
            return failed;
        }
        if (got == 0)
            break;
        filled += std::min(std::size_t(got), size - filled);
    }
    return filled;
}

} // namespace

std::string_view encodingName(Encoding encoding)
{
    static constexpr std::string_view kNames[] = {
        "ASCII",
        "UTF-8",
        "CP1253",
        "ISO-8859-7",
        "CP737",
        "CP869",
        "CP1252",
        "CP437",
        "UTF-16LE",
        "UTF-16BE",
        "UTF-32LE",
        "UTF-32BE",
        "CP850",
        "CP852",
        "CP855",
        "CP857",
        "CP860",
        "CP861",
        "CP862",
        "CP863",
        "CP865",
        "CP866",
        "CP775",
        "CP1125",
        "CP1250",
        "CP1251",
        "CP1254",
        "CP1255",
        "CP1256",
        "CP1257",
        "ISO-8859-1",
        "ISO-8859-2",
        "ISO-8859-3",
        "ISO-8859-4",
        "ISO-8859-5",
        "ISO-8859-6",
        "ISO-8859-8",
        "ISO-8859-9",
        "ISO-8859-10",
        "ISO-8859-13",
        "ISO-8859-14",
        "ISO-8859-15",
        "ISO-8859-16",
        "KOI8-R",
        "KOI8-U",
        "MACINTOSH",
        "MAC-CENTRALEUROPE",
        "MAC-CYRILLIC",
    };
    static_assert(std::size(kNames) == kEncodingCount);
    const auto index = static_cast<std::size_t>(encoding);
    return index < std::size(kNames) ? kNames[index] : std::string_view();
}

std::string_view languageName(Language language)
{
    static constexpr std::string_view kNames[] = {
        "",          "English",    "Greek",    "German",    "French",  "Spanish", "Italian",   "Portuguese",
        "Dutch",     "Swedish",    "Danish",   "Norwegian", "Finnish", "Polish",  "Czech",     "Slovak",
        "Hungarian", "Romanian",   "Croatian", "Slovenian", "Serbian", "Russian", "Ukrainian", "Bulgarian",
        "Turkish",   "Lithuanian", "Latvian",  "Estonian",  "Hebrew",  "Arabic",
    };
    static_assert(std::size(kNames) == kLanguageCount);
    const auto index = static_cast<std::size_t>(language);
    return index < std::size(kNames) ? kNames[index] : std::string_view();
}

double Guess::certainty() const
{
    double sum = 0;
    for (const Likelihood& likelihood : ranked)
        sum += likelihood.readsLikeBest ? likelihood.confidence : 0.0;
    return sum;
}

base::Expected<Guess> guessFile(base::ByteSource& source)
{
    // [context | window and one byte more]: the byte past the window tells whether the file goes on.
    // Not zeroed: only what was read is ever looked at, and a file of a few bytes should not pay for 64 KiB.
    const auto buffer = std::make_unique_for_overwrite<char[]>(kContext + kWindowSize + 1);
    char* const data = buffer.get() + kContext;
    const base::Expected<std::size_t> head = fill(source, data, kWindowSize + 1);
    if (!head)
        return head.error();
    if (*head <= kWindowSize)
        return judge({data, *head}, true, false);
    Guess start = judge({data, kWindowSize}, true, true);
    if (!isAsciiGuess(start))
        return start;

    // The rest, a window's size at a time, with the last kContext bytes kept before each.
    std::memcpy(buffer.get(), data + kWindowSize - kContext, kContext);
    data[0] = data[kWindowSize];
    std::size_t held = 1;
    for (;;) {
        const base::Expected<std::size_t> got = fill(source, data + held, kWindowSize - held);
        if (!got)
            return got.error();
        const std::size_t size = held + *got;
        const std::size_t at = firstHighByte(data, size);
        if (at < size) {
            const std::size_t available = kContext + size - at;
            std::memmove(buffer.get(), data + at - kContext, available);
            const base::Expected<std::size_t> more =
                fill(source, buffer.get() + available, kWindowSize + 1 - std::min(available, kWindowSize + 1));
            if (!more)
                return more.error();
            const std::size_t total = available + *more;
            return judge({buffer.get(), std::min(total, kWindowSize)}, false, total > kWindowSize);
        }
        if (size < kWindowSize)
            return start;
        std::memcpy(buffer.get(), data + size - kContext, kContext);
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
    return ranked(scoreText(name, true));
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
    const std::string_view name = encodingName(encoding);
    std::string lower;
    for (const char c : name)
        lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    const std::string_view known(lower);
    if (known.starts_with("cp")) {
        const std::string_view number = known.substr(2);
        if (number.size() == 4) // the Windows codepages
            return numbered(number, {"", "cp", "cp ", "cp-", "windows-", "windows "});
        return numbered(number, {"", "cp", "cp ", "cp-", "ibm", "ibm-"});
    }
    if (known.starts_with("iso-"))
        return numbered(known.substr(4), {"", "iso-", "iso ", "iso", "iso_"});
    if (known.starts_with("utf-"))
        return numbered(known.substr(4), {"utf-", "utf"});
    if (known.starts_with("koi8-"))
        return numbered(known.substr(5), {"koi8-", "koi8"});
    switch (encoding) {
    case Encoding::Ascii:
        return startsWith("ascii") || startsWith("us-ascii");
    case Encoding::MacRoman:
        return startsWith("macintosh") || startsWith("mac roman") || startsWith("macroman") || startsWith("mac-roman");
    case Encoding::MacCentralEurope:
        return startsWith("mac-centraleurope") || startsWith("mac central europe") || startsWith("mac ce");
    case Encoding::MacCyrillic:
        return startsWith("mac-cyrillic") || startsWith("mac cyrillic") || startsWith("maccyrillic");
    default:
        return false;
    }
}

} // namespace trelvick::guess
