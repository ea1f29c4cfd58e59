// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/bytemap.h"
#include "convert/utf8map.h"

#include <cstdint>
#include <optional>

namespace trelvick::convert {

// The table as the engine applies it to runs of line bytes: byte for byte, or into UTF-8.
class BlockMap final
{
public:
    using Applied = Utf8Map::Applied;

    explicit BlockMap(const ConversionTable& table)
    {
        if (table.output() == ConversionTable::Output::Utf8)
            m_utf8.emplace(table);
        else
            m_bytes.emplace(table);
    }

    // out must hold outputCapacity(size) bytes; a byte map may write in place or ahead of in.
    Applied apply(const unsigned char* in, std::size_t size, unsigned char* out) const
    {
        if (m_utf8)
            return m_utf8->apply(in, size, out);
        return {m_bytes->apply(in, size, out), size};
    }

    // Room for the output of size input bytes, line ends included: a lone CR becomes CR LF, a byte at
    // most maxWidth bytes of UTF-8.
    std::int64_t outputCapacity(std::int64_t size) const
    {
        if (!m_utf8)
            return 2 * size;
        const int width = m_utf8->maxWidth() > 2 ? m_utf8->maxWidth() : 2;
        return width * size + static_cast<std::int64_t>(Utf8Map::kSlack);
    }

    // A byte table writes at most one byte for each byte read (line ends aside), so it can map a
    // block over itself.
    bool inPlace() const { return !m_utf8; }

    bool hasEntryFor(unsigned char code) const
    {
        return m_utf8 ? m_utf8->hasEntryFor(code) : m_bytes->hasEntryFor(code);
    }
    SimdLevel level() const { return m_utf8 ? m_utf8->level() : m_bytes->level(); }

private:
    std::optional<ByteMap> m_bytes;
    std::optional<Utf8Map> m_utf8;
};

} // namespace trelvick::convert
