// SPDX-License-Identifier: GPL-3.0-or-later
// trelvick-makeguessmodel: writes the header the codepage detector is built with (src/guess/guessmodel.h,
// committed, so that a build needs neither the catalogs nor this tool; the target trelvick-guess-model
// runs it again).
//
//   trelvick-makeguessmodel OUTPUT LOCALE_DIR
//
// It holds two things:
//   - each candidate codepage's 256 characters, from the system's iconv (kUndefined where iconv has none),
//     with the pictures DOS shows for most control bytes added to the DOS codepages;
//   - for each language, the letters it uses, the natural log of the chance of each symbol after each
//     other symbol (and of each letter case after each case), counted over the translations of GTK 2,
//     GTK 3 and GLib into it (English: their originals) and smoothed by adding a tenth of a count to every
//     pair, so that a pair the text never shows is unlikely rather than impossible; and which codepages
//     can write it.
//
// The catalogs are program texts: they hold no frames, prices or bullets. So the same messages are also
// laid out as the documents our users keep do it (DOS screens with frames, tables, menus and bars; lists,
// prices and quotations), and counted once more that way. Only these catalogs are read: every other
// catalog of the system is left for judging the detector.

#include "guess/guess.h"
#include "guess/symbols.h"
#include "lang/mocatalog.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iconv.h>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace trelvick::guess;

constexpr double kSmoothing = 0.1;
// A letter is a language's own when it makes at least this share of the language's letters.
constexpr double kOwnLetter = 0.0003;
constexpr std::size_t kMostLetters = 96;
// A codepage writes a language when it has at least this share of the language's letters.
constexpr double kWrites = 0.997;
// The pair table's unit: a chance e^-x is stored as x / kQuantum, at most 255.
constexpr double kQuantum = 0.1;

constexpr const char* kCatalogs[] = {"gtk30", "gtk30-properties", "gtk20", "gtk20-properties", "glib20"};

struct LanguageSource
{
    const char* name; // as Language names it
    const char* code; // its folder under LOCALE_DIR; English reads the originals of the German catalogs
};
constexpr LanguageSource kLanguages[] = {
    {"English", "en"},   {"Greek", "el"},      {"German", "de"},    {"French", "fr"},    {"Spanish", "es"},
    {"Italian", "it"},   {"Portuguese", "pt"}, {"Dutch", "nl"},     {"Swedish", "sv"},   {"Danish", "da"},
    {"Norwegian", "nb"}, {"Finnish", "fi"},    {"Polish", "pl"},    {"Czech", "cs"},     {"Slovak", "sk"},
    {"Hungarian", "hu"}, {"Romanian", "ro"},   {"Croatian", "hr"},  {"Slovenian", "sl"}, {"Serbian", "sr"},
    {"Russian", "ru"},   {"Ukrainian", "uk"},  {"Bulgarian", "bg"}, {"Turkish", "tr"},   {"Lithuanian", "lt"},
    {"Latvian", "lv"},   {"Estonian", "et"},   {"Hebrew", "he"},    {"Arabic", "ar"},
};
static_assert(std::size(kLanguages) == kLanguageCount - 1);

struct Candidate
{
    const char* name; // as Encoding names it
    const char* iconvName;
    bool dos; // shows pictures for control bytes
};
// In the order that ranks candidates reading a text alike: the most common first.
constexpr Candidate kCodepages[] = {
    {"Cp1252", "CP1252", false},
    {"Iso8859_1", "ISO-8859-1", false},
    {"Iso8859_15", "ISO-8859-15", false},
    {"Cp1250", "CP1250", false},
    {"Iso8859_2", "ISO-8859-2", false},
    {"Cp1253", "CP1253", false},
    {"Iso8859_7", "ISO-8859-7", false},
    {"Cp1251", "CP1251", false},
    {"Koi8R", "KOI8-R", false},
    {"Koi8U", "KOI8-U", false},
    {"Iso8859_5", "ISO-8859-5", false},
    {"Cp1254", "CP1254", false},
    {"Iso8859_9", "ISO-8859-9", false},
    {"Cp1257", "CP1257", false},
    {"Iso8859_13", "ISO-8859-13", false},
    {"Iso8859_4", "ISO-8859-4", false},
    {"Cp1256", "CP1256", false},
    {"Iso8859_6", "ISO-8859-6", false},
    {"Iso8859_8", "ISO-8859-8", false},
    {"Cp1255", "CP1255", false},
    {"Cp437", "CP437", true},
    {"Cp850", "CP850", true},
    {"Cp852", "CP852", true},
    {"Cp737", "CP737", true},
    {"Cp869", "CP869", true},
    {"Cp866", "CP866", true},
    {"Cp855", "CP855", true},
    {"Cp1125", "CP1125", true},
    {"Cp857", "CP857", true},
    {"Cp775", "CP775", true},
    {"Cp860", "CP860", true},
    {"Cp861", "CP861", true},
    {"Cp862", "CP862", true},
    {"Cp863", "CP863", true},
    {"Cp865", "CP865", true},
    {"MacRoman", "MACINTOSH", false},
    {"MacCentralEurope", "MAC-CENTRALEUROPE", false},
    {"MacCyrillic", "MAC-CYRILLIC", false},
    {"Iso8859_16", "ISO-8859-16", false},
    {"Iso8859_3", "ISO-8859-3", false},
    {"Iso8859_10", "ISO-8859-10", false},
    {"Iso8859_14", "ISO-8859-14", false},
};
static_assert(std::size(kCodepages) <= 64, "a language's codepages are a 64-bit mask");

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
        // CP1255 holds a letter back until it knows whether a point follows: the flush gives it.
        iconv(cd, nullptr, nullptr, &outPointer, &outLeft);
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
        const bool blank = classify(c).token == kSpace;
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

