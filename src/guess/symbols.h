// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The alphabet the detector's statistics are counted over. The generator that learns them from text and
// the detector that applies them both read characters through classify, so the two cannot disagree.
//
// A character becomes a letter (folded to lower case, its case kept apart) or one of a handful of classes:
// which digit or which full stop makes no difference to what codepage a file is in. Box drawing is split
// by the sides a piece joins, so that a frame ("┌──┬──┐") reads as one and the same bytes scattered as
// letters of another codepage ("┴╤╫┼") do not. Each language keeps the letters it uses as letters of its
// own; the rest fall into one class per script, scored as one of that many letters.
namespace trelvick::guess {

enum Token : std::uint8_t
{
    kSpace,
    kDigit,
    kStop,          // . , ; : ! ? and the Greek ano teleia, the Arabic comma and question mark
    kEllipsis,      // … ends a word, where a full stop may also stand alone (" : " in French)
    kOpenQuote,     // “ ‘
    kLowQuote,      // „ ‚: German, Polish, Czech and the rest open with them, French and English never
    kCloseQuote,    // ” ’, also the apostrophe of an elided vowel
    kGuillemet,     // « » ‹ ›: French and Greek open with «, German with »
    kStraightQuote, // ' " `
    kBracket,
    kDash,
    kAsciiSymbol,   // the rest of printable ASCII
    kCurrency,      // $ € £ ₯ ₪
    kSymbol,        // any other printable character that is no letter: ¤ ¶ ‰ ΅ ª, tonos alone
    kFrameLine,     // ─ ═: joins left and right only
    kFrameVertical, // │ ║
    kFrameOpen,     // ┌ └ ├ ╔ ╚ ╠: joins to the right, not to the left
    kFrameClose,    // ┐ ┘ ┤ ╗ ╝ ╣: joins to the left, not to the right
    kFrameJunction, // ┬ ┴ ┼ ╦ ╩ ╬: joins both sides and up or down
    kShade,         // ░ ▒ ▓
    kBlock,         // █ ▄ ▌ ▐ ▀
    kArrow,         // ► ◄ ▲ ▼ ↑ ↓ → ← ↕ ↔
    kGlyph,         // ■ • ☺ ♥ ♦ ♣ ♠ ♪ ‼ and the other pictures of the DOS codepages
    kMark,          // Hebrew points, Arabic vowel signs, the marks that set the direction of text
    kOtherLetter,   // letters of scripts the statistics do not know
    kControl,       // C0 control codes and DEL: never counted, always penalised
    kStrayByte,     // C1 controls and bytes a codepage leaves undefined, which no text holds: penalised more
    kRareLatin,     // a letter of the script that the language does not use (or hardly)
    kRareGreek,
    kRareCyrillic,
    kRareHebrew,
    kRareArabic,
    kClassCount, // a language's own letters follow, kClassCount + their index in its alphabet
};

enum Script : std::uint8_t
{
    kLatin,
    kGreek,
    kCyrillic,
    kHebrew,
    kArabic,
    kScriptCount,
    kNoScript = kScriptCount,
};

enum LetterCase : std::uint8_t
{
    kCaseless,
    kLower,
    kUpper,
    kCaseCount
};

struct Character
{
    std::uint8_t token = kControl; // a class, or kClassCount for a letter
    LetterCase letterCase = kCaseless;
    Script script = kNoScript;
    char32_t letter = 0; // the letter in lower case; Romanian ș ț as ş ţ, which old codepages had instead
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

constexpr Character classed(Token token)
{
    return Character{token, kCaseless, kNoScript, 0};
}

constexpr Character letter(char32_t lower, LetterCase letterCase, Script script)
{
    return Character{kClassCount, letterCase, script, lower};
}

// Spaces, controls, digits and the punctuation of any script; kClassCount for anything else.
constexpr Token punctuationToken(char32_t c)
{
    if (c == U' ' || c == U'\t' || c == U'\n' || c == U'\r' || c == U'\f' || c == U'\v' || c == 0xA0)
        return kSpace;
    if (c < 0x20 || c == 0x7F)
        return kControl;
    if ((c >= 0x80 && c < 0xA0) || c == kUndefined || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF)
        return kStrayByte;
    if ((c >= U'0' && c <= U'9') || (c >= 0x660 && c <= 0x669))
        return kDigit;
    // clang-format off
    switch (c) {
    case U'.': case U',': case U';': case U':': case U'!': case U'?': case 0x37E: case 0x387: case 0xB7:
    case 0x60C: case 0x61B: case 0x61F: case 0x5BE: case 0x5C3:
        return kStop;
    case 0x2026:
        return kEllipsis;
    case 0x201C: case 0x2018:
        return kOpenQuote;
    case 0x201E: case 0x201A:
        return kLowQuote;
    case 0x201D: case 0x2019:
        return kCloseQuote;
    case 0xAB: case 0xBB: case 0x2039: case 0x203A:
        return kGuillemet;
    case U'\'': case U'"': case U'`':
        return kStraightQuote;
    case U'(': case U')': case U'[': case U']': case U'{': case U'}': case U'<': case U'>':
        return kBracket;
    case U'-': case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: case 0x2015:
        return kDash;
    case U'$': case 0x20AC: case 0xA3: case 0x20AF: case 0x20AA:
        return kCurrency;
    case 0x2022: case 0x25A0: case 0x203C: case 0x221F:
        return kGlyph;
    case 0x200E: case 0x200F: case 0x200C: case 0x200D:
        return kMark;
    default:
        break;
    }
    // clang-format on
    const bool asciiLetter = (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
    return c < 0x7F && !asciiLetter ? kAsciiSymbol : kClassCount;
}

// Latin letters: ASCII, Latin-1 and Latin Extended-A, and the Romanian letters of Extended-B.
constexpr Character latinLetter(char32_t c)
{
    if (c >= U'a' && c <= U'z')
        return letter(c, kLower, kLatin);
    if (c >= U'A' && c <= U'Z')
        return letter(c + 0x20, kUpper, kLatin);
    if (c == 0xDF || (c >= 0xE0 && c <= 0xFF && c != 0xF7))
        return letter(c, kLower, kLatin);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return letter(c + 0x20, kUpper, kLatin);
    if (c == 0x130) // İ: its small letter is i
        return letter(U'i', kUpper, kLatin);
    if (c == 0x178)
        return letter(0xFF, kUpper, kLatin);
    if (c == 0x218 || c == 0x219)
        return letter(0x15F, c == 0x218 ? kUpper : kLower, kLatin);
    if (c == 0x21A || c == 0x21B)
        return letter(0x163, c == 0x21A ? kUpper : kLower, kLatin);
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F || c == 0x192)
        return letter(c, kLower, kLatin);
    // Pairs of capital and small letter, the capital first, except between Ĺ and ň and between Ź and ž.
    if (c >= 0x100 && c <= 0x17E) {
        const bool oddFirst = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        const bool upper = oddFirst ? (c % 2 == 1) : (c % 2 == 0);
        return letter(upper ? c + 1 : c, upper ? kUpper : kLower, kLatin);
    }
    if (c >= 0x180 && c <= 0x24F)
        return letter(c, kCaseless, kLatin);
    return classed(kClassCount);
}

// Greek: the modern monotonic letters; the micro sign is a mu ("5 µg").
constexpr Character greekLetter(char32_t c)
{
    if (c == 0xB5)
        return letter(0x3BC, kLower, kGreek);
    if (c >= 0x3AC && c <= 0x3CE)
        return letter(c, kLower, kGreek);
    if ((c >= 0x391 && c <= 0x3A9 && c != 0x3A2) || c == 0x3AA || c == 0x3AB)
        return letter(c + 0x20, kUpper, kGreek);
    // clang-format off
    switch (c) {
    case 0x386: return letter(0x3AC, kUpper, kGreek);
    case 0x388: case 0x389: case 0x38A: return letter(c + 0x25, kUpper, kGreek);
    case 0x38C: return letter(0x3CC, kUpper, kGreek);
    case 0x38E: case 0x38F: return letter(c + 0x3F, kUpper, kGreek);
    case 0x390: return letter(c, kLower, kGreek);
    default: break;
    }
    // clang-format on
    if (c >= 0x370 && c <= 0x3FF)
        return c == 0x384 || c == 0x385 || c == 0x374 || c == 0x375 || c == 0x37A ? classed(kSymbol)
                                                                                  : letter(c, kCaseless, kGreek);
    return classed(kClassCount);
}

constexpr Character cyrillicLetter(char32_t c)
{
    if (c >= 0x430 && c <= 0x45F)
        return letter(c, kLower, kCyrillic);
    if (c >= 0x410 && c <= 0x42F)
        return letter(c + 0x20, kUpper, kCyrillic);
    if (c >= 0x400 && c <= 0x40F)
        return letter(c + 0x50, kUpper, kCyrillic);
    if (c >= 0x482 && c <= 0x489)
        return classed(kSymbol);
    if (c >= 0x460 && c <= 0x4FF)
        return letter(c % 2 == 0 ? c + 1 : c, c % 2 == 0 ? kUpper : kLower, kCyrillic);
    return classed(kClassCount);
}

constexpr Character otherCharacter(char32_t c)
{
    if (c >= 0x5D0 && c <= 0x5EA)
        return letter(c, kCaseless, kHebrew);
    if ((c >= 0x591 && c <= 0x5C7) || (c >= 0x64B && c <= 0x65F) || c == 0x670)
        return classed(kMark);
    if ((c >= 0x621 && c <= 0x64A && c != 0x640) || (c >= 0x671 && c <= 0x6D3))
        return letter(c, kCaseless, kArabic);
    if (c == 0x640 || (c >= 0x600 && c <= 0x6FF))
        return classed(kSymbol);
    if ((c >= 0x530 && c <= 0x58F) || (c >= 0x10A0 && c <= 0x10FF) || (c >= 0x1E00 && c <= 0x1FFF) ||
        (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0x3040 && c <= 0x30FF) ||
        (c >= 0x0E00 && c <= 0x0E7F) || (c >= 0x900 && c <= 0xDFF))
        return classed(kOtherLetter);
    // The pictures of the DOS codepages.
    if (c >= 0x2500 && c <= 0x257F)
        return classed(frameToken(c));
    if (c >= 0x2591 && c <= 0x2593)
        return classed(kShade);
    if (c >= 0x2580 && c <= 0x259F)
        return classed(kBlock);
    if ((c >= 0x2190 && c <= 0x21FF) || (c >= 0x25B2 && c <= 0x25C5))
        return classed(kArrow);
    if ((c >= 0x25A0 && c <= 0x25FF) || (c >= 0x2600 && c <= 0x26FF))
        return classed(kGlyph);
    return classed(kSymbol);
}

constexpr Character classify(char32_t c)
{
    if (const Token token = punctuationToken(c); token != kClassCount)
        return classed(token);
    if (c == 0xAA || c == 0xBA) // ª º: ordinal signs, not letters of any word
        return classed(kSymbol);
    for (Character (*script)(char32_t) : {latinLetter, greekLetter, cyrillicLetter}) {
        if (const Character character = script(c); character.token != kClassCount || character.script != kNoScript)
            return character;
    }
    return otherCharacter(c);
}

// The class of a letter that a language does not keep as its own.
constexpr Token rareToken(Script script)
{
    return script == kNoScript ? kOtherLetter : static_cast<Token>(int(kRareLatin) + int(script));
}

} // namespace trelvick::guess
