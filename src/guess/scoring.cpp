// SPDX-License-Identifier: GPL-3.0-or-later
#include "guess/scoring.h"

#include "guess/guessmodel.h"
#include "guess/symbols.h"
#include "guess/unicode.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace trelvick::guess::detail {

namespace {

constexpr std::size_t kLanguages = std::size(model::kLanguages);
static_assert(std::size(model::kCodepages) == kSingleByteCount);
static_assert(kSingleByteCount <= 64, "a byte's controls are a 64-bit mask");

// A control or undefined byte costs as much as a very unlikely pair: a few may be a form feed or a
// stray byte, many mean binary data.
constexpr float kControlCost = -12.0f;
// A C1 control or a byte the codepage leaves undefined is no slip of a typist: a text in that codepage
// never holds one.
constexpr float kStrayByteCost = -20.0f;

// Text in a language the statistics know scores about -2 to -4 a pair where its letters beyond ASCII
// are; the same bytes read in a codepage of another script, binary data, or text in a language none of
// them knows (Thai, Vietnamese) score below this, and are no text in that codepage.
constexpr double kLeastTellingMean = -7.0;
// (4: on held-out samples, 1 and 16 name fewer languages right, and the codepages alike.)
constexpr double kContextWeight = 4.0;
// What a file of two languages costs beside a file of one.
constexpr double kMixedPenalty = 3.0;
// English comes first among the languages of the model.
constexpr std::size_t kEnglish = 0;
// A few unlikely pairs in a short text do not make it binary.
constexpr double kTellingSlack = 8.0;

// Past this many pair lookups, the readings are first judged on the first distinct pairs alone, and only
// those within kPruneMargin of the best are judged on the rest: a window of 64 KiB stays fast.
constexpr std::size_t kFullBudget = 16384;
constexpr std::size_t kFirstPairs = 192;
constexpr double kPruneMargin = 60.0;

// White space and printable ASCII, which every candidate reads alike.
constexpr bool isCommon(unsigned byte)
{
    return (byte >= 0x20 && byte < 0x7F) || (byte >= 0x09 && byte <= 0x0D);
}

// A symbol of a language and its letter case, packed: symbol << 2 | case.
using Packed = std::uint16_t;

struct LanguageTables
{
    std::size_t size = 0;
    std::vector<float> pairs; // [previous * size + symbol]
    std::array<float, kCaseCount * kCaseCount> cases{};

