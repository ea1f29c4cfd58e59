// SPDX-License-Identifier: GPL-3.0-or-later
// trelvick-makeguessmodel: writes the header the codepage detector is built with.
//
//   trelvick-makeguessmodel OUTPUT --greek CATALOG... --latin CATALOG...
//
// It holds two things:
//   - each candidate codepage's 256 characters, from the system's iconv (kUndefined where iconv has none);
//   - for Greek and for Latin-script text, the natural log of the chance of each symbol after each other
//     symbol (and of each letter case after each case), counted over the translations of the catalogs and
//     smoothed by adding half a count to every pair, so that a pair the text never shows is unlikely
//     rather than impossible.

#include "guess/symbols.h"
#include "mocatalog.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iconv.h>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace trelvick::guess;

constexpr double kSmoothing = 0.1;

struct Candidate
{
    const char* name; // as the generated header calls it
    const char* iconvName;
};
constexpr Candidate kCodepages[] = {{"kCp737", "CP737"},   {"kCp869", "CP869"}, {"kIso8859_7", "ISO-8859-7"},
                                    {"kCp1253", "CP1253"}, {"kCp437", "CP437"}, {"kCp1252", "CP1252"}};

bool codepageTable(const char* iconvName, std::array<char32_t, 256>* table)
{
    const iconv_t cd = iconv_open("UTF-32LE", iconvName);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    for (int b = 0; b < 256; ++b) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char in = static_cast<char>(b);
        unsigned char out[16] = {};
        char* inPointer = &in;
        char* outPointer = reinterpret_cast<char*>(out);
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        const bool ok = iconv(cd, &inPointer, &inLeft, &outPointer, &outLeft) != static_cast<std::size_t>(-1);
        (*table)[b] = ok && sizeof out - outLeft == 4
                          ? char32_t(out[0]) | char32_t(out[1]) << 8 | char32_t(out[2]) << 16 | char32_t(out[3]) << 24
                          : kUndefined;
    }
    iconv_close(cd);
    return true;
}

// Characters of well-formed UTF-8; a broken sequence gives kUndefined and is not counted.
std::vector<char32_t> codePoints(std::string_view text)
{
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || i + length > text.size()) {
            out.push_back(kUndefined);
            ++i;
            continue;
        }
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k)
            c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        out.push_back(c);
        i += length;
    }
    return out;
}

struct Counts
{
    std::vector<double> pairs = std::vector<double>(kTokenCount * kTokenCount, 0.0);
    std::vector<double> cases = std::vector<double>(kCaseCount * kCaseCount, 0.0);
    double characters = 0;

    void add(std::string_view text)
    {
        Symbol previous{kSpace, kCaseless}; // every message starts as if after a space
        for (const char32_t c : codePoints(text)) {
            const Symbol symbol = symbolOf(c);
            // As the detector does: controls are never text, and a run of white space counts once.
            if (symbol.token == kControl || (symbol.token == kSpace && previous.token == kSpace))
                continue;
            pairs[previous.token * kTokenCount + symbol.token] += 1;
            cases[previous.letterCase * kCaseCount + symbol.letterCase] += 1;
            previous = symbol;
            ++characters;
        }
        pairs[previous.token * kTokenCount + kSpace] += 1;
        cases[previous.letterCase * kCaseCount + kCaseless] += 1;
    }
};

// log P(next | previous), smoothed; the control token is no outcome of text.
std::vector<double> logChances(const std::vector<double>& counts, int size, int excluded)
{
    std::vector<double> out(counts.size(), 0.0);
    for (int a = 0; a < size; ++a) {
        double total = 0;
        for (int b = 0; b < size; ++b)
            total += b == excluded ? 0 : counts[a * size + b];
        const double outcomes = size - (excluded >= 0 ? 1 : 0);
        for (int b = 0; b < size; ++b)
            out[a * size + b] = std::log((counts[a * size + b] + kSmoothing) / (total + kSmoothing * outcomes));
    }
    return out;
}

void writeArray(std::FILE* out, const char* type, const char* name, const std::vector<double>& values)
{
    std::fprintf(out, "inline constexpr %s %s[%zu] = {", type, name, values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        std::fprintf(out, "%s%.4ff,", i % 12 == 0 ? "\n    " : " ", values[i]);
    std::fprintf(out, "\n};\n\n");
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: trelvick-makeguessmodel OUTPUT --greek CATALOG... --latin CATALOG...\n");
        return 2;
    }
    Counts greek;
    Counts latin;
    Counts* current = nullptr;
    std::string sources;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--greek") == 0) {
            current = &greek;
        } else if (std::strcmp(argv[i], "--latin") == 0) {
            current = &latin;
        } else if (current) {
            const auto messages = trelvick::mocatalog::readCatalog(argv[i]);
            if (messages.empty()) {
                std::fprintf(stderr, "trelvick-makeguessmodel: %s: no messages in this catalog\n", argv[i]);
                return 1;
            }
            for (const auto& message : messages)
                current->add(message.translation);
            sources += std::string("//   ") + argv[i] + "\n";
        }
    }
    if (greek.characters < 10000 || latin.characters < 10000) {
        std::fprintf(stderr, "trelvick-makeguessmodel: too little Greek or Latin text to learn from\n");
        return 1;
    }

    std::FILE* out = std::fopen(argv[1], "w");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out, "#pragma once\n// Generated by trelvick-makeguessmodel from\n%s// Do not edit.\n\n",
                 sources.c_str());
    std::fprintf(out, "#include \"guess/symbols.h\"\n\nnamespace trelvick::guess::model {\n\n");
    for (const Candidate& candidate : kCodepages) {
        std::array<char32_t, 256> table{};
        if (!codepageTable(candidate.iconvName, &table)) {
            std::fprintf(stderr, "trelvick-makeguessmodel: iconv does not know %s\n", candidate.iconvName);
            std::fclose(out);
            return 1;
        }
        std::fprintf(out, "inline constexpr char32_t %s[256] = {", candidate.name);
        for (int b = 0; b < 256; ++b)
            std::fprintf(out, "%s0x%X,", b % 12 == 0 ? "\n    " : " ", static_cast<unsigned>(table[b]));
        std::fprintf(out, "\n};\n\n");
    }
    std::fprintf(out, "// Characters counted: Greek %.0f, Latin %.0f.\n", greek.characters, latin.characters);
    writeArray(out, "float", "kGreekPairs", logChances(greek.pairs, kTokenCount, kControl));
    writeArray(out, "float", "kGreekCases", logChances(greek.cases, kCaseCount, -1));
    writeArray(out, "float", "kLatinPairs", logChances(latin.pairs, kTokenCount, kControl));
    writeArray(out, "float", "kLatinCases", logChances(latin.cases, kCaseCount, -1));
    std::fprintf(out, "} // namespace trelvick::guess::model\n");
    return std::fclose(out) == 0 ? 0 : 1;
}
