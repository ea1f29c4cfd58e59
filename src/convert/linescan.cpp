// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/linescan.h"

#include "convert/x86kernels.h"

#include <cstring>

namespace trelvick::convert {

namespace {

constexpr unsigned char kCR = '\r';
constexpr unsigned char kLF = '\n';

const unsigned char* findLoneCrPlain(const unsigned char* p, const unsigned char* end)
{
    while (p < end) {
        const auto* cr = static_cast<const unsigned char*>(std::memchr(p, kCR, static_cast<std::size_t>(end - p)));
        if (!cr)
            return end;
        if (cr + 1 == end || cr[1] != kLF)
            return cr;
        p = cr + 2;
    }
    return end;
}

const unsigned char* findUnpairedLineEndPlain(const unsigned char* p, const unsigned char* end)
{
    for (; p < end; ++p) {
        if (*p == kLF)
            return p; // the LF of a pair was stepped over with its CR
        if (*p == kCR) {
            if (p + 1 == end || p[1] != kLF)
                return p;
            ++p;
        }
    }
    return end;
}

#ifdef TRELVICK_X86_KERNELS

// Each step compares the bytes at p and at p + 1, so it stops one byte short of a full step.
__attribute__((target("avx2"))) const unsigned char* findLoneCrAvx2(const unsigned char* p, const unsigned char* end)
{
    const __m256i cr = _mm256_set1_epi8(static_cast<char>(kCR));
    const __m256i lf = _mm256_set1_epi8(static_cast<char>(kLF));
    for (; end - p > 32; p += 32) {
        const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
        const auto lone = static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_andnot_si256(_mm256_cmpeq_epi8(next, lf), _mm256_cmpeq_epi8(here, cr))));
        if (lone != 0)
            return p + __builtin_ctz(lone);
    }
    return findLoneCrPlain(p, end);
}

__attribute__((target("avx512f,avx512bw"))) const unsigned char* findLoneCrAvx512(const unsigned char* p,
                                                                                  const unsigned char* end)
{
    const __m512i cr = _mm512_set1_epi8(static_cast<char>(kCR));
    const __m512i lf = _mm512_set1_epi8(static_cast<char>(kLF));
    for (; end - p > 64; p += 64) {
        const __m512i here = _mm512_loadu_si512(p);
        const __m512i next = _mm512_loadu_si512(p + 1);
        const __mmask64 lone = _mm512_cmpeq_epi8_mask(here, cr) & ~_mm512_cmpeq_epi8_mask(next, lf);
        if (lone != 0)
            return p + __builtin_ctzll(lone);
    }
    return findLoneCrPlain(p, end);
}

// Where the plain loop goes on after a vector step: past the LF of a pair whose CR ended the step.
const unsigned char* afterPair(const unsigned char* p, const unsigned char* end)
{
    return p < end && *p == kLF && p[-1] == kCR ? p + 1 : p;
}

// The first byte is looked at alone: the byte before it is not the caller's to read. Each step then
// compares the bytes at p with those at p - 1 and p + 1.
__attribute__((target("avx2"))) const unsigned char* findUnpairedLineEndAvx2(const unsigned char* p,
                                                                             const unsigned char* end)
{
    if (p == end || *p == kLF || (*p == kCR && (p + 1 == end || p[1] != kLF)))
        return p;
    const __m256i cr = _mm256_set1_epi8(static_cast<char>(kCR));
    const __m256i lf = _mm256_set1_epi8(static_cast<char>(kLF));
    for (++p; end - p > 32; p += 32) {
        const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
        const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p - 1));
        const __m256i loneCr = _mm256_andnot_si256(_mm256_cmpeq_epi8(next, lf), _mm256_cmpeq_epi8(here, cr));
        const __m256i loneLf = _mm256_andnot_si256(_mm256_cmpeq_epi8(before, cr), _mm256_cmpeq_epi8(here, lf));
        const auto found = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_or_si256(loneCr, loneLf)));
        if (found != 0)
            return p + __builtin_ctz(found);
    }
    return findUnpairedLineEndPlain(afterPair(p, end), end);
}

__attribute__((target("avx512f,avx512bw"))) const unsigned char* findUnpairedLineEndAvx512(const unsigned char* p,
                                                                                           const unsigned char* end)
{
    if (p == end || *p == kLF || (*p == kCR && (p + 1 == end || p[1] != kLF)))
        return p;
    const __m512i cr = _mm512_set1_epi8(static_cast<char>(kCR));
    const __m512i lf = _mm512_set1_epi8(static_cast<char>(kLF));
    for (++p; end - p > 64; p += 64) {
        const __m512i here = _mm512_loadu_si512(p);
        const __mmask64 loneCr =
            _mm512_cmpeq_epi8_mask(here, cr) & ~_mm512_cmpeq_epi8_mask(_mm512_loadu_si512(p + 1), lf);
        const __mmask64 loneLf =
            _mm512_cmpeq_epi8_mask(here, lf) & ~_mm512_cmpeq_epi8_mask(_mm512_loadu_si512(p - 1), cr);
        if (const __mmask64 found = loneCr | loneLf; found != 0)
            return p + __builtin_ctzll(found);
    }
    return findUnpairedLineEndPlain(afterPair(p, end), end);
}

#endif

} // namespace

const unsigned char* findUnpairedLineEnd(const unsigned char* begin, const unsigned char* end, SimdLevel level)
{
    switch (level) {
#ifdef TRELVICK_X86_KERNELS
    case SimdLevel::Avx2:
        return findUnpairedLineEndAvx2(begin, end);
    case SimdLevel::Avx512Vbmi:
        return findUnpairedLineEndAvx512(begin, end);
#endif
    default:
        return findUnpairedLineEndPlain(begin, end);
    }
}

const unsigned char* findLoneCr(const unsigned char* begin, const unsigned char* end, SimdLevel level)
{
    switch (level) {
#ifdef TRELVICK_X86_KERNELS
    case SimdLevel::Avx2:
        return findLoneCrAvx2(begin, end);
    case SimdLevel::Avx512Vbmi:
        return findLoneCrAvx512(begin, end);
#endif
    default:
        return findLoneCrPlain(begin, end);
    }
}

} // namespace trelvick::convert