    float score(Packed previous, Packed current) const
    {
        return pairs[(previous >> 2) * size + (current >> 2)] + cases[(previous & 3) * kCaseCount + (current & 3)];
    }
};

// One candidate codepage read as one language it can write.
struct Reading
{
    std::uint8_t language;
    std::array<Packed, 256> symbols;
};

struct Tables
{
    std::array<LanguageTables, kLanguages> languages;
    // The bytes every candidate reads alike, as each language reads them.
    std::array<std::array<Packed, 256>, kLanguages> common;
    // Each candidate's readings.
    std::array<std::vector<Reading>, kSingleByteCount> readings;
    // [byte]: bit c where candidate c reads the byte as a control or leaves it undefined.
    std::array<std::uint64_t, 256> controls{};
};

Packed packedSymbol(const model::LanguageModel& language, char32_t c)
{
    const Character character = classify(c);
    std::size_t symbol = character.token;
    if (character.token == kClassCount) {
        const char32_t* end = language.letters + language.letterCount;
        const char32_t* at = std::lower_bound(language.letters, end, character.letter);
        symbol = at != end && *at == character.letter ? kClassCount + std::size_t(at - language.letters)
                                                      : std::size_t(rareToken(character.script));
    }
    return static_cast<Packed>(symbol << 2 | character.letterCase);
}

LanguageTables languageTables(const model::LanguageModel& language)
{
    LanguageTables tables;
    tables.size = kClassCount + language.letterCount;
    tables.pairs.resize(tables.size * tables.size);
    for (std::size_t i = 0; i < tables.pairs.size(); ++i)
        tables.pairs[i] = float(-double(language.pairs[i]) * model::kQuantum);
    std::copy(std::begin(language.cases), std::end(language.cases), tables.cases.begin());
    // A control breaks the context: what follows it is judged as if nothing were known of it.
    const float afterControl = float(-std::log(double(tables.size - 1)));
    for (std::size_t s = 0; s < tables.size; ++s) {
        tables.pairs[s * tables.size + kControl] = kControlCost;
        tables.pairs[kControl * tables.size + s] = afterControl;
        tables.pairs[s * tables.size + kStrayByte] = kStrayByteCost;
        tables.pairs[kStrayByte * tables.size + s] = afterControl;
    }
    // A run of white space is layout, not language: only its first character counts.
    tables.pairs[kSpace * tables.size + kSpace] = -tables.cases[kCaseless * kCaseCount + kCaseless];
    return tables;
}

std::unique_ptr<const Tables> buildTables()
{
    auto tables = std::make_unique<Tables>();
    for (std::size_t l = 0; l < kLanguages; ++l) {
        const model::LanguageModel& language = model::kLanguages[l];
        tables->languages[l] = languageTables(language);
        for (unsigned byte = 0; byte < 256; ++byte)
            tables->common[l][byte] = packedSymbol(language, model::kCharacters[0][byte]);
        for (std::size_t c = 0; c < kSingleByteCount; ++c) {
            if ((language.codepages >> c & 1) == 0)
                continue;
            Reading reading{static_cast<std::uint8_t>(l), {}};
            for (unsigned byte = 0; byte < 256; ++byte)
                reading.symbols[byte] = packedSymbol(language, model::kCharacters[c][byte]);
            tables->readings[c].push_back(reading);
        }
    }
    for (std::size_t c = 0; c < kSingleByteCount; ++c) {
        for (unsigned byte = 0; byte < 256; ++byte) {
            if (const std::uint8_t token = classify(model::kCharacters[c][byte]).token;
                token == kControl || token == kStrayByte)
                tables->controls[byte] |= std::uint64_t(1) << c;
        }
    }
    return tables;
}

// Built on first use and never changed afterwards; C++ makes the first use safe from several threads.
const Tables& tables()
{
    static const std::unique_ptr<const Tables> built = buildTables();
    return *built;
}

// Each pair of bytes once, with how often it occurs, in the order of first occurrence.
struct Pair
{
    std::uint8_t previous;
    std::uint8_t byte;
    std::uint32_t count;
};

struct Census
{
    std::array<std::uint32_t, 256> bytes{};
    std::vector<Pair> common;  // both bytes read alike everywhere
    std::vector<Pair> telling; // the others
    std::size_t tellingCount = 0;
};

Census census(std::string_view text, bool name)
{
    Census census;
    std::vector<std::uint32_t> counts(256 * 256, 0);
    std::vector<std::uint16_t> order;
    unsigned previous = ' '; // a text starts as if after a space
    auto add = [&](unsigned byte) {
        const unsigned code = previous << 8 | byte;
        if (counts[code]++ == 0)
            order.push_back(static_cast<std::uint16_t>(code));
        previous = byte;
    };
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        ++census.bytes[byte];
        add(byte);
    }
    if (name)
        add(' '); // and a name ends as if before one
    for (const std::uint16_t code : order) {
        const Pair pair{static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code & 0xFF), counts[code]};
        if (isCommon(pair.previous) && isCommon(pair.byte)) {
            census.common.push_back(pair);
        } else {
            census.telling.push_back(pair);
            census.tellingCount += pair.count;
        }
    }
    return census;
}

// Candidates that decode every byte of the text that sets any apart to the same characters.
std::array<std::uint8_t, kSingleByteCount> groups(const Census& census)
{
    std::vector<unsigned> telling;
    for (unsigned byte = 0; byte < 256; ++byte) {
        if (census.bytes[byte] > 0 && !isCommon(byte))
            telling.push_back(byte);
    }
    std::array<std::uint8_t, kSingleByteCount> group{};
    for (std::size_t c = 0; c < kSingleByteCount; ++c) {
        group[c] = static_cast<std::uint8_t>(c);
        for (std::size_t earlier = 0; earlier < c; ++earlier) {
            if (group[earlier] != earlier)
                continue;
            const bool alike = std::all_of(telling.begin(), telling.end(), [&](unsigned byte) {
                return model::kCharacters[c][byte] == model::kCharacters[earlier][byte];
            });
            if (alike) {
                group[c] = static_cast<std::uint8_t>(earlier);
                break;
            }
        }
    }
    return group;
}

double pairsScore(const LanguageTables& language, const std::array<Packed, 256>& symbols, const Pair* first,
                  const Pair* last)
{
    double sum = 0;
    for (const Pair* pair = first; pair != last; ++pair)
        sum += double(pair->count) * language.score(symbols[pair->previous], symbols[pair->byte]);
    return sum;
}

struct Judged
{
    std::size_t candidate;
    const Reading* reading;
    double score;
};

// Each language's score of the pairs every candidate reads alike. The seven-bit text around the telling
// characters tells their language, but in a long English file with one Greek line it would make every
// reading English: it weighs at most kContextWeight times as much as the telling characters. And a file
// in another language may well have its seven-bit parts in English (a Greek line in an English manual,
// English messages around Russian ones): the context is read as English where that fits better.
std::array<double, kLanguages> contextScores(const Tables& table, const Census& counted)
{
    std::size_t commonCount = 0;
    for (const Pair& pair : counted.common)
        commonCount += pair.count;
    const double telling = double(std::max<std::size_t>(counted.tellingCount, 8));
    const double weight = commonCount == 0 ? 1.0 : std::min(1.0, kContextWeight * telling / double(commonCount));
    std::array<double, kLanguages> common{};
    for (std::size_t l = 0; l < kLanguages; ++l)
        common[l] = weight * pairsScore(table.languages[l], table.common[l], counted.common.data(),
                                        counted.common.data() + counted.common.size());
    static_assert(model::kLanguages[kEnglish].language == Language::English);
    const double english = common[kEnglish] - kMixedPenalty;
    for (double& context : common)
        context = std::max(context, english);
    return common;
}

