// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/bytemap.h"

#include "convert/x86kernels.h"

namespace trelvick::convert {

namespace {

constexpr unsigned char kCR = '\r';

// The vector kernels below count "changed" as the bytes they altered plus the bytes whose entry maps
// them to themselves: that second set is usually empty and then costs nothing.

#if defined(__GNUC__) && !defined(__clang__)
// GCC would vectorise this loop into scalar table loads glued into vectors: about twice as slow.
__attribute__((optimize("no-tree-vectorize")))
#endif
std::int64_t
mapScalar(const unsigned char* bytes, const unsigned char* changed, const unsigned char* in, std::size_t size,
          unsigned char* out)
{
    std::uint64_t count = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char c = in[i];
        out[i] = bytes[c];
        count += changed[c];
    }
    return static_cast<std::int64_t>(count);
}

#ifdef TRELVICK_X86_KERNELS

// A 256-entry table lookup from 16-entry byte shuffles. rows[k] holds codes 16k..16k+15, XOR-ed
// with rows[k - 1]. Step k shuffles with index x - 16k, which lies in 0..127 (picks from row k) while
// k is at most the code's high nibble and has its top bit set (picks 0) after that, so the XOR of all
// steps telescopes to the code's own row. Codes 128..255 go the same way with the top bit flipped.
__attribute__((target("avx2"))) inline __m256i lookupAvx2(__m256i x, const __m256i* rows)
{
    const __m256i sixteen = _mm256_set1_epi8(16);
    __m256i low = x;
    __m256i high = _mm256_xor_si256(x, _mm256_set1_epi8(static_cast<char>(0x80)));
    __m256i fromLow = _mm256_shuffle_epi8(rows[0], low);
    __m256i fromHigh = _mm256_shuffle_epi8(rows[8], high);
    for (int k = 1; k < 8; ++k) {
        low = _mm256_sub_epi8(low, sixteen);
        high = _mm256_sub_epi8(high, sixteen);
        fromLow = _mm256_xor_si256(fromLow, _mm256_shuffle_epi8(rows[k], low));
        fromHigh = _mm256_xor_si256(fromHigh, _mm256_shuffle_epi8(rows[8 + k], high));
    }
    return _mm256_blendv_epi8(fromLow, fromHigh, x);
}

__attribute__((target("avx2,popcnt"))) std::int64_t
mapAvx2(const std::array<std::array<unsigned char, 16>, 16>& byteRows,
        const std::array<std::array<unsigned char, 16>, 16>& selfRows, bool countSelf, const unsigned char* bytes,
        const unsigned char* changed, const unsigned char* in, std::size_t size, unsigned char* out)
{
    __m256i rows[16];
    __m256i self[16];
    for (int k = 0; k < 16; ++k) {
        rows[k] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(byteRows[k].data())));
        self[k] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(selfRows[k].data())));
    }
    std::uint64_t count = 0;
    std::size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
        const __m256i mapped = lookupAvx2(x, rows);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), mapped);
        const auto same = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(mapped, x)));
        count += static_cast<unsigned>(_mm_popcnt_u32(~same));
        if (countSelf)
            count += static_cast<unsigned>(
                _mm_popcnt_u32(static_cast<std::uint32_t>(_mm256_movemask_epi8(lookupAvx2(x, self)))));
    }
    return static_cast<std::int64_t>(count) + mapScalar(bytes, changed, in + i, size - i, out + i);
}

__attribute__((target("avx512f,avx512bw,avx512vbmi,popcnt"))) std::int64_t
mapAvx512Vbmi(const unsigned char* bytes, const unsigned char* selfTable, bool countSelf, const unsigned char* in,
              std::size_t size, unsigned char* out)
{
    const __m512i b0 = _mm512_load_si512(bytes);
    const __m512i b1 = _mm512_load_si512(bytes + 64);
    const __m512i b2 = _mm512_load_si512(bytes + 128);
    const __m512i b3 = _mm512_load_si512(bytes + 192);
    const __m512i s0 = _mm512_load_si512(selfTable);
    const __m512i s1 = _mm512_load_si512(selfTable + 64);
    const __m512i s2 = _mm512_load_si512(selfTable + 128);
    const __m512i s3 = _mm512_load_si512(selfTable + 192);
    std::uint64_t count = 0;
    for (std::size_t i = 0; i < size; i += 64) {
        // The last piece is loaded and stored under a mask, so there is no separate tail loop.
        const __mmask64 live = size - i >= 64 ? ~__mmask64(0) : (__mmask64(1) << (size - i)) - 1;
        const __m512i x = _mm512_maskz_loadu_epi8(live, in + i);
        const __mmask64 high = _mm512_movepi8_mask(x);
        const __m512i mapped =
            _mm512_mask_blend_epi8(high, _mm512_permutex2var_epi8(b0, x, b1), _mm512_permutex2var_epi8(b2, x, b3));
        _mm512_mask_storeu_epi8(out + i, live, mapped);
        // Bytes past the end load as 0 and map to the entry of 0: only live lanes may count.
        count += static_cast<std::uint64_t>(_mm_popcnt_u64(_mm512_mask_cmpneq_epi8_mask(live, mapped, x)));
        if (countSelf) {
            const __m512i self =
                _mm512_mask_blend_epi8(high, _mm512_permutex2var_epi8(s0, x, s1), _mm512_permutex2var_epi8(s2, x, s3));
            count += static_cast<std::uint64_t>(_mm_popcnt_u64(_mm512_movepi8_mask(self) & live));
        }
    }
    return static_cast<std::int64_t>(count);
}

#endif

} // namespace

ByteMap::ByteMap(const ConversionTable& table, SimdLevel level) : m_level(isSupported(level) ? level : SimdLevel::None)
{
    for (int code = 0; code <= 255; ++code) {
        const int target = code == kCR ? -1 : table.lookup(static_cast<std::uint8_t>(code));
        m_bytes[code] = static_cast<unsigned char>(target >= 0 ? target : code);
        m_changed[code] = target >= 0 ? 1 : 0;
        m_self[code] = target == code ? 0xFF : 0;
        m_hasSelfEntries = m_hasSelfEntries || target == code;
    }
    for (int row = 0; row < 16; ++row) {
        for (int low = 0; low < 16; ++low) {
            const int code = row * 16 + low;
            const bool firstOfItsHalf = row % 8 == 0;
            m_byteRows[row][low] = firstOfItsHalf ? m_bytes[code] : m_bytes[code] ^ m_bytes[code - 16];
            m_selfRows[row][low] = firstOfItsHalf ? m_self[code] : m_self[code] ^ m_self[code - 16];
        }
    }
}

std::int64_t ByteMap::apply(const unsigned char* in, std::size_t size, unsigned char* out) const
{
    switch (m_level) {
#ifdef TRELVICK_X86_KERNELS
    case SimdLevel::Avx2:
        return mapAvx2(m_byteRows, m_selfRows, m_hasSelfEntries, m_bytes.data(), m_changed.data(), in, size, out);
    case SimdLevel::Avx512Vbmi:
        return mapAvx512Vbmi(m_bytes.data(), m_self.data(), m_hasSelfEntries, in, size, out);
#endif
    default:
        return mapScalar(m_bytes.data(), m_changed.data(), in, size, out);
    }
}

} // namespace trelvick::convert
