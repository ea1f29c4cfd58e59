// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/conversiontable.h"
#include "convert/simdlevel.h"
#include "convert/x86kernels.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace trelvick::convert {

struct Losses
{
    std::int64_t lost = 0;    // characters the target lacks
    std::int64_t invalid = 0; // bytes or sequences that are no text in the source code page
};

// Counts the bytes of a run whose codes the table marks as lost or invalid (ConversionTable::Loss),
// before the run is mapped (a byte map overwrites its input). CR is never counted.
class LossCounter final
{
public:
    // A level the processor lacks falls back to the plain loop.
    explicit LossCounter(const ConversionTable& table, SimdLevel level = bestSimdLevel());

    // Whether the table marks any code; a run need not be counted otherwise.
    bool counts() const { return m_counts; }
    Losses count(const unsigned char* in, std::size_t size) const;

private:
    bool m_counts = false;
    bool m_vector = false;
    std::array<std::uint64_t, 256> m_weights{}; // 1 for lost, 1 << 32 for invalid
    NibbleSet m_lost;
    NibbleSet m_invalid;
};

} // namespace trelvick::convert
