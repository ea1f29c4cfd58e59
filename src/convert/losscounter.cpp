// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/losscounter.h"

#include <algorithm>

namespace trelvick::convert {

namespace {

constexpr unsigned char kCR = '\r';
constexpr int kInvalidShift = 32;
// Each count has 32 bits in the sum: pieces stay well below that.
constexpr std::size_t kPiece = std::size_t(1) << 30;

Losses countPlain(const std::uint64_t* weights, const unsigned char* in, std::size_t size)
{
    Losses losses;
    while (size > 0) {
        const std::size_t piece = std::min(size, kPiece);
        std::uint64_t sum = 0;
        for (std::size_t i = 0; i < piece; ++i)
            sum += weights[in[i]];
        losses.lost += static_cast<std::int64_t>(sum & 0xFFFFFFFF);
        losses.invalid += static_cast<std::int64_t>(sum >> kInvalidShift);
        in += piece;
        size -= piece;
    }
    return losses;
}

#ifdef TRELVICK_X86_KERNELS

__attribute__((target("avx2,popcnt"))) Losses countAvx2(const NibbleSet& lostSet, const NibbleSet& invalidSet,
                                                        const std::uint64_t* weights, const unsigned char* in,
                                                        std::size_t size)
{
    const NibbleSetAvx2 lost = loadNibbleSet(lostSet);
    const NibbleSetAvx2 invalid = loadNibbleSet(invalidSet);
    Losses losses;
    std::size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
        losses.lost += _mm_popcnt_u32(inSet(x, lost));
        losses.invalid += _mm_popcnt_u32(inSet(x, invalid));
    }
    const Losses tail = countPlain(weights, in + i, size - i);
    return {losses.lost + tail.lost, losses.invalid + tail.invalid};
}

#endif

} // namespace

LossCounter::LossCounter(const ConversionTable& table, SimdLevel level)
    : m_vector(isSupported(level) && level != SimdLevel::None)
{
    for (int code = 0; code <= 255; ++code) {
        const ConversionTable::Loss loss =
            code == kCR ? ConversionTable::Loss::None : table.loss(static_cast<std::uint8_t>(code));
        if (loss == ConversionTable::Loss::Lost) {
            m_weights[code] = 1;
            m_lost.add(code);
        } else if (loss == ConversionTable::Loss::Invalid) {
            m_weights[code] = std::uint64_t(1) << kInvalidShift;
            m_invalid.add(code);
        }
        m_counts = m_counts || loss != ConversionTable::Loss::None;
    }
}

Losses LossCounter::count(const unsigned char* in, std::size_t size) const
{
#ifdef TRELVICK_X86_KERNELS
    if (m_vector)
        return countAvx2(m_lost, m_invalid, m_weights.data(), in, size);
#endif
    return countPlain(m_weights.data(), in, size);
}

} // namespace trelvick::convert
