// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/conversiontable.h"

namespace trelvick::convert {

namespace {

constexpr int kFirstSurrogate = 0xD800;
constexpr int kLastSurrogate = 0xDFFF;

} // namespace

bool ConversionTable::isCodeOf(int code, Output output)
{
    if (output == Output::Bytes)
        return code >= 0 && code <= kHighestByte;
    return code >= 0 && code <= kHighestCodePoint && (code < kFirstSurrogate || code > kLastSurrogate);
}

ConversionTable ConversionTable::fromLookup(const std::array<int, 256>& lookup, Output output)
{
    ConversionTable table;
    table.m_output = output;
    for (int source = 0; source <= 255; ++source) {
        const int target = lookup[source];
        if (isCodeOf(target, output)) {
            table.m_lookup[source] = target;
            table.m_pairs.emplace_back(source, target);
        }
    }
    return table;
}

} // namespace trelvick::convert
