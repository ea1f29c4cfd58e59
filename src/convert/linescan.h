// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/simdlevel.h"

namespace trelvick::convert {

// The first CR in [begin, end) that is not followed by LF, or end. A CR as the last byte counts:
// what follows it is not known yet. For example in "a\r\nb\rc" it finds the CR after b.
// level must be one the processor supports.
const unsigned char* findLoneCr(const unsigned char* begin, const unsigned char* end, SimdLevel level);

} // namespace trelvick::convert
