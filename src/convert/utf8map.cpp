// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/utf8map.h"

#include "convert/x86kernels.h"

#include <cstring>

namespace trelvick::convert {

namespace {

constexpr unsigned char kCR = '\r';
constexpr char32_t kReplacement = 0xFFFD;

// The UTF-8 of c, first byte lowest, and its length.
std::uint64_t encode(char32_t c)
{
    if (c < 0x80)
        return std::uint64_t(c) | std::uint64_t(1) << 32;
    if (c < 0x800)
        return (0xC0 | c >> 6) | (0x80 | (c & 0x3F)) << 8 | std::uint64_t(2) << 32;
    if (c < 0x10000)
        return (0xE0 | c >> 12) | (0x80 | (c >> 6 & 0x3F)) << 8 | (0x80 | (c & 0x3F)) << 16 | std::uint64_t(3) << 32;
    return (0xF0 | c >> 18) | (0x80 | (c >> 12 & 0x3F)) << 8 | (0x80 | (c >> 6 & 0x3F)) << 16 |
           std::uint64_t(0x80 | (c & 0x3F)) << 24 | std::uint64_t(4) << 32;
}

// Stores four bytes whatever the width and moves on by the width: no branch per byte. The caller
// leaves 3 bytes of room after the end.
Utf8Map::Applied mapScalar(const std::uint64_t* entries, const unsigned char* in, std::size_t size, unsigned char* out)
{
    unsigned char* const start = out;
    std::uint64_t count = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint64_t e = entries[in[i]];
        const auto bytes = static_cast<std::uint32_t>(e);
        std::memcpy(out, &bytes, 4);
        out += (e >> 32) & 0xFF;
        count += e >> 40;
    }
    return {static_cast<std::int64_t>(count), static_cast<std::size_t>(out - start)};
}

#ifdef TRELVICK_X86_KERNELS

bool hasVectorKernel()
{
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
           __builtin_cpu_supports("popcnt");
}

struct Table256
{
    __m512i q0, q1, q2, q3;
};

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline Table256 loadTable(const unsigned char* t)
{
    return {_mm512_load_si512(t), _mm512_load_si512(t + 64), _mm512_load_si512(t + 128), _mm512_load_si512(t + 192)};
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline __m512i lookup(const Table256& t, __m512i x)
{
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), _mm512_permutex2var_epi8(t.q0, x, t.q1),
                                  _mm512_permutex2var_epi8(t.q2, x, t.q3));
}

// 64 bytes at a time: four table lookups give byte 0, 1, 2 and 3 of every code's UTF-8, byte
// unpacking interleaves them into four bytes per code, and a compress per register keeps the bytes that
// belong to the code (byte 0 always, the others where they are not 0: UTF-8 continuation bytes never
// are). The unpacks work inside 128-bit lanes, so the input is first shuffled to make their output come
// out in file order. The tail of fewer than 64 bytes goes through the plain loop.
__attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,popcnt"))) Utf8Map::Applied
mapAvx512(const std::array<std::array<unsigned char, 256>, 4>& parts, const unsigned char* changedTable, bool fourBytes,
          const std::uint64_t* entries, const unsigned char* in, std::size_t size, unsigned char* out)
{
    // Position 16L + 4k + q takes input 16k + 4L + q: after the unpacks register k, lane L holds the
    // UTF-8 of inputs 16k + 4L ... 16k + 4L + 3.
    alignas(64) unsigned char order[64];
    for (int l = 0; l < 4; ++l)
        for (int k = 0; k < 4; ++k)
            for (int q = 0; q < 4; ++q)
                order[16 * l + 4 * k + q] = static_cast<unsigned char>(16 * k + 4 * l + q);
    const __m512i shuffle = _mm512_load_si512(order);
    const Table256 t0 = loadTable(parts[0].data());
    const Table256 t1 = loadTable(parts[1].data());
    const Table256 t2 = loadTable(parts[2].data());
    const Table256 t3 = loadTable(parts[3].data());
    const Table256 changed = loadTable(changedTable);
    constexpr __mmask64 kFirstBytes = 0x1111111111111111ULL;

    unsigned char* const start = out;
    std::uint64_t count = 0;
    std::size_t i = 0;
    for (; i + 64 <= size; i += 64) {
        const __m512i x = _mm512_loadu_si512(in + i);
        count += static_cast<std::uint64_t>(_mm_popcnt_u64(_mm512_movepi8_mask(lookup(changed, x))));
        // The zero-masking form: GCC 12 warns that the plain one reads an undefined register.
        const __m512i y = _mm512_maskz_permutexvar_epi8(~__mmask64(0), shuffle, x);
        const __m512i b0 = lookup(t0, y);
        const __m512i b1 = lookup(t1, y);
        const __m512i b2 = lookup(t2, y);
        const __m512i b3 = fourBytes ? lookup(t3, y) : _mm512_setzero_si512();
        const __m512i lo01 = _mm512_unpacklo_epi8(b0, b1);
        const __m512i hi01 = _mm512_unpackhi_epi8(b0, b1);
        const __m512i lo23 = _mm512_unpacklo_epi8(b2, b3);
        const __m512i hi23 = _mm512_unpackhi_epi8(b2, b3);
        const __m512i quads[4] = {_mm512_unpacklo_epi16(lo01, lo23), _mm512_unpackhi_epi16(lo01, lo23),
                                  _mm512_unpacklo_epi16(hi01, hi23), _mm512_unpackhi_epi16(hi01, hi23)};
        for (const __m512i& q : quads) {
            const __mmask64 keep = _mm512_test_epi8_mask(q, q) | kFirstBytes;
            // A compress into a register and a whole store: storing under the mask is far slower on some
            // processors.
            _mm512_storeu_si512(out, _mm512_maskz_compress_epi8(keep, q));
            out += _mm_popcnt_u64(keep);
        }
    }
    const Utf8Map::Applied tail = mapScalar(entries, in + i, size - i, out);
    return {static_cast<std::int64_t>(count) + tail.changed, static_cast<std::size_t>(out - start) + tail.written};
}

#else

bool hasVectorKernel()
{
    return false;
}

#endif

} // namespace

Utf8Map::Utf8Map(const ConversionTable& table, SimdLevel level) : m_level(isSupported(level) ? level : SimdLevel::None)
{
    m_vector = m_level == SimdLevel::Avx512Vbmi && hasVectorKernel();
    for (int code = 0; code <= 255; ++code) {
        const int target = code == kCR ? -1 : table.lookup(static_cast<std::uint8_t>(code));
        const char32_t c = target >= 0 ? char32_t(target) : code < 0x80 ? char32_t(code) : kReplacement;
        const std::uint64_t utf8 = encode(c);
        const int width = static_cast<int>(utf8 >> 32);
        m_entries[code] = utf8 | (target >= 0 ? std::uint64_t(1) << 40 : 0);
        m_changed[code] = target >= 0 ? 0x80 : 0;
        for (int j = 0; j < 4; ++j)
            m_parts[j][code] = static_cast<unsigned char>(utf8 >> (8 * j));
        m_maxWidth = width > m_maxWidth ? width : m_maxWidth;
    }
}

Utf8Map::Applied Utf8Map::apply(const unsigned char* in, std::size_t size, unsigned char* out) const
{
#ifdef TRELVICK_X86_KERNELS
    if (m_vector)
        return mapAvx512(m_parts, m_changed.data(), m_maxWidth == 4, m_entries.data(), in, size, out);
#endif
    return mapScalar(m_entries.data(), in, size, out);
}

} // namespace trelvick::convert