// The text of one language: each message's translation, and its messages for the documents.
struct Text
{
    std::vector<std::u32string> messages;
    std::vector<std::string> sources;
};

Text readLanguage(const std::string& localeDir, const LanguageSource& language)
{
    Text text;
    const bool english = std::strcmp(language.code, "en") == 0;
    for (const char* catalog : kCatalogs) {
        const std::string relative = std::string(english ? "de" : language.code) + "/LC_MESSAGES/" + catalog + ".mo";
        const auto messages = trelvick::lang::MoCatalog::read(localeDir + "/" + relative).messages();
        if (messages.empty())
            continue;
        for (const auto& message : messages)
            text.messages.push_back(codePoints(english ? message.original : message.translation));
        text.sources.push_back(relative + (english ? " (the originals)" : ""));
    }
    return text;
}

// The letters a language keeps as its own: the most frequent, down to kOwnLetter of all.
std::vector<char32_t> ownLetters(const std::vector<std::u32string>& messages, double* letterCount,
                                 std::map<char32_t, double>* frequencies)
{
    for (const auto& message : messages) {
        for (const char32_t c : message) {
            const Character character = classify(c);
            if (character.token == kClassCount) {
                (*frequencies)[character.letter] += 1;
                *letterCount += 1;
            }
        }
    }
    std::vector<std::pair<double, char32_t>> ranked;
    for (const auto& [letter, count] : *frequencies) {
        if (count >= kOwnLetter * *letterCount)
            ranked.push_back({count, letter});
    }
    std::sort(ranked.rbegin(), ranked.rend());
    if (ranked.size() > kMostLetters)
        ranked.resize(kMostLetters);
    std::vector<char32_t> letters;
    for (const auto& entry : ranked)
        letters.push_back(entry.second);
    std::sort(letters.begin(), letters.end());
    return letters;
}

struct Counts
{
    explicit Counts(std::vector<char32_t> letters)
        : own(std::move(letters)), size(kClassCount + own.size()), pairs(size * size, 0.0),
          cases(kCaseCount * kCaseCount, 0.0)
    {
    }

    std::size_t symbol(const Character& character) const
    {
        if (character.token != kClassCount)
            return character.token;
        const auto at = std::lower_bound(own.begin(), own.end(), character.letter);
        return at != own.end() && *at == character.letter ? kClassCount + std::size_t(at - own.begin())
                                                          : std::size_t(rareToken(character.script));
    }

    void add(const std::u32string& text)
    {
        std::size_t previous = kSpace; // every message starts as if after a space
        LetterCase previousCase = kCaseless;
        for (const char32_t c : text) {
            const Character character = classify(c);
            const std::size_t current = symbol(character);
            // As the detector does: controls are never text, and a run of white space counts once.
            if (current == kControl || current == kStrayByte || (current == kSpace && previous == kSpace))
                continue;
            pairs[previous * size + current] += 1;
            cases[previousCase * kCaseCount + character.letterCase] += 1;
            previous = current;
            previousCase = character.letterCase;
            ++characters;
        }
        pairs[previous * size + kSpace] += 1;
        cases[previousCase * kCaseCount + kCaseless] += 1;
    }

    std::vector<char32_t> own;
    std::size_t size;
    std::vector<double> pairs;
    std::vector<double> cases;
    double characters = 0;
};

