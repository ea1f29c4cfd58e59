// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/simdlevel.h"

#include <initializer_list>

namespace trelvick::convert {

bool isSupported(SimdLevel level)
{
    switch (level) {
    case SimdLevel::None:
        return true;
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    case SimdLevel::Avx2:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    case SimdLevel::Avx512Vbmi:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("popcnt");
#else
    case SimdLevel::Avx2:
    case SimdLevel::Avx512Vbmi:
        return false;
#endif
    }
    return false;
}

SimdLevel bestSimdLevel()
{
    for (const SimdLevel level : {SimdLevel::Avx512Vbmi, SimdLevel::Avx2})
        if (isSupported(level))
            return level;
    return SimdLevel::None;
}

} // namespace trelvick::convert
