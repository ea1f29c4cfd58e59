// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

// The alphabet the detector's statistics are counted over. The generator that learns them from text and
// the detector that applies them both read characters through symbolOf, so the two cannot disagree.
//
// A character becomes a token and a letter case. Letters keep their identity, folded to lower case, so
// that "και" and "ΚΑΙ" share their pairs; the case is scored on its own. Everything else falls into a
// handful of classes: which digit or which full stop makes no difference to what codepage a file is in.
// Box drawing is split by the sides a piece joins, so that a frame ("┌──┬──┐") reads as one and the
// same bytes scattered as letters of another codepage ("┴╤╫┼") do not.
namespace trelvick::guess {

enum Token : std::uint8_t
{
    kSpace,
    kDigit,
    kStop,          // . , ; : ! ? and the Greek ano teleia
    kEllipsis,      // … ends a word, where a full stop may also stand alone (" : " in French)
    kOpenQuote,     // “ ‘ „
    kCloseQuote,    // ” ’, also the apostrophe of an elided Greek vowel
    kGuillemet,     // « » ‹ ›: French and Greek open with «, German with »
    kStraightQuote, // ' " `
    kBracket,
    kDash,
    kAsciiSymbol,   // the rest of printable ASCII
    kCurrency,      // $ € £ ₯ (¥ ¢ ₧ share bytes with Greek letters of 869 in 437)
    kSymbol,        // any other printable character that is no letter: ¤ ¶ ‰ ΅, tonos alone
    kFrameLine,     // ─ ═: joins left and right only
    kFrameVertical, // │ ║
    kFrameOpen,     // ┌ └ ├ ╔ ╚ ╠: joins to the right, not to the left
    kFrameClose,    // ┐ ┘ ┤ ╗ ╝ ╣: joins to the left, not to the right
    kFrameJunction, // ┬ ┴ ┼ ╦ ╩ ╬: joins both sides and up or down
    kShade,         // ░ ▒ ▓
    kBlock,         // █ ▄ ▌ ▐ ▀
    kArrow,         // ► ◄ ▲ ▼ ↑ ↓ → ← ↕ ↔
    kGlyph,         // ■ • ☺ ♥ ♦ ♣ ♠ ♪ ‼ and the other pictures of the DOS codepages
    kOtherLetter,   // letters of other scripts
    kControl,       // control codes and bytes a codepage leaves undefined: never counted, always penalised
    kGreekFirst,    // α..ω without ς (24), then ς, ά έ ή ί ό ύ ώ, ϊ ϋ ΐ ΰ
    kFinalSigma = kGreekFirst + 24,
    kGreekAccentedFirst,
    kGreekDiaeresisFirst = kGreekAccentedFirst + 7,
    kLatinFirst = kGreekDiaeresisFirst + 4, // a..z
    kLatin1First = kLatinFirst + 26,        // ß à..þ without ÷, ÿ: 32 letters
    kOtherLatinLetter = kLatin1First + 32,  // œ š ž ƒ and the rest of Latin Extended
    kTokenCount
};

enum LetterCase : std::uint8_t
{
    kCaseless,
    kLower,
    kUpper,
    kCaseCount
};

struct Symbol
{
    std::uint8_t token = kControl;
    std::uint8_t letterCase = kCaseless;
};

// What a codepage table holds for a byte it does not define.
inline constexpr char32_t kUndefined = 0xFFFFFFFF;

// Box drawing (U+2500..U+257F) by the sides a piece joins.
constexpr Token frameToken(char32_t c)
{
    // clang-format off
    switch (c) {
    case 0x2500: case 0x2501: case 0x2504: case 0x2505: case 0x2508: case 0x2509: case 0x254C: case 0x254D:
    case 0x2550:
        return kFrameLine;
    case 0x2502: case 0x2503: case 0x2506: case 0x2507: case 0x250A: case 0x250B: case 0x254E: case 0x254F:
    case 0x2551:
        return kFrameVertical;
    default:
        break;
    }
    // clang-format on
    if ((c >= 0x250C && c <= 0x250F) || (c >= 0x2514 && c <= 0x2517) || (c >= 0x251C && c <= 0x2523) ||
        (c >= 0x2552 && c <= 0x2554) || (c >= 0x2558 && c <= 0x255A) || (c >= 0x255E && c <= 0x2560) || c == 0x256D ||
        c == 0x2570)
        return kFrameOpen;
    if ((c >= 0x2510 && c <= 0x2513) || (c >= 0x2518 && c <= 0x251B) || (c >= 0x2524 && c <= 0x252B) ||
        (c >= 0x2555 && c <= 0x2557) || (c >= 0x255B && c <= 0x255D) || (c >= 0x2561 && c <= 0x2563) || c == 0x256E ||
        c == 0x256F)
        return kFrameClose;
    if ((c >= 0x252C && c <= 0x254B) || (c >= 0x2564 && c <= 0x256C))
        return kFrameJunction;
    return kGlyph; // diagonals and half lines
}

constexpr Symbol letterSymbol(int token, LetterCase letterCase)
{
    return Symbol{static_cast<std::uint8_t>(token), letterCase};
}

constexpr Symbol otherSymbol(Token token)
{
    return Symbol{token, kCaseless};
}

// Spaces, controls, digits, ASCII letters and the punctuation of any script; nothing for the rest.
constexpr std::optional<Symbol> punctuationSymbolOf(char32_t c)
{
    constexpr auto letter = letterSymbol;
    constexpr auto other = otherSymbol;
    if (c == U' ' || c == U'\t' || c == U'\n' || c == U'\r' || c == U'\f' || c == U'\v' || c == 0xA0)
        return other(kSpace);
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == kUndefined || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF)
        return other(kControl);
    if (c >= U'0' && c <= U'9')
        return other(kDigit);
    if (c >= U'a' && c <= U'z')
        return letter(kLatinFirst + (c - U'a'), kLower);
    if (c >= U'A' && c <= U'Z')
        return letter(kLatinFirst + (c - U'A'), kUpper);
    // The tables below read best one class, or one letter, to a line.
    // clang-format off
    switch (c) {
    case U'.': case U',': case U';': case U':': case U'!': case U'?': case 0x37E: case 0x387: case 0xB7:
        return other(kStop);
    case 0x2026:
        return other(kEllipsis);
    case 0x201C: case 0x2018: case 0x201E: case 0x201A:
        return other(kOpenQuote);
    case 0x201D: case 0x2019:
        return other(kCloseQuote);
    case 0xAB: case 0xBB: case 0x2039: case 0x203A:
        return other(kGuillemet);
    case U'\'': case U'"': case U'`':
        return other(kStraightQuote);
    case U'(': case U')': case U'[': case U']': case U'{': case U'}': case U'<': case U'>':
        return other(kBracket);
    case U'-': case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: case 0x2015:
        return other(kDash);
    case U'$': case 0x20AC: case 0xA3: case 0x20AF:
        return other(kCurrency);
    case 0x2022: case 0x25A0: case 0x203C: case 0x221F:
        return other(kGlyph);
    default:
        break;
    }
    if (c < 0x7F)
        return other(kAsciiSymbol);
    return std::nullopt;
}

