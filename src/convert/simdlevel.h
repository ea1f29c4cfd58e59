// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace trelvick::convert {

// Which vector instructions the byte loops of the engine use, picked at run time from what the
// processor offers. A plain loop over a 256-byte table costs more than reading and writing the file
// together; tests run every level the machine has.
enum class SimdLevel
{
    None,
    Avx2,
    Avx512Vbmi, // with AVX-512 F and BW
};

bool isSupported(SimdLevel level);
SimdLevel bestSimdLevel();

} // namespace trelvick::convert
