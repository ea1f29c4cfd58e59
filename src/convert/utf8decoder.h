// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/codepage.h"
#include "convert/losscounter.h"
#include "convert/simdlevel.h"
#include "convert/x86kernels.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace trelvick::convert {

// UTF-8 written into a single-byte code page, for runs of line bytes in bulk. Each character the code
// page has becomes its byte; a character it lacks becomes '?' (lost), and so does each invalid
// sequence (invalid): a byte that starts no sequence, or the longest start of a sequence that breaks
// off. Surrogates, overlong forms and values above U+10FFFF are invalid. For example "a\xCE\x91\xCE"
// followed by "b" gives "a", the byte of Α, then '?' for the broken sequence and "b".
// CR is always written as byte 13: it never goes through the table.
class Utf8Decoder final
{
public:
    // Room that apply may write past its last byte: the vector kernel stores whole registers.
    static constexpr std::size_t kSlack = 32;

    struct Applied
    {
        std::int64_t changed = 0; // characters of two bytes or more, and those written as another byte
        Losses losses;
        std::size_t written = 0;
    };

    // A level the processor lacks falls back to the plain loop.
    explicit Utf8Decoder(const CodePage& target, SimdLevel level = bestSimdLevel());

    // Writes the code page bytes of [in, in + size) to out, which must hold size + 1 + kSlack bytes
    // and must not overlap in. continued: the next call goes on where this run ends, so a sequence
    // cut off at its end waits for it; otherwise the start of such a sequence is invalid. A call
    // without bytes and not continued ends a sequence left waiting.
    Applied apply(const unsigned char* in, std::size_t size, unsigned char* out, bool continued);

    // Whether LF is written as byte 10, the way it was read.
    bool keepsLf() const { return m_low['\n'] == '\n'; }
    SimdLevel level() const { return m_level; }

private:
    struct State;
    std::uint16_t valueOf(char32_t c) const;
    void decodePlain(State& state, const unsigned char* limit, bool continued);
    void decodeAvx2(State& state, bool continued);

    SimdLevel m_level;
    bool m_vector = false;
    const CodePage m_target;
    std::uint16_t m_substitute; // '?' in the code page, lost
    // The byte of each code point below U+0800, with the flags of valueOf; above, up to U+FFFF, in
    // pages of 256 (page 0: none of them in the code page).
    std::array<std::uint16_t, 0x800> m_low{};
    std::array<std::uint16_t, 256> m_pageOf{};
    std::vector<std::array<std::uint16_t, 256>> m_pages;
    // For the AVX2 kernel: the 128 code points whose UTF-8 starts with m_windowLead or the lead byte
    // after it (the block where the code page has most of its letters), their bytes and which are lost.
    unsigned char m_windowLead = 0xCE;
    ShuffleRows m_window;
    NibbleSet m_windowLost;
    bool m_substituteOnlyForLost = true; // no character of the window is written as the '?' byte
    // A sequence cut off at the end of the last run.
    std::array<unsigned char, 4> m_pending{};
    std::size_t m_pendingSize = 0;
};

} // namespace trelvick::convert
