// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/conversiontable.h"
#include "convert/simdlevel.h"
#include "convert/x86kernels.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace trelvick::convert {

// A UTF-8 table prepared for writing runs of line bytes in bulk. Every byte with an entry becomes the
// UTF-8 of its code point; a byte without one stays itself below 128 and becomes U+FFFD above, so no
// input can make the output invalid UTF-8. CR never goes through the table (it always ends a line).
class Utf8Map final
{
public:
    // Room that apply may write past its last byte: the vector kernel stores whole registers.
    static constexpr std::size_t kSlack = 64;

    struct Applied
    {
        std::int64_t changed = 0; // bytes that had an entry
        std::size_t written = 0;  // bytes of UTF-8 written
    };

    // A level the processor lacks falls back to the plain loop.
    explicit Utf8Map(const ConversionTable& table, SimdLevel level = bestSimdLevel());

    // Writes the UTF-8 of [in, in + size) to out, which must hold maxWidth() * size + kSlack bytes and
    // must not overlap in.
    // Not const: the plain loop fills a table of byte pairs once a file proves large.
    Applied apply(const unsigned char* in, std::size_t size, unsigned char* out);

    bool hasEntryFor(unsigned char code) const { return m_changed[code] != 0; }
    // The most bytes one input byte becomes: 3, or 4 when some code point lies above U+FFFF.
    int maxWidth() const { return m_maxWidth; }
    // The level of the line scan that goes with this map; the UTF-8 kernel itself may need more.
    SimdLevel level() const { return m_level; }

private:
    enum class Kernel
    {
        Plain,
        Avx2, // codes below 128 stay themselves
        Avx512Vbmi2,
    };

    void fillPairs();

    SimdLevel m_level;
    Kernel m_kernel = Kernel::Plain;
    int m_maxWidth = 3;
    // Byte 0..3 of UTF-8 in the low 32 bits (first byte lowest), the width in bits 32..39 and 1 in
    // bit 48 for a byte with an entry.
    alignas(64) std::array<std::uint64_t, 256> m_entries;
    alignas(64) std::array<unsigned char, 256> m_changed;              // 0x80 where the code has an entry
    alignas(64) std::array<std::array<unsigned char, 256>, 4> m_parts; // byte j of each code's UTF-8, 0 past its end
    // For the AVX2 kernel: the first two bytes of the UTF-8 of codes 128..255, and the codes with an entry.
    ShuffleRows m_firstBytes;
    ShuffleRows m_secondBytes;
    NibbleSet m_changedSet;
    bool m_highChanged = false; // exactly the codes from 128 up have an entry, as in most tables
    // For the plain loop on large inputs (widths up to 3): the UTF-8 of every pair of codes, joined.
    std::unique_ptr<std::uint64_t[]> m_pairs;
    std::size_t m_seen = 0;
};

} // namespace trelvick::convert
