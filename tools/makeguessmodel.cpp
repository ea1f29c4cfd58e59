// SPDX-License-Identifier: GPL-3.0-or-later
// trelvick-makeguessmodel: writes the header the codepage detector is built with (src/guess/guessmodel.h,
// committed, so that a build needs neither the catalogs nor this tool; the target trelvick-guess-model
// runs it again).
//
//   trelvick-makeguessmodel OUTPUT --greek CATALOG... --latin CATALOG...
//
// It holds two things:
//   - each candidate codepage's 256 characters, from the system's iconv (kUndefined where iconv has none),
//     with the pictures DOS shows for most control bytes added to 437, 737 and 869;
//   - for Greek and for Latin-script text, the natural log of the chance of each symbol after each other
//     symbol (and of each letter case after each case), counted over the translations of the catalogs and
//     smoothed by adding a tenth of a count to every pair, so that a pair the text never shows is unlikely
//     rather than impossible.
//
// The catalogs are program texts: they hold no frames, prices or bullets. So the same messages are also
// laid out as the documents our users keep do it (DOS screens with frames, tables, menus and bars; lists,
// prices and quotations), and counted once more that way.

#include "guess/symbols.h"
#include "mocatalog.h"

#include <algorithm>
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
    bool dos; // shows pictures for control bytes
};
constexpr Candidate kCodepages[] = {{"kCp737", "CP737", true},           {"kCp869", "CP869", true},
                                    {"kIso8859_7", "ISO-8859-7", false}, {"kCp1253", "CP1253", false},
                                    {"kCp437", "CP437", true},           {"kCp1252", "CP1252", false}};

// What DOS shows for the control bytes that its text files use as pictures: arrows, bullets, card suits.
// NUL, bell, backspace, the line and page controls, the end-of-file mark 0x1A, escape and DEL keep
// their control meaning: those bytes in a file mean what they say (or that the file is not text).
constexpr std::pair<unsigned char, char32_t> kDosPictures[] = {
    {0x01, U'☺'}, {0x02, U'☻'}, {0x03, U'♥'}, {0x04, U'♦'}, {0x05, U'♣'}, {0x06, U'♠'}, {0x0E, U'♫'}, {0x0F, U'☼'},
    {0x10, U'►'}, {0x11, U'◄'}, {0x12, U'↕'}, {0x13, U'‼'}, {0x14, U'¶'}, {0x15, U'§'}, {0x16, U'▬'}, {0x17, U'↨'},
    {0x18, U'↑'}, {0x19, U'↓'}, {0x1C, U'∟'}, {0x1D, U'↔'}, {0x1E, U'▲'}, {0x1F, U'▼'}};

bool codepageTable(const Candidate& candidate, std::array<char32_t, 256>* table)
{
    const iconv_t cd = iconv_open("UTF-32LE", candidate.iconvName);
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
    if (candidate.dos) {
        for (const auto& [byte, picture] : kDosPictures)
            (*table)[byte] = picture;
    }
    return true;
}

