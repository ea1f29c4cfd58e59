// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/utf8map.h"

#include <cstring>

namespace trelvick::convert {

namespace {

constexpr unsigned char kCR = '\r';
constexpr char32_t kReplacement = 0xFFFD;
constexpr int kWidthShift = 32;
constexpr int kChangedShift = 48;
constexpr int kPairChangedShift = 48;
// The pair table costs about as much to fill as 256 KiB of input take to convert.
constexpr std::size_t kPairsFrom = 1 << 20;

// The UTF-8 of c, first byte lowest, and its length.
std::uint64_t encode(char32_t c)
{
    if (c < 0x80)
        return std::uint64_t(c) | std::uint64_t(1) << kWidthShift;
    if (c < 0x800)
        return (0xC0 | c >> 6) | (0x80 | (c & 0x3F)) << 8 | std::uint64_t(2) << kWidthShift;
    if (c < 0x10000)
        return (0xE0 | c >> 12) | (0x80 | (c >> 6 & 0x3F)) << 8 | (0x80 | (c & 0x3F)) << 16 |
               std::uint64_t(3) << kWidthShift;
    return (0xF0 | c >> 18) | (0x80 | (c >> 12 & 0x3F)) << 8 | (0x80 | (c >> 6 & 0x3F)) << 16 |
           std::uint64_t(0x80 | (c & 0x3F)) << 24 | std::uint64_t(4) << kWidthShift;
}

// Two codes at a time: their UTF-8 joined in one 64-bit word (at most 8 bytes, so the second lands
// whole) and stored at once, then the output moves on by both widths. No branch per byte; the caller
// leaves 7 bytes of room after the end.
Utf8Map::Applied mapScalar(const std::uint64_t* entries, const unsigned char* in, std::size_t size, unsigned char* out)
{
    unsigned char* const start = out;
    std::uint64_t count = 0;
    std::size_t i = 0;
    for (; i + 2 <= size; i += 2) {
        const std::uint64_t a = entries[in[i]];
        const std::uint64_t b = entries[in[i + 1]];
        const unsigned widthA = static_cast<std::uint8_t>(a >> kWidthShift);
        const std::uint64_t joined = static_cast<std::uint32_t>(a) | std::uint64_t(static_cast<std::uint32_t>(b))
                                                                         << (8 * widthA);
        std::memcpy(out, &joined, 8);
        out += widthA + static_cast<std::uint8_t>(b >> kWidthShift);
        count += (a >> kChangedShift) + (b >> kChangedShift);
    }
    if (i < size) {
        const std::uint64_t a = entries[in[i]];
        const auto bytes = static_cast<std::uint32_t>(a);
        std::memcpy(out, &bytes, 4);
        out += static_cast<std::uint8_t>(a >> kWidthShift);
        count += a >> kChangedShift;
    }
    return {static_cast<std::int64_t>(count), static_cast<std::size_t>(out - start)};
}

// Two codes at a time through a table of every pair of bytes (first byte lowest in the index): their
// UTF-8 joined in bytes 0..5, how many of the two have an entry in byte 6 and the joined width in byte
// 7. One load and one store for two codes, against the plain loop's two loads and the joining. The
// sum of bytes 6 and 7 as one number, changed + 256 * width, tells both counts at the end.
Utf8Map::Applied mapPairs(const std::uint64_t* pairs, const std::uint64_t* entries, const unsigned char* in,
                          std::size_t size, unsigned char* out)
{
    unsigned char* const start = out;
    std::uint64_t sum = 0;
    std::size_t i = 0;
    for (; i + 4 <= size; i += 4) {
        std::uint32_t four;
        std::memcpy(&four, in + i, 4);
        const std::uint64_t first = pairs[four & 0xFFFF];
        const std::uint64_t second = pairs[four >> 16];
        std::memcpy(out, &first, 8);
        out += first >> (kPairChangedShift + 8);
        std::memcpy(out, &second, 8);
        out += second >> (kPairChangedShift + 8);
        sum += (first >> kPairChangedShift) + (second >> kPairChangedShift);
    }
    if (i + 2 <= size) {
        const std::uint64_t pair = pairs[in[i] | in[i + 1] << 8];
        std::memcpy(out, &pair, 8);
        out += pair >> (kPairChangedShift + 8);
        sum += pair >> kPairChangedShift;
        i += 2;
    }
    const auto written = static_cast<std::size_t>(out - start);
    const Utf8Map::Applied tail = mapScalar(entries, in + i, size - i, out);
    return {static_cast<std::int64_t>(sum - 256 * written) + tail.changed, written + tail.written};
}

#ifdef TRELVICK_X86_KERNELS

bool hasVbmi2Kernel()
{
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
           __builtin_cpu_supports("popcnt");
}

// For each mask of 8 codes (bit k: code k writes two bytes), the byte shuffle that packs the pairs
// (first byte, second byte) of the 8 codes into their UTF-8, and the length of that.
struct PairPacking
{
    alignas(16) std::array<std::array<unsigned char, 16>, 256> shuffles{};
    std::array<unsigned char, 256> lengths{};

