#pragma once

#include "config/profilereader.h"

#include <QString>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace trelvick::convert {

inline constexpr int kCodeEntryCapacity = 49;

// The key by which a code section asks for UTF-8 output; matched like any key name, letter case aside.
inline constexpr char16_t kEncodingKey[] = u"Κωδικοποίηση";
inline constexpr int kHighestByte = 255;
inline constexpr int kHighestCodePoint = 0x10FFFF;

// A converter's byte table, read from its code section of tq.ini:
//
//   [Μ2]
//   65=193     ; code 65 becomes 193
//   7=007      ; code 7 stays 7, but has an entry (and so counts as changed)
//
// Keys 0..255 are read in ascending order; the first faulty value (empty, more than 3 characters,
// not all digits, above 255) stops the reading and fails the load, even after good entries.
//
// A section may instead write UTF-8:
//
//   [Μ11]
//   Κωδικοποίηση=UTF-8   ; "UTF-8" or "UTF8", any letter case; any other value fails the load
//   128=913              ; byte 128 becomes U+0391, written as CE 91
//
// Its values are code points 0..1114111 without the surrogates, 1 to 7 digits. A byte without an
// entry is written as itself below 128 and as U+FFFD above, so the output is always valid UTF-8.
class ConversionTable final
{
public:
    enum class Failure
    {
        None,
        NoEntries, // the section is missing or holds none of the keys 0..255
        Faulty,    // faultyKey holds a value that is not a code 0..highestCode(), or -1: the encoding key's
                   // value is not one this program writes
    };

    enum class Output
    {
        Bytes, // every entry is a byte 0..255
        Utf8,  // every entry is a code point, written as UTF-8
    };

    struct LoadResult;

    // A table without entries: every code passes unchanged.
    ConversionTable() { m_lookup.fill(-1); }

    static LoadResult load(const config::ProfileReader& profile, const QString& section);

    // The table whose entry for code c is lookup[c]; values that are no code of output (outside 0..255,
    // or for UTF-8 outside 0..1114111 or a surrogate) mean "no entry".
    static ConversionTable fromLookup(const std::array<int, 256>& lookup, Output output = Output::Bytes);

    // -1 when the code has no entry, else the code (a byte, or a code point for UTF-8) that replaces it.
    int lookup(std::uint8_t code) const { return m_lookup[code]; }
    const std::array<std::int32_t, 256>& lookupTable() const { return m_lookup; }
    Output output() const { return m_output; }
    static int highestCode(Output output) { return output == Output::Utf8 ? kHighestCodePoint : kHighestByte; }
    // (source, target) in ascending order of source.
    const std::vector<std::pair<int, int>>& pairs() const { return m_pairs; }

private:
    void setPairs(std::vector<std::pair<int, int>> pairs);

    std::vector<std::pair<int, int>> m_pairs;
    std::array<std::int32_t, 256> m_lookup{};
    Output m_output = Output::Bytes;
};

struct ConversionTable::LoadResult
{
    ConversionTable table;
    Failure failure = Failure::None;
    int faultyKey = -1;
    QString faultyValue;
    Output output = Output::Bytes; // what the section asked for, also when it is faulty

    bool ok() const { return failure == Failure::None; }
};

} // namespace trelvick::convert
