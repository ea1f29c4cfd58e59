// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/bytemap.h"
#include "convert/codepage.h"
#include "convert/losscounter.h"
#include "convert/utf8decoder.h"
#include "convert/utf8map.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace trelvick::convert {

// The conversion as the engine applies it to runs of line bytes: byte for byte through a table, from
// bytes into UTF-8, or from UTF-8 into a single-byte code page.
class BlockMap final
{
public:
    struct Applied
    {
        std::int64_t changed = 0;
        Losses losses;
        std::size_t written = 0;
    };

    BlockMap(const ConversionTable& table, SimdLevel level) : m_counter(table, level)
    {
        if (table.output() == ConversionTable::Output::Utf8)
            m_utf8.emplace(table, level);
        else
            m_bytes.emplace(table, level);
        m_keepsLf = table.lookup('\n') < 0 && table.loss('\n') == ConversionTable::Loss::None;
    }
    BlockMap(const CodePage& utf8Target, SimdLevel level) : m_counter(ConversionTable(), level)
    {
        m_decoder.emplace(utf8Target, level);
        m_keepsLf = m_decoder->keepsLf();
    }

    // out must hold outputCapacity(size) bytes; a byte map may write in place or ahead of in.
    // continued: the next run follows on from this one (a UTF-8 sequence cut off at its end waits).
    Applied apply(const unsigned char* in, std::size_t size, unsigned char* out, bool continued)
    {
        if (m_decoder) {
            const Utf8Decoder::Applied decoded = m_decoder->apply(in, size, out, continued);
            return {decoded.changed, decoded.losses, decoded.written};
        }
        Applied applied;
        if (m_counter.counts())
            applied.losses = m_counter.count(in, size);
        if (m_utf8) {
            const Utf8Map::Applied written = m_utf8->apply(in, size, out);
            applied.changed = written.changed;
            applied.written = written.written;
        } else {
            applied.changed = m_bytes->apply(in, size, out);
            applied.written = size;
        }
        return applied;
    }

    // Room for the output of size input bytes, line ends included: a lone CR becomes CR LF, a byte at
    // most maxWidth bytes of UTF-8, and UTF-8 input a byte at most (and once the sequence held back).
    std::int64_t outputCapacity(std::int64_t size) const
    {
        if (m_decoder)
            return 2 * size + 1 + static_cast<std::int64_t>(Utf8Decoder::kSlack);
        if (!m_utf8)
            return 2 * size;
        return std::max(m_utf8->maxWidth(), 2) * size + static_cast<std::int64_t>(Utf8Map::kSlack);
    }

    // A byte table writes at most one byte for each byte read (line ends aside), so it can map a
    // block over itself.
    bool inPlace() const { return m_bytes.has_value(); }

    // Whether LF comes out as it went in and is counted as nothing: then a CR LF may go through the
    // map whole.
    bool keepsLf() const { return m_keepsLf; }
    SimdLevel level() const { return m_utf8 ? m_utf8->level() : m_bytes ? m_bytes->level() : m_decoder->level(); }

private:
    std::optional<ByteMap> m_bytes;
    std::optional<Utf8Map> m_utf8;
    std::optional<Utf8Decoder> m_decoder;
    LossCounter m_counter;
    bool m_keepsLf = true;
};

} // namespace trelvick::convert
