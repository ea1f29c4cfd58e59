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
    std::vector<std::pair<int, int>> pairs;
    for (int source = 0; source <= 255; ++source) {
        const int target = lookup[source];
        if (isCodeOf(target, output))
            pairs.emplace_back(source, target);
    }
    ConversionTable table;
    table.m_output = output;
    table.setPairs(std::move(pairs));
    return table;
}

void ConversionTable::setPairs(std::vector<std::pair<int, int>> pairs)
{
    m_lookup.fill(-1);
    for (const auto& [source, target] : pairs)
        m_lookup[source] = target;
    m_pairs = std::move(pairs);
}

} // namespace trelvick::convert