// log P(next | previous), smoothed; symbols from first on are outcomes (the control tokens are none).
std::vector<double> logChances(const std::vector<double>& counts, std::size_t size, bool text)
{
    const auto outcome = [text](std::size_t b) { return !text || (b != kControl && b != kStrayByte); };
    std::vector<double> out(counts.size(), 0.0);
    for (std::size_t a = 0; a < size; ++a) {
        double total = 0;
        double outcomes = 0;
        for (std::size_t b = 0; b < size; ++b) {
            total += outcome(b) ? counts[a * size + b] : 0;
            outcomes += outcome(b) ? 1 : 0;
        }
        for (std::size_t b = 0; b < size; ++b)
            out[a * size + b] = std::log((counts[a * size + b] + kSmoothing) / (total + kSmoothing * outcomes));
    }
    return out;
}

std::string hex(char32_t c)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", unsigned(c));
    return text;
}

struct Model
{
    const LanguageSource* source;
    Counts counts;
    std::uint64_t codepages = 0;
    std::array<double, kScriptCount> rareSizes{};
    std::vector<std::string> sources;
};

// Which codepages have nearly all of a language's letters, as many as they occur.
std::uint64_t writers(const std::map<char32_t, double>& frequencies, double letterCount,
                      const std::vector<std::array<char32_t, 256>>& tables)
{
    std::uint64_t mask = 0;
    for (std::size_t c = 0; c < tables.size(); ++c) {
        std::vector<char32_t> has;
        for (const char32_t character : tables[c]) {
            if (const Character classified = classify(character); classified.token == kClassCount)
                has.push_back(classified.letter);
        }
        double written = 0;
        for (const auto& [letter, count] : frequencies)
            written += std::find(has.begin(), has.end(), letter) != has.end() ? count : 0;
        if (written >= kWrites * letterCount)
            mask |= std::uint64_t(1) << c;
    }
    return mask;
}

void writeModel(std::FILE* out, const Model& model)
{
    const Counts& counts = model.counts;
    const std::string name = model.source->name;
    std::fprintf(out, "// %s: %.0f characters counted, %zu letters of its own.\n", name.c_str(), counts.characters,
                 counts.own.size());
    std::fprintf(out, "inline constexpr char32_t k%sLetters[] = {", name.c_str());
    for (std::size_t i = 0; i < counts.own.size(); ++i)
        std::fprintf(out, "%s%s,", i % 12 == 0 ? "\n    " : " ", hex(counts.own[i]).c_str());
    std::fprintf(out, "\n};\n");
    std::vector<double> chances = logChances(counts.pairs, counts.size, true);
    // A letter that the language does not keep is one of many of its script.
    for (std::size_t a = 0; a < counts.size; ++a) {
        for (int script = 0; script < kScriptCount; ++script)
            chances[a * counts.size + kRareLatin + script] -= std::log(model.rareSizes[script]);
    }
    std::fprintf(out, "inline constexpr std::uint8_t k%sPairs[] = {", name.c_str());
    for (std::size_t i = 0; i < chances.size(); ++i) {
        const long quantum = std::clamp(std::lround(-chances[i] / kQuantum), 0L, 255L);
        std::fprintf(out, "%s%ld,", i % 24 == 0 ? "\n    " : "", quantum);
    }
    std::fprintf(out, "\n};\n\n");
}

void writeLanguageTable(std::FILE* out, const std::vector<Model>& models)
{
    std::fprintf(out, "inline constexpr LanguageModel kLanguages[] = {\n");
    for (const Model& model : models) {
        const std::string name = model.source->name;
        const std::vector<double> cases = logChances(model.counts.cases, kCaseCount, false);
        std::fprintf(out, "    {Language::%s, 0x%llXull, std::size(k%sLetters), k%sLetters, k%sPairs, {", name.c_str(),
                     static_cast<unsigned long long>(model.codepages), name.c_str(), name.c_str(), name.c_str());
        for (std::size_t i = 0; i < cases.size(); ++i)
            std::fprintf(out, "%s%.4ff", i ? ", " : "", cases[i]);
        std::fprintf(out, "}},\n");
    }
    std::fprintf(out, "};\n\n");
}

// Every letter of each script that some codepage has: a letter a language does not keep is one of these.
std::array<std::vector<char32_t>, kScriptCount> scriptLetters(const std::vector<std::array<char32_t, 256>>& tables)
{
    std::array<std::vector<char32_t>, kScriptCount> letters;
    for (const auto& table : tables) {
        for (const char32_t character : table) {
            const Character classified = classify(character);
            if (classified.token == kClassCount)
                letters[classified.script].push_back(classified.letter);
        }
    }
    for (auto& script : letters) {
        std::sort(script.begin(), script.end());
        script.erase(std::unique(script.begin(), script.end()), script.end());
    }
    return letters;
}