    constexpr PairPacking()
    {
        for (int mask = 0; mask < 256; ++mask) {
            int at = 0;
            for (int k = 0; k < 8; ++k) {
                shuffles[mask][at++] = static_cast<unsigned char>(2 * k);
                if (mask >> k & 1)
                    shuffles[mask][at++] = static_cast<unsigned char>(2 * k + 1);
            }
            lengths[mask] = static_cast<unsigned char>(at);
            for (; at < 16; ++at)
                shuffles[mask][at] = 0x80;
        }
    }
};
constexpr PairPacking kPairPacking;

__attribute__((target("avx2"))) inline unsigned char* storePacked(unsigned char* out, __m128i pairs, unsigned mask)
{
    const __m128i shuffle = _mm_load_si128(reinterpret_cast<const __m128i*>(kPairPacking.shuffles[mask].data()));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(pairs, shuffle));
    return out + kPairPacking.lengths[mask];
}

// 32 codes at a time, for tables that leave the codes below 128 as they are: the first and second
// byte of each code's UTF-8 come from two 128-entry lookups, byte unpacking pairs them, and a shuffle
// per 8 codes drops the second bytes that are 0 (UTF-8 continuation bytes never are). A piece with a
// code of three or four bytes goes through the plain loop, as does the tail.
__attribute__((target("avx2,popcnt"))) Utf8Map::Applied
mapAvx2(const ShuffleRows& firstBytes, const ShuffleRows& secondBytes, const NibbleSet& changedSet, bool highChanged,
        const std::uint64_t* entries, const unsigned char* in, std::size_t size, unsigned char* out)
{
    __m256i first[8];
    __m256i second[8];
    loadShuffleRows(firstBytes, first);
    loadShuffleRows(secondBytes, second);
    const NibbleSetAvx2 changed = loadNibbleSet(changedSet);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i top = _mm256_set1_epi8(-128);
    const __m256i threeByteLead = _mm256_set1_epi8(static_cast<char>(0xE0));

    unsigned char* const start = out;
    std::uint64_t count = 0;
    std::size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
        const __m256i high = _mm256_xor_si256(x, top);
        // Codes below 128 are themselves, one byte long.
        const __m256i b0 = _mm256_blendv_epi8(x, lookup128(high, first), x);
        const __m256i b1 = _mm256_blendv_epi8(zero, lookup128(high, second), x);
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_max_epu8(b0, threeByteLead), b0)) != 0) {
            const Utf8Map::Applied wide = mapScalar(entries, in + i, 32, out);
            count += static_cast<std::uint64_t>(wide.changed);
            out += wide.written;
            continue;
        }
        count += static_cast<unsigned>(
            _mm_popcnt_u32(highChanged ? static_cast<unsigned>(_mm256_movemask_epi8(x)) : inSet(x, changed)));
        const auto two = ~static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(b1, zero)));
        // Per 128-bit lane: low holds codes 0-7 and 16-23, high codes 8-15 and 24-31.
        const __m256i low = _mm256_unpacklo_epi8(b0, b1);
        const __m256i highPairs = _mm256_unpackhi_epi8(b0, b1);
        out = storePacked(out, _mm256_castsi256_si128(low), two & 0xFF);
        out = storePacked(out, _mm256_castsi256_si128(highPairs), two >> 8 & 0xFF);
        out = storePacked(out, _mm256_extracti128_si256(low, 1), two >> 16 & 0xFF);
        out = storePacked(out, _mm256_extracti128_si256(highPairs, 1), two >> 24);
    }
    const Utf8Map::Applied tail = mapScalar(entries, in + i, size - i, out);
    return {static_cast<std::int64_t>(count) + tail.changed, static_cast<std::size_t>(out - start) + tail.written};
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