// The Greek letters; nothing for the rest.
constexpr std::optional<Symbol> greekSymbolOf(char32_t c)
{
    constexpr auto letter = letterSymbol;
    // Greek: the modern monotonic letters; the micro sign is a mu ("5 µg").
    if (c == 0xB5)
        return letter(kGreekFirst + 11, kLower);
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2)
        return letter(kGreekFirst + (c - 0x3B1) - (c > 0x3C2 ? 1 : 0), kLower);
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2)
        return letter(kGreekFirst + (c - 0x391) - (c > 0x3A2 ? 1 : 0), kUpper);
    switch (c) {
    case 0x3C2: return letter(kFinalSigma, kLower);
    case 0x3AC: return letter(kGreekAccentedFirst + 0, kLower); // ά
    case 0x3AD: return letter(kGreekAccentedFirst + 1, kLower); // έ
    case 0x3AE: return letter(kGreekAccentedFirst + 2, kLower); // ή
    case 0x3AF: return letter(kGreekAccentedFirst + 3, kLower); // ί
    case 0x3CC: return letter(kGreekAccentedFirst + 4, kLower); // ό
    case 0x3CD: return letter(kGreekAccentedFirst + 5, kLower); // ύ
    case 0x3CE: return letter(kGreekAccentedFirst + 6, kLower); // ώ
    case 0x386: return letter(kGreekAccentedFirst + 0, kUpper);
    case 0x388: return letter(kGreekAccentedFirst + 1, kUpper);
    case 0x389: return letter(kGreekAccentedFirst + 2, kUpper);
    case 0x38A: return letter(kGreekAccentedFirst + 3, kUpper);
    case 0x38C: return letter(kGreekAccentedFirst + 4, kUpper);
    case 0x38E: return letter(kGreekAccentedFirst + 5, kUpper);
    case 0x38F: return letter(kGreekAccentedFirst + 6, kUpper);
    case 0x3CA: return letter(kGreekDiaeresisFirst + 0, kLower); // ϊ
    case 0x3CB: return letter(kGreekDiaeresisFirst + 1, kLower); // ϋ
    case 0x390: return letter(kGreekDiaeresisFirst + 2, kLower); // ΐ
    case 0x3B0: return letter(kGreekDiaeresisFirst + 3, kLower); // ΰ
    case 0x3AA: return letter(kGreekDiaeresisFirst + 0, kUpper);
    case 0x3AB: return letter(kGreekDiaeresisFirst + 1, kUpper);
    default:
        break;
    }

    // clang-format on
    return std::nullopt;
}