// Characters of well-formed UTF-8; a broken sequence gives kUndefined and is not counted.
std::u32string codePoints(std::string_view text)
{
    std::u32string out;
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

    void add(const std::u32string& text)
    {
        Symbol previous{kSpace, kCaseless}; // every message starts as if after a space
        for (const char32_t c : text) {
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

// The messages laid out as documents. The choices come from a fixed sequence, so that the same
// catalogs always give the same model.
class Documents
{
public:
    explicit Documents(std::vector<std::u32string> messages) : m_messages(std::move(messages)) {}

    // Every third group of three messages, in one layout after another.
    std::u32string text()
    {
        std::u32string out;
        for (std::size_t i = 0, group = 0; i + 3 <= m_messages.size(); i += 9, ++group) {
            const std::u32string* m = &m_messages[i];
            switch (group % 8) {
            case 0:
                box(out, m, U"╔═╗║╠╣╚╝", U'▒');
                break;
            case 1:
                box(out, m, U"┌─┐│├┤└┘", U'░');
                break;
            case 2:
                table(out, m, U"┌─┬┐│├┼┤└┴┘");
                break;
            case 3:
                table(out, m, U"╔═╦╗║╠╬╣╚╩╝");
                break;
            case 4:
                menu(out, m);
                break;
            case 5:
                headings(out, m);
                break;
            case 6:
            case 7:
                typography(out, m);
                break;
            }
        }
        return out;
    }

private:
    unsigned next(unsigned n)
    {
        m_state = m_state * 1103515245u + 12345u;
        return (m_state >> 16) % n;
    }
    static std::u32string one(char32_t c) { return std::u32string(1, c); }
    static std::u32string repeated(char32_t c, std::size_t n) { return std::u32string(n, c); }
    static std::u32string padded(const std::u32string& text, std::size_t width)
    {
        return text + repeated(U' ', width > text.size() ? width - text.size() : 0);
    }
    std::u32string number() { return std::u32string(U"0123456789").substr(next(10), 1 + next(3)); }

    // A window with a title, a rule under it and a shadow: "╔═══╗", "║ a ║▒", "╠═══╣", "╚═══╝▒".
    void box(std::u32string& out, const std::u32string* m, std::u32string_view pieces, char32_t shadow)
    {
        const std::size_t width = std::max({m[0].size(), m[1].size(), m[2].size()}) + 2;
        const std::u32string line = repeated(pieces[1], width);
        out += one(pieces[0]) + line + pieces[2] + U"\r\n";
        out += one(pieces[3]) + U" " + padded(m[0], width - 1) + pieces[3] + shadow + U"\r\n";
        out += one(pieces[4]) + line + pieces[5] + shadow + U"\r\n";
        for (int k = 1; k < 3; ++k)
            out += one(pieces[3]) + U" " + padded(m[k], width - 1) + pieces[3] + shadow + U"\r\n";
        out += one(pieces[6]) + line + pieces[7] + shadow + U"\r\n  " + repeated(shadow, width + 1) + U"\r\n";
    }

    // Words in columns, with a number in the last one: "│ word │ word │ 12 │".
    void table(std::u32string& out, const std::u32string* m, std::u32string_view pieces)
    {
        std::vector<std::u32string> words;
        for (int k = 0; k < 3; ++k) {
            for (std::size_t at = 0; at < m[k].size();) {
                const std::size_t end = std::min(m[k].find(U' ', at), m[k].size());
                if (end > at)
                    words.push_back(m[k].substr(at, end - at));
                at = end + 1;
            }
        }
        const std::size_t width = 14;
        // pieces: ┌ ─ ┬ ┐ │ ├ ┼ ┤ └ ┴ ┘
        auto rule = [&](char32_t left, char32_t middle, char32_t right) {
            const std::u32string line = repeated(pieces[1], width);
            return one(left) + line + middle + line + middle + line + right + U"\r\n";
        };
        out += rule(pieces[0], pieces[2], pieces[3]);
        for (std::size_t row = 0; row * 2 + 1 < words.size() && row < 4; ++row) {
            if (row == 1)
                out += rule(pieces[5], pieces[6], pieces[7]);
            out += one(pieces[4]) + U" " + padded(words[row * 2].substr(0, width - 2), width - 1) + pieces[4] + U" " +
                   padded(words[row * 2 + 1].substr(0, width - 2), width - 1) + pieces[4] + U" " +
                   padded(number(), width - 1) + pieces[4] + U"\r\n";
        }
        out += rule(pieces[8], pieces[9], pieces[10]);
    }

    // Choices marked by arrows and bullets, and a bar of blocks: "► a", "■ b", "██████░░░░ 60%".
    void menu(std::u32string& out, const std::u32string* m)
    {
        static constexpr char32_t kMarks[] = {U'►', U'■', U'♦', U'→', U'•', U'▲', U'▼', U'◄'};
        for (int k = 0; k < 3; ++k)
            out += std::u32string(U"  ") + kMarks[next(8)] + U" " + m[k] + U"\r\n";
        const std::size_t done = next(20);
        out += std::u32string(U"  ") + repeated(U'█', done) + repeated(U'░', 20 - done) + U" " + number() + U"%\r\n";
        out += std::u32string(U" ") + repeated(U'▀', m[0].size()) + U"\r\n";
    }

    // A heading underlined, a paragraph, a rule: "a", "═══", "b c", "───".
    void headings(std::u32string& out, const std::u32string* m)
    {
        out += m[0] + U"\r\n" + repeated(next(2) ? U'═' : U'─', m[0].size()) + U"\r\n";
        out += m[1] + U" " + m[2] + U"\r\n" + repeated(U'─', 40) + U"\r\n\r\n";
    }

    // A list, a quotation, a sentence trailing off, a price: "• a", "“b”", "c…", "12,50 €".
    void typography(std::u32string& out, const std::u32string* m)
    {
        static constexpr std::u32string_view kQuotes[] = {U"“”", U"‘’", U"«»", U"„“"};
        static constexpr std::u32string_view kPrices[] = {U" €", U"€", U" $", U"$", U" £", U"£", U" ₯", U"₯"};
        const std::u32string_view quotes = kQuotes[next(4)];
        out += std::u32string(U"• ") + m[0] + U"\r\n";
        out += one(quotes[0]) + m[1] + one(quotes[1]) + U" – " + m[2] + U"…\r\n";
        const std::u32string_view price = kPrices[next(8)];
        const std::u32string amount = number() + (next(2) ? U"," : U".") + number();
        if (price.size() == 1 && next(2))
            out += m[0].substr(0, m[0].find(U' ')) + U": " + std::u32string(price) + amount + U".\r\n";
        else
            out += m[0].substr(0, m[0].find(U' ')) + U" " + amount + std::u32string(price) + U"\r\n";
    }

    std::vector<std::u32string> m_messages;
    std::uint32_t m_state = 1;
};

// The first line of a message, white space collapsed, at most 48 characters cut at a word's end.
std::u32string firstLine(const std::u32string& message)
{
    std::u32string out;
    for (const char32_t c : message) {
        if (c == U'\n')
            break;
        const bool blank = symbolOf(c).token == kSpace;
        if (blank && (out.empty() || out.back() == U' '))
            continue;
        out.push_back(blank ? U' ' : c);
    }
    if (out.size() > 48)
        out.resize(out.rfind(U' ', 48) == std::u32string::npos ? 48 : out.rfind(U' ', 48));
    while (!out.empty() && out.back() == U' ')
        out.pop_back();
    return out;
}

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

// "el/LC_MESSAGES/gtk20.mo": the header must not depend on where a distribution keeps its catalogs.
std::string catalogName(std::string_view path)
{
    std::size_t start = path.size();
    for (int folders = 0; folders < 3 && start != std::string_view::npos && start > 0; ++folders)
        start = path.rfind('/', start - 1);
    return std::string(start == std::string_view::npos ? path : path.substr(start + 1));
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
    std::vector<std::u32string> greekMessages;
    std::vector<std::u32string> latinMessages;
    Counts* current = nullptr;
    std::vector<std::u32string>* messages = nullptr;
    std::string sources;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--greek") == 0) {
            current = &greek;
            messages = &greekMessages;
        } else if (std::strcmp(argv[i], "--latin") == 0) {
            current = &latin;
            messages = &latinMessages;
        } else if (current) {
            const auto catalog = trelvick::mocatalog::readCatalog(argv[i]);
            if (catalog.empty()) {
                std::fprintf(stderr, "trelvick-makeguessmodel: %s: no messages in this catalog\n", argv[i]);
                return 1;
            }
            for (const auto& message : catalog) {
                const std::u32string text = codePoints(message.translation);
                current->add(text);
                if (const std::u32string line = firstLine(text); line.size() >= 8)
                    messages->push_back(line);
            }
            sources += "//   " + catalogName(argv[i]) + "\n";
        }
    }
    if (greek.characters < 10000 || latin.characters < 10000) {
        std::fprintf(stderr, "trelvick-makeguessmodel: too little Greek or Latin text to learn from\n");
        return 1;
    }
    const double catalogCharacters[] = {greek.characters, latin.characters};
    greek.add(Documents(std::move(greekMessages)).text());
    latin.add(Documents(std::move(latinMessages)).text());

    std::FILE* out = std::fopen(argv[1], "w");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out,
                 "// SPDX-License-Identifier: GPL-3.0-or-later\n#pragma once\n"
                 "// Generated by trelvick-makeguessmodel (target trelvick-guess-model) from the translations of\n"
                 "%s// and from the same messages laid out as documents. Do not edit.\n\n",
                 sources.c_str());
    std::fprintf(out, "#include \"guess/symbols.h\"\n\nnamespace trelvick::guess::model {\n\n");
    for (const Candidate& candidate : kCodepages) {
        std::array<char32_t, 256> table{};
        if (!codepageTable(candidate, &table)) {
            std::fprintf(stderr, "trelvick-makeguessmodel: iconv does not know %s\n", candidate.iconvName);
            std::fclose(out);
            return 1;
        }
        std::fprintf(out, "inline constexpr char32_t %s[256] = {", candidate.name);
        for (int b = 0; b < 256; ++b)
            std::fprintf(out, "%s0x%X,", b % 12 == 0 ? "\n    " : " ", static_cast<unsigned>(table[b]));
        std::fprintf(out, "\n};\n\n");
    }
    std::fprintf(out, "// Characters counted: Greek %.0f (%.0f in documents), Latin %.0f (%.0f in documents).\n",
                 greek.characters, greek.characters - catalogCharacters[0], latin.characters,
                 latin.characters - catalogCharacters[1]);
    writeArray(out, "float", "kGreekPairs", logChances(greek.pairs, kTokenCount, kControl));
    writeArray(out, "float", "kGreekCases", logChances(greek.cases, kCaseCount, -1));
    writeArray(out, "float", "kLatinPairs", logChances(latin.pairs, kTokenCount, kControl));
    writeArray(out, "float", "kLatinCases", logChances(latin.cases, kCaseCount, -1));
    std::fprintf(out, "} // namespace trelvick::guess::model\n");
    return std::fclose(out) == 0 ? 0 : 1;
}
