// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/conversiontable.h"
#include "convert/simdlevel.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace trelvick::convert {

// A conversion table prepared for mapping runs of line bytes in bulk. CR never goes through the
// table (it always ends a line), so its entry, if any, is left out here.
class ByteMap final
{
public:
    // A level the processor lacks falls back to the plain loop.
    explicit ByteMap(const ConversionTable& table, SimdLevel level = bestSimdLevel());

    // Writes the mapped bytes of [in, in + size) to out, which may be in itself or start before it
    // (each byte is read before anything lands on it), and returns how many of them had an entry.
    std::int64_t apply(const unsigned char* in, std::size_t size, unsigned char* out) const;

    bool hasEntryFor(unsigned char code) const { return m_changed[code] != 0; }
    SimdLevel level() const { return m_level; }

private:
    SimdLevel m_level;
    bool m_hasSelfEntries = false;                        // some code is mapped to itself
    alignas(64) std::array<unsigned char, 256> m_bytes;   // the target, or the code itself without entry
    alignas(64) std::array<unsigned char, 256> m_changed; // 1 where the code has an entry
    alignas(64) std::array<unsigned char, 256> m_self;    // 0xFF where the entry maps the code to itself
    // The same tables as shuffle rows for the AVX2 kernel, see there.
    alignas(64) std::array<std::array<unsigned char, 16>, 16> m_byteRows;
    alignas(64) std::array<std::array<unsigned char, 16>, 16> m_selfRows;
};

} // namespace trelvick::convert
