// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

// The vector kernels are written with the x86 intrinsics of GCC and Clang; elsewhere only the plain
// loops are built, and the run-time choice never picks a kernel that is not there.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TRELVICK_X86_KERNELS 1
#include <immintrin.h>
#endif

namespace trelvick::convert {

// A set of codes 0..255 as two rows of 16 bytes, one for the codes below 128 and one for the rest:
// bit k of byte n says whether code 16k + n (or 128 + 16k + n) is in the set. Two byte shuffles and
// a third for the bit answer for 32 codes at once.
struct NibbleSet
{
    alignas(16) std::array<unsigned char, 16> low{};
    alignas(16) std::array<unsigned char, 16> high{};

    void add(int code) { (code < 128 ? low : high)[code & 15] |= static_cast<unsigned char>(1 << ((code >> 4) & 7)); }
};

// A table of 128 byte entries as eight rows for byte shuffles: row k holds entries 16k..16k+15,
// XOR-ed with row k - 1 (see lookup128).
struct ShuffleRows
{
    alignas(16) std::array<std::array<unsigned char, 16>, 8> rows{};

    ShuffleRows() = default;
    explicit ShuffleRows(const unsigned char* entries)
    {
        for (int k = 0; k < 8; ++k)
            for (int n = 0; n < 16; ++n)
                rows[k][n] = k == 0 ? entries[n] : entries[16 * k + n] ^ entries[16 * (k - 1) + n];
    }
};

#ifdef TRELVICK_X86_KERNELS

__attribute__((target("avx2"))) inline void loadShuffleRows(const ShuffleRows& table, __m256i* rows)
{
    for (int k = 0; k < 8; ++k)
        rows[k] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(table.rows[k].data())));
}

// Entry i of the table for each byte i of index below 128; anything for the others. Step k shuffles
// with i - 16k, which picks from row k while k is at most i's high nibble and picks 0 (top bit set)
// after that, so the XOR of the steps telescopes to the entry itself.
__attribute__((target("avx2"))) inline __m256i lookup128(__m256i index, const __m256i* rows)
{
    __m256i result = _mm256_shuffle_epi8(rows[0], index);
#pragma GCC unroll 8
    for (int k = 1; k < 8; ++k) {
        index = _mm256_sub_epi8(index, _mm256_set1_epi8(16));
        result = _mm256_xor_si256(result, _mm256_shuffle_epi8(rows[k], index));
    }
    return result;
}

struct NibbleSetAvx2
{
    __m256i low, high;
};

__attribute__((target("avx2"))) inline NibbleSetAvx2 loadNibbleSet(const NibbleSet& set)
{
    return {_mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(set.low.data()))),
            _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(set.high.data())))};
}

// A mask of the bytes of x that are in the set.
__attribute__((target("avx2"))) inline unsigned inSet(__m256i x, const NibbleSetAvx2& set)
{
    // A shuffle picks 0 where the index has its top bit set: each row answers for its own half.
    const __m256i bits = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128, //
                                          1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
    const __m256i row = _mm256_or_si256(_mm256_shuffle_epi8(set.low, x),
                                        _mm256_shuffle_epi8(set.high, _mm256_xor_si256(x, _mm256_set1_epi8(-128))));
    const __m256i highNibble = _mm256_and_si256(_mm256_srli_epi16(x, 4), _mm256_set1_epi8(0x0F));
    const __m256i hit = _mm256_and_si256(row, _mm256_shuffle_epi8(bits, highNibble));
    return ~static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(hit, _mm256_setzero_si256())));
}

#endif

} // namespace trelvick::convert
