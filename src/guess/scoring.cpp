// SPDX-License-Identifier: GPL-3.0-or-later
#include "guess/scoring.h"

#include "guess/guessmodel.h"
#include "guess/unicode.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace trelvick::guess::detail {

namespace {

// A control or undefined byte costs as much as a very unlikely pair: a few may be a form feed or a
// stray byte, many mean binary data.
constexpr double kControlCost = -12.0;

// The chance of any one symbol when all are equally likely.
const double kAfterControl = -std::log(double(kTokenCount - 1));

// Running text scores about -3 a character under its own statistics, text thick with format strings
// and symbols down to -5; binary data read as text lower still. Under this average a decoding is not
// taken for text at all.
constexpr double kLeastMeanScore = -6.0;

// The pair table holds scores in 256ths of a unit, as 16-bit integers: fine enough for any ranking
// (the least likely pair scores about -25), and small enough that the table's lines in use stay in
// the processor's caches.
constexpr double kScale = 256.0;

struct Model
{
    const float* pairs;
    const float* cases;
};
constexpr Model kGreek{model::kGreekPairs, model::kGreekCases};
constexpr Model kLatin{model::kLatinPairs, model::kLatinCases};

struct Codepage
{
    const char32_t* characters;
    const Model* model;
};
// In the order of kSingleByte.
constexpr std::array<Codepage, kSingleByteCount> kCodepages = {{
    {model::kCp1252, &kLatin},
    {model::kCp1253, &kGreek},
    {model::kIso8859_7, &kGreek},
    {model::kCp437, &kLatin},
    {model::kCp737, &kGreek},
    {model::kCp869, &kGreek},
}};

// Beside the candidates' sums, one per model of the pairs every candidate reads alike: a candidate's
// telling score is its sum less its model's.
constexpr std::size_t kGreekLane = kSingleByteCount;
constexpr std::size_t kLatinLane = kSingleByteCount + 1;
constexpr std::size_t kLanes = kSingleByteCount + 2;

double pairScore(const Model& model, Symbol previous, Symbol symbol)
{
    if (symbol.token == kControl)
        return kControlCost;
    // A control breaks the context: what follows it is judged as if nothing were known of it.
    if (previous.token == kControl)
        return kAfterControl;
    // A run of white space is layout, not language: only its first character counts.
    if (symbol.token == kSpace && previous.token == kSpace)
        return 0.0;
    return model.pairs[previous.token * kTokenCount + symbol.token] +
           model.cases[previous.letterCase * kCaseCount + symbol.letterCase];
}

bool readAlikeEverywhere(unsigned byte)
{
    return std::all_of(kCodepages.begin(), kCodepages.end(), [byte](const Codepage& codepage) {
        return codepage.characters[byte] == kCodepages[0].characters[byte];
    });
}

using Entry = std::array<std::int16_t, kLanes>;

// The sums of a block's entries, lane by lane. With SSE2 (every x86-64 processor) each entry is added in
// two instructions into two registers; left to itself, GCC at -O3 adds the lanes one by one, at less
// than half the speed.
class BlockSums
{
public:
#if defined(__SSE2__)
    void add(const Entry& entry)
    {
        const __m128i lanes = _mm_load_si128(reinterpret_cast<const __m128i*>(entry.data()));
        const __m128i signs = _mm_cmpgt_epi16(_mm_setzero_si128(), lanes);
        m_low = _mm_add_epi32(m_low, _mm_unpacklo_epi16(lanes, signs));
        m_high = _mm_add_epi32(m_high, _mm_unpackhi_epi16(lanes, signs));
    }
    std::array<std::int32_t, kLanes> sums() const
    {
        alignas(16) std::array<std::int32_t, kLanes> sums;
        _mm_store_si128(reinterpret_cast<__m128i*>(sums.data()), m_low);
        _mm_store_si128(reinterpret_cast<__m128i*>(sums.data() + 4), m_high);
        return sums;
    }

private:
    __m128i m_low = _mm_setzero_si128();  // lanes 0..3
    __m128i m_high = _mm_setzero_si128(); // lanes 4..7
#else
    void add(const Entry& entry)
    {
        for (std::size_t lane = 0; lane < kLanes; ++lane)
            m_sums[lane] += entry[lane];
    }
    std::array<std::int32_t, kLanes> sums() const
    {
        return m_sums;
    }

private:
    std::array<std::int32_t, kLanes> m_sums{};
#endif
};
static_assert(kLanes == 8, "an entry is one 128-bit register");

struct Tables
{
    // [previous byte << 8 | byte]: each candidate's score of the pair, then the models' scores of it
    // when every candidate reads both bytes alike (else 0).
    alignas(16) std::array<Entry, 256 * 256> pairs;
    // [byte]: a byte per candidate, 1 where the byte is a control or undefined.
    std::array<std::uint64_t, 256> controls;
};

std::unique_ptr<const Tables> buildTables()
{
    auto tables = std::make_unique<Tables>();
    std::array<bool, 256> alike{};
    for (unsigned byte = 0; byte < 256; ++byte)
        alike[byte] = readAlikeEverywhere(byte);
    for (unsigned previous = 0; previous < 256; ++previous) {
        for (unsigned byte = 0; byte < 256; ++byte) {
            std::array<std::int16_t, kLanes> lanes{};
            for (std::size_t c = 0; c < kSingleByteCount; ++c) {
                const Codepage& codepage = kCodepages[c];
                const double score = pairScore(*codepage.model, symbolOf(codepage.characters[previous]),
                                               symbolOf(codepage.characters[byte]));
                lanes[c] = static_cast<std::int16_t>(std::clamp(std::lround(kScale * score), -32768L, 32767L));
            }
            const bool shared = alike[previous] && alike[byte];
            lanes[kGreekLane] = shared ? lanes[1] : 0; // 1253 uses the Greek model
            lanes[kLatinLane] = shared ? lanes[0] : 0; // 1252 the Latin one
            tables->pairs[previous << 8 | byte] = lanes;
        }
    }
    for (unsigned byte = 0; byte < 256; ++byte) {
        std::uint64_t packed = 0;
        for (std::size_t c = 0; c < kSingleByteCount; ++c) {
            if (symbolOf(kCodepages[c].characters[byte]).token == kControl)
                packed |= std::uint64_t(1) << (8 * c);
        }
        tables->controls[byte] = packed;
    }
    return tables;
}

// Built on first use and never changed afterwards; C++ makes the first use safe from several threads.
const Tables& tables()
{
    static const std::unique_ptr<const Tables> built = buildTables();
    return *built;
}

} // namespace

