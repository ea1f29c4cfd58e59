// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/simdlevel.h"

namespace trelvick::convert {

// The first CR in [begin, end) that is not followed by LF, or end. A CR as the last byte counts:
// what follows it is not known yet. For example in "a\r\nb\rc" it finds the CR after b.
// level must be one the processor supports.
const unsigned char* findLoneCr(const unsigned char* begin, const unsigned char* end, SimdLevel level);

// The first line end in [begin, end) that is not a CR LF pair: a CR not followed by LF (a CR as the
// last byte counts, as above) or an LF not preceded by CR, or end. An LF at begin counts: the caller
// has dealt with a CR before it. For example in "a\r\nb\nc\rd" it finds the LF after b.
const unsigned char* findUnpairedLineEnd(const unsigned char* begin, const unsigned char* end, SimdLevel level);

} // namespace trelvick::convert
