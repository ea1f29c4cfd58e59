// SPDX-License-Identifier: GPL-3.0-or-later
#include "guess/guess.h"

#include "guess/symbols.h"
#include "guessmodel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <string>

namespace trelvick::guess {

namespace {

// A control or undefined byte costs as much as a very unlikely pair: a few may be a form feed or a
// stray byte, many mean binary data.
constexpr double kControlCost = -12.0;
// More than one control in a hundred characters, besides a single stray one (a bell, an end-of-file
// mark), is no text file.
constexpr std::size_t kControlsPerHundred = 1;

bool tooManyControls(std::size_t controls, std::size_t characters)
{
    return controls > 1 && controls * 100 > characters * kControlsPerHundred;
}

// Running text scores about -3 a character under its own statistics, text thick with format strings
// and symbols down to -5; binary data read as text lower still. Under this average a decoding is not
// taken for text at all.
constexpr double kLeastMeanScore = -6.0;

struct Model
{
    const float* pairs;
    const float* cases;
};
constexpr Model kGreek{model::kGreekPairs, model::kGreekCases};
constexpr Model kLatin{model::kLatinPairs, model::kLatinCases};

using SymbolTable = std::array<Symbol, 256>;

constexpr SymbolTable symbolTable(const char32_t (&codepage)[256])
{
    SymbolTable table{};
    for (int b = 0; b < 256; ++b)
        table[b] = symbolOf(codepage[b]);
    return table;
}

struct Codepage
{
    Encoding encoding;
    SymbolTable symbols;
    Model model;
};

// On an exact tie the first one named wins.
constexpr std::array<Codepage, 6> kCodepages = {{
    {Encoding::Cp1253, symbolTable(model::kCp1253), kGreek},
    {Encoding::Iso8859_7, symbolTable(model::kIso8859_7), kGreek},
    {Encoding::Cp737, symbolTable(model::kCp737), kGreek},
    {Encoding::Cp869, symbolTable(model::kCp869), kGreek},
    {Encoding::Cp1252, symbolTable(model::kCp1252), kLatin},
    {Encoding::Cp437, symbolTable(model::kCp437), kLatin},
}};

// Adds up the score of a stream of symbols under one model.
//
// Two sums are kept. The whole text's average tells text from binary data. But only pairs that hold a
// character beyond ASCII tell the candidates apart: seven-bit bytes read alike in every one of them, and
// were they counted, a line full of format strings and option names would be judged by which training
// text had more of those, not by its accented letters.
class Scorer
{
public:
    explicit Scorer(const Model& model) : m_model(model) {}

    void add(Symbol symbol, bool beyondAscii)
    {
        // A run of white space is layout, not language: only its first character counts.
        if (symbol.token == kSpace && m_previous.token == kSpace)
            return;
        ++m_characters;
        const bool telling = beyondAscii || m_previousBeyondAscii;
        double score = kControlCost;
        if (symbol.token == kControl) {
            ++m_controls;
            // Whatever follows an undefined byte is judged beside it, as a letter would have been.
            m_previousBeyondAscii = m_previousBeyondAscii || beyondAscii;
        } else {
            score = m_model.pairs[m_previous.token * kTokenCount + symbol.token] +
                    m_model.cases[m_previous.letterCase * kCaseCount + symbol.letterCase];
            m_previous = symbol;
            m_previousBeyondAscii = beyondAscii;
        }
        m_score += score;
        m_telling += telling ? score : 0.0;
    }

    // The score that ranks the candidates, or nothing when the decoding is no text.
    std::optional<double> total() const
    {
        if (m_characters == 0)
            return 0.0;
        if (tooManyControls(m_controls, m_characters) || m_score / double(m_characters) < kLeastMeanScore)
            return std::nullopt;
        return m_telling;
    }

private:
    Model m_model;
    Symbol m_previous{kSpace, kCaseless};
    bool m_previousBeyondAscii = false;
    double m_score = 0;
    double m_telling = 0;
    std::size_t m_characters = 0;
    std::size_t m_controls = 0;
};

// The characters of strict UTF-8 (no overlong forms, no surrogates), or nothing when the bytes are not
// UTF-8 or hold no character beyond ASCII. A sequence cut by the end of a truncated prefix is forgiven.
std::optional<std::u32string> utf8Characters(std::string_view bytes, bool truncated)
{
    std::u32string out;
    bool multibyte = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        int length = 0;
        char32_t least = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            least = 0x10000;
        } else {
            return std::nullopt;
        }
        char32_t c = lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            if (i + k == bytes.size()) {
                if (!truncated)
                    return std::nullopt;
                return multibyte ? std::optional(out) : std::nullopt;
            }
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            c = c << 6 | (next & 0x3F);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
            return std::nullopt;
        out.push_back(c);
        multibyte = true;
        i += length;
    }
    return multibyte ? std::optional(out) : std::nullopt;
}

struct Score
{
    Encoding encoding;
    double total;
};

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
    }
    return {};
}

Guess guessEncoding(std::string_view bytes)
{
    const bool truncated = bytes.size() > kPrefixLimit;
    bytes = bytes.substr(0, kPrefixLimit);

    // Seven-bit bytes read alike in every candidate: ASCII, unless controls make them binary.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        const std::size_t controls = std::count_if(bytes.begin(), bytes.end(), [](char c) {
            return symbolOf(static_cast<unsigned char>(c)).token == kControl;
        });
        if (tooManyControls(controls, bytes.size()))
            return {};
        return Guess{{{Encoding::Ascii, 1.0}}};
    }

    std::vector<Score> scores;
    for (const Codepage& codepage : kCodepages) {
        Scorer scorer(codepage.model);
        for (const char byte : bytes)
            scorer.add(codepage.symbols[static_cast<unsigned char>(byte)], static_cast<unsigned char>(byte) >= 0x80);
        if (const auto total = scorer.total())
            scores.push_back({codepage.encoding, *total});
    }
    if (const auto characters = utf8Characters(bytes, truncated)) {
        std::optional<double> best;
        for (const Model& model : {kGreek, kLatin}) {
            Scorer scorer(model);
            for (const char32_t c : *characters)
                scorer.add(symbolOf(c), c >= 0x80);
            const auto total = scorer.total();
            if (total && (!best || *total > *best))
                best = total;
        }
        if (best)
            scores.push_back({Encoding::Utf8, *best});
    }
    if (scores.empty())
        return {};

    // The scores are log-likelihoods: each candidate's confidence is its likelihood's share of them all.
    std::stable_sort(scores.begin(), scores.end(), [](const Score& a, const Score& b) { return a.total > b.total; });
    double sum = 0;
    for (const Score& score : scores)
        sum += std::exp(score.total - scores.front().total);
    Guess guess;
    for (const Score& score : scores)
        guess.ranked.push_back({score.encoding, std::exp(score.total - scores.front().total) / sum});
    return guess;
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
    switch (encoding) {
    case Encoding::Ascii:
        return startsWith("ascii") || startsWith("us-ascii");
    case Encoding::Utf8:
        return startsWith("utf-8") || startsWith("utf8");
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
    }
    return false;
}

} // namespace trelvick::guess
