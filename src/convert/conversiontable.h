#pragma once

#include "config/profilereader.h"

#include <QString>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace trelvick::convert {

inline constexpr int kCodeEntryCapacity = 49;

// A converter's byte table, read from its code section of tq.ini:
//
//   [Μ2]
//   65=193     ; code 65 becomes 193
//   7=007      ; code 7 stays 7, but has an entry (and so counts as changed)
//
// Keys 0..255 are read in ascending order; the first faulty value (empty, more than 3 characters,
// not all digits, above 255) stops the reading and fails the load, even after good entries.
class ConversionTable final
{
public:
    enum class Failure
    {
        None,
        NoEntries, // the section is missing or holds none of the keys 0..255
        Faulty,    // faultyKey holds a value that is not a code 0..255
    };

    struct LoadResult;

    // A table without entries: every code passes unchanged.
    ConversionTable() { m_lookup.fill(-1); }

    static LoadResult load(const config::ProfileReader& profile, const QString& section);

    // The table whose entry for code c is lookup[c]; values outside 0..255 mean "no entry".
    static ConversionTable fromLookup(const std::array<int, 256>& lookup);

    // -1 when the code has no entry, else the code that replaces it.
    int lookup(std::uint8_t code) const { return m_lookup[code]; }
    const std::array<std::int16_t, 256>& lookupTable() const { return m_lookup; }
    // (source, target) in ascending order of source.
    const std::vector<std::pair<int, int>>& pairs() const { return m_pairs; }

private:
    void setPairs(std::vector<std::pair<int, int>> pairs);

    std::vector<std::pair<int, int>> m_pairs;
    std::array<std::int16_t, 256> m_lookup{};
};

struct ConversionTable::LoadResult
{
    ConversionTable table;
    Failure failure = Failure::None;
    int faultyKey = -1;
    QString faultyValue;

    bool ok() const { return failure == Failure::None; }
};

} // namespace trelvick::convert