bool hasVbmi2Kernel()
{
    return false;
}

#endif

} // namespace

Utf8Map::Utf8Map(const ConversionTable& table, SimdLevel level) : m_level(isSupported(level) ? level : SimdLevel::None)
{
    bool lowStaysItself = true;
    m_highChanged = true;
    for (int code = 0; code <= 255; ++code) {
        const int target = code == kCR ? -1 : table.lookup(static_cast<std::uint8_t>(code));
        const char32_t c = target >= 0 ? char32_t(target) : code < 0x80 ? char32_t(code) : kReplacement;
        const std::uint64_t utf8 = encode(c);
        const int width = static_cast<int>(utf8 >> kWidthShift);
        m_entries[code] = utf8 | (target >= 0 ? std::uint64_t(1) << kChangedShift : 0);
        m_changed[code] = target >= 0 ? 0x80 : 0;
        for (int j = 0; j < 4; ++j)
            m_parts[j][code] = static_cast<unsigned char>(utf8 >> (8 * j));
        m_maxWidth = width > m_maxWidth ? width : m_maxWidth;
        lowStaysItself = lowStaysItself && (code >= 0x80 || c == char32_t(code));
        if (target >= 0)
            m_changedSet.add(code);
        m_highChanged = m_highChanged && (target >= 0) == (code >= 0x80);
    }
    m_firstBytes = ShuffleRows(m_parts[0].data() + 128);
    m_secondBytes = ShuffleRows(m_parts[1].data() + 128);
    if (m_level == SimdLevel::Avx512Vbmi && hasVbmi2Kernel())
        m_kernel = Kernel::Avx512Vbmi2;
    else if (m_level != SimdLevel::None && lowStaysItself)
        m_kernel = Kernel::Avx2; // every processor with AVX-512 has AVX2
}

void Utf8Map::fillPairs()
{
    m_pairs = std::make_unique<std::uint64_t[]>(256 * 256);
    for (int second = 0; second < 256; ++second) {
        const std::uint64_t b = m_entries[second];
        for (int first = 0; first < 256; ++first) {
            const std::uint64_t a = m_entries[first];
            const unsigned widthA = static_cast<std::uint8_t>(a >> kWidthShift);
            const std::uint64_t width = widthA + static_cast<std::uint8_t>(b >> kWidthShift);
            const std::uint64_t changed = (a >> kChangedShift) + (b >> kChangedShift);
            m_pairs[first | second << 8] = static_cast<std::uint32_t>(a) |
                                           std::uint64_t(static_cast<std::uint32_t>(b)) << (8 * widthA) |
                                           changed << kPairChangedShift | width << (kPairChangedShift + 8);
        }
    }
}

Utf8Map::Applied Utf8Map::apply(const unsigned char* in, std::size_t size, unsigned char* out)
{
    if (m_kernel == Kernel::Plain && m_maxWidth <= 3) {
        if (!m_pairs && (m_seen += size) >= kPairsFrom)
            fillPairs();
        if (m_pairs)
            return mapPairs(m_pairs.get(), m_entries.data(), in, size, out);
    }
    switch (m_kernel) {
#ifdef TRELVICK_X86_KERNELS
    case Kernel::Avx2:
        return mapAvx2(m_firstBytes, m_secondBytes, m_changedSet, m_highChanged, m_entries.data(), in, size, out);
    case Kernel::Avx512Vbmi2:
        return mapAvx512(m_parts, m_changed.data(), m_maxWidth == 4, m_entries.data(), in, size, out);
#endif
    default:
        return mapScalar(m_entries.data(), in, size, out);
    }
}

} // namespace trelvick::convert