// The readings to judge, each starting from its language's context score. A group is judged once, in
// every language that any of its candidates writes: they read the bytes of this text alike. size: the
// text's, against which too many controls rule a candidate out; 0 for a name, where none do.
std::vector<Judged> readings(const Tables& table, const Census& counted,
                             const std::array<std::uint8_t, kSingleByteCount>& group,
                             const std::array<double, kLanguages>& common, std::size_t size)
{
    std::array<std::size_t, kSingleByteCount> controls{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        for (std::uint64_t mask = counted.bytes[byte] > 0 ? table.controls[byte] : 0; mask != 0; mask &= mask - 1)
            controls[std::countr_zero(mask)] += counted.bytes[byte];
    }
    std::vector<Judged> judged;
    for (std::size_t c = 0; c < kSingleByteCount; ++c) {
        const std::size_t g = group[c];
        if (size > 0 && tooManyControls(controls[g], size))
            continue;
        for (const Reading& reading : table.readings[c]) {
            const bool known = std::any_of(judged.begin(), judged.end(), [&](const Judged& j) {
                return j.candidate == g && j.reading->language == reading.language;
            });
            if (!known)
                judged.push_back({g, &reading, common[reading.language]});
        }
    }
    return judged;
}

// Adds each reading's score of the telling pairs. Past kFullBudget lookups, the readings are first judged
// on the first distinct pairs alone, and those far behind the best are dropped.
void judge(const Tables& table, const Census& counted, std::vector<Judged>& judged)
{
    const Pair* first = counted.telling.data();
    const Pair* last = first + counted.telling.size();
    const Pair* split = first;
    if (judged.size() * counted.telling.size() > kFullBudget) {
        split = first + std::min(counted.telling.size(), kFirstPairs);
        double best = -std::numeric_limits<double>::infinity();
        for (Judged& j : judged) {
            j.score += pairsScore(table.languages[j.reading->language], j.reading->symbols, first, split);
            best = std::max(best, j.score);
        }
        std::erase_if(judged, [best](const Judged& j) { return j.score < best - kPruneMargin; });
    }
    for (Judged& j : judged)
        j.score += pairsScore(table.languages[j.reading->language], j.reading->symbols, split, last);
}

} // namespace

Encoding singleByte(std::size_t index)
{
    return model::kCodepages[index];
}

const char32_t* characters(std::size_t index)
{
    return model::kCharacters[index];
}

Scores scoreText(std::string_view bytes, bool name)
{
    const Tables& table = tables();
    const Census counted = census(bytes, name);
    Scores scores;
    scores.group = groups(counted);
    scores.telling = counted.tellingCount;
    scores.name = name;
    const std::array<double, kLanguages> common = contextScores(table, counted);
    std::vector<Judged> judged = readings(table, counted, scores.group, common, name ? 0 : bytes.size());
    judge(table, counted, judged);

    scores.score.fill(-std::numeric_limits<double>::infinity());
    for (const Judged& j : judged) {
        if (j.score <= scores.score[j.candidate])
            continue;
        scores.score[j.candidate] = j.score;
        scores.language[j.candidate] = model::kLanguages[j.reading->language].language;
        const double telling = j.score - common[j.reading->language];
        scores.tellingScore[j.candidate] = telling;
        scores.text[j.candidate] = name || telling >= kLeastTellingMean * double(counted.tellingCount) - kTellingSlack;
    }
    // Frames and figures alone are in no language.
    const bool asciiLetters = std::any_of(counted.common.begin(), counted.common.end(),
                                          [](const Pair& pair) { return classify(pair.byte).token == kClassCount; });
    for (std::size_t c = 0; c < kSingleByteCount && !asciiLetters; ++c) {
        const bool letters = std::any_of(counted.telling.begin(), counted.telling.end(), [c](const Pair& pair) {
            return classify(model::kCharacters[c][pair.byte]).token == kClassCount;
        });
        if (!letters && scores.group[c] == c)
            scores.language[c] = Language::Unknown;
    }
    for (std::size_t c = 0; c < kSingleByteCount; ++c) {
        const std::size_t g = scores.group[c];
        scores.score[c] = scores.score[g];
        scores.language[c] = scores.language[g];
        scores.text[c] = scores.text[g];
        scores.tellingScore[c] = scores.tellingScore[g];
    }
    return scores;
}

} // namespace trelvick::guess::detail