Scores scoreText(std::string_view bytes)
{
    const Tables& table = tables();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();

    Scores scores;
    std::array<bool, 256> seen{};
    std::array<std::int64_t, kLanes> sums{};
    std::array<std::size_t, kSingleByteCount> controls{};
    unsigned previous = ' '; // a text starts as if after a space
    // Blocks of 255 bytes, so that a byte per candidate counts the controls without overflowing.
    for (std::size_t start = 0; start < size; start += 255) {
        const std::size_t end = std::min(size, start + 255);
        BlockSums block;
        std::uint64_t packed = 0;
        for (std::size_t i = start; i < end; ++i) {
            const unsigned byte = p[i];
            block.add(table.pairs[previous << 8 | byte]);
            packed += table.controls[byte];
            seen[byte] = true;
            previous = byte;
        }
        const std::array<std::int32_t, kLanes> blockSums = block.sums();
        for (std::size_t lane = 0; lane < kLanes; ++lane)
            sums[lane] += blockSums[lane];
        for (std::size_t c = 0; c < kSingleByteCount; ++c)
            controls[c] += (packed >> (8 * c)) & 0xFF;
    }

    for (std::size_t c = 0; c < kSingleByteCount; ++c) {
        const double total = double(sums[c]) / kScale;
        const std::size_t shared = kCodepages[c].model == &kGreek ? kGreekLane : kLatinLane;
        scores.telling[c] = total - double(sums[shared]) / kScale;
        scores.text[c] = size > 0 && !tooManyControls(controls[c], size) && total / double(size) >= kLeastMeanScore;
    }
    scores.seen = seen;
    return scores;
}

double scoreName(std::string_view bytes, std::size_t candidate)
{
    const Codepage& codepage = kCodepages[candidate];
    // Frames and pictures are no more likely in a name than any other symbol.
    auto nameSymbol = [&codepage](unsigned char byte) {
        Symbol symbol = symbolOf(codepage.characters[byte]);
        if (symbol.token >= kFrameLine && symbol.token <= kGlyph)
            symbol.token = kSymbol;
        return symbol;
    };
    double score = 0;
    Symbol previous{kSpace, kCaseless};
    for (const char byte : bytes) {
        const Symbol symbol = nameSymbol(static_cast<unsigned char>(byte));
        score += pairScore(*codepage.model, previous, symbol);
        previous = symbol;
    }
    return score + pairScore(*codepage.model, previous, {kSpace, kCaseless});
}

bool readAlike(std::size_t a, std::size_t b, const std::array<bool, 256>& seen)
{
    for (unsigned byte = 0; byte < 256; ++byte) {
        if (seen[byte] && kCodepages[a].characters[byte] != kCodepages[b].characters[byte])
            return false;
    }
    return true;
}

} // namespace trelvick::guess::detail