// One language learnt from its catalogs, or nothing when they hold too little of it.
std::optional<Model> learn(const std::string& localeDir, const LanguageSource& source,
                           const std::vector<std::array<char32_t, 256>>& tables,
                           const std::array<std::vector<char32_t>, kScriptCount>& allLetters)
{
    Text text = readLanguage(localeDir, source);
    double letterCount = 0;
    std::map<char32_t, double> frequencies;
    std::vector<char32_t> letters = ownLetters(text.messages, &letterCount, &frequencies);
    if (letterCount < 20000) {
        std::fprintf(stderr, "trelvick-makeguessmodel: too little %s text to learn from in %s\n", source.name,
                     localeDir.c_str());
        return std::nullopt;
    }
    Model model{&source, Counts(letters), writers(frequencies, letterCount, tables), {}, text.sources};
    for (int script = 0; script < kScriptCount; ++script) {
        const auto& all = allLetters[script];
        const double own = double(std::count_if(letters.begin(), letters.end(), [&all](char32_t letter) {
            return std::binary_search(all.begin(), all.end(), letter);
        }));
        model.rareSizes[script] = std::max(1.0, double(all.size()) - own);
    }
    std::vector<std::u32string> lines;
    for (const auto& message : text.messages) {
        model.counts.add(message);
        if (const std::u32string line = firstLine(message); line.size() >= 8)
            lines.push_back(line);
    }
    model.counts.add(Documents(std::move(lines)).text());
    return model;
}

bool writeHeader(const char* path, const std::vector<std::array<char32_t, 256>>& tables,
                 const std::vector<Model>& models)
{
    std::FILE* out = std::fopen(path, "w");
    if (!out) {
        std::perror(path);
        return false;
    }
    std::fprintf(out, "// SPDX-License-Identifier: GPL-3.0-or-later\n#pragma once\n"
                      "// Generated by trelvick-makeguessmodel (target trelvick-guess-model) from the translations of\n"
                      "// GTK 2, GTK 3 and GLib (LGPL 2.1 or later) in these catalogs:\n");
    for (const Model& model : models) {
        for (const std::string& source : model.sources)
            std::fprintf(out, "//   %s\n", source.c_str());
    }
    std::fprintf(
        out, "// and from the same messages laid out as documents. Do not edit.\n\n"
             "#include \"guess/guess.h\"\n#include \"guess/symbols.h\"\n\n#include <cstdint>\n#include <iterator>\n\n"
             "namespace trelvick::guess::model {\n\n");
    std::fprintf(out,
                 "// A pair's chance e^-x is stored as x / kQuantum.\ninline constexpr double kQuantum = %.3f;\n\n",
                 kQuantum);
    std::fprintf(out, "// The candidates, in the order that ranks those reading a text alike.\n"
                      "inline constexpr Encoding kCodepages[] = {");
    for (std::size_t c = 0; c < std::size(kCodepages); ++c)
        std::fprintf(out, "%sEncoding::%s,", c % 6 == 0 ? "\n    " : " ", kCodepages[c].name);
    std::fprintf(out, "\n};\n\ninline constexpr char32_t kCharacters[][256] = {\n");
    for (const auto& table : tables) {
        std::fprintf(out, "    {");
        for (int b = 0; b < 256; ++b)
            std::fprintf(out, "%s%s,", b % 12 == 0 ? "\n        " : " ", hex(table[b]).c_str());
        std::fprintf(out, "\n    },\n");
    }
    std::fprintf(out, "};\n\n");
    std::fprintf(out, "struct LanguageModel\n{\n    Language language;\n    std::uint64_t codepages; // bit c: "
                      "kCodepages[c] writes it\n    std::size_t letterCount;\n    const char32_t* letters; // its "
                      "own, sorted: symbol kClassCount + i\n    const std::uint8_t* pairs; // [previous * (kClassCount "
                      "+ letterCount) + symbol]\n    float cases[kCaseCount * kCaseCount];\n};\n\n");
    for (const Model& model : models)
        writeModel(out, model);
    writeLanguageTable(out, models);
    std::fprintf(out, "} // namespace trelvick::guess::model\n");
    return std::fclose(out) == 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: trelvick-makeguessmodel OUTPUT LOCALE_DIR\n");
        return 2;
    }
    std::vector<std::array<char32_t, 256>> tables;
    for (const Candidate& candidate : kCodepages) {
        std::array<char32_t, 256> table{};
        if (!codepageTable(candidate, &table)) {
            std::fprintf(stderr, "trelvick-makeguessmodel: iconv does not know %s\n", candidate.iconvName);
            return 1;
        }
        tables.push_back(table);
    }
    const auto letters = scriptLetters(tables);
    std::vector<Model> models;
    for (const LanguageSource& source : kLanguages) {
        std::optional<Model> model = learn(argv[2], source, tables, letters);
        if (!model)
            return 1;
        models.push_back(std::move(*model));
    }
    return writeHeader(argv[1], tables, models) ? 0 : 1;
}