// Other letters and the pictures of the DOS codepages.
constexpr Symbol otherSymbolOf(char32_t c)
{
    constexpr auto letter = letterSymbol;
    constexpr auto other = otherSymbol;
    // Latin-1 letters; × and ÷ sit among them.
    if (c == 0xDF)
        return letter(kLatin1First, kLower);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return letter(kLatin1First + 1 + (c - 0xE0) - (c > 0xF7 ? 1 : 0), kLower);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return letter(kLatin1First + 1 + (c - 0xC0) - (c > 0xD7 ? 1 : 0), kUpper);
    if (c == 0xFF)
        return letter(kLatin1First + 31, kLower);
    if ((c >= 0x100 && c <= 0x24F) || c == 0x178)
        return letter(kOtherLatinLetter, kCaseless);
    if ((c >= 0x370 && c <= 0x3FF) || (c >= 0x400 && c <= 0x52F) || (c >= 0x1F00 && c <= 0x1FFF))
        return c == 0x384 || c == 0x385 ? other(kSymbol) : other(kOtherLetter);
    // The pictures of the DOS codepages.
    if (c >= 0x2500 && c <= 0x257F)
        return other(frameToken(c));
    if (c >= 0x2591 && c <= 0x2593)
        return other(kShade);
    if (c >= 0x2580 && c <= 0x259F)
        return other(kBlock);
    if ((c >= 0x2190 && c <= 0x21FF) || (c >= 0x25B2 && c <= 0x25C5))
        return other(kArrow);
    if ((c >= 0x25A0 && c <= 0x25FF) || (c >= 0x2600 && c <= 0x26FF))
        return other(kGlyph);
    return other(kSymbol);
}

constexpr Symbol symbolOf(char32_t c)
{
    if (const std::optional<Symbol> symbol = punctuationSymbolOf(c))
        return *symbol;
    if (const std::optional<Symbol> symbol = greekSymbolOf(c))
        return *symbol;
    return otherSymbolOf(c);
}

} // namespace trelvick::guess
