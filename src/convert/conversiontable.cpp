#include "convert/conversiontable.h"

namespace trelvick::convert {

namespace {

constexpr int kMaxValueLength = 3;

// The value as the classic reader leaves it in its zero-filled buffer: the text before the first NUL.
QString beforeFirstNul(const QString& value)
{
    const qsizetype nul = value.indexOf(QChar(u'\0'));
    return nul < 0 ? value : value.left(nul);
}

// The code a value names, or -1 when it is not a code: 1 to 3 decimal digits (leading zeros allowed), 0 to 255.
int parseCode(const QString& value)
{
    if (value.isEmpty() || value.size() > kMaxValueLength)
        return -1;
    int code = 0;
    for (const QChar c : value) {
        if (c < u'0' || c > u'9')
            return -1;
        code = code * 10 + (c.unicode() - u'0');
    }
    return code <= 255 ? code : -1;
}

} // namespace

ConversionTable::LoadResult ConversionTable::load(const config::ProfileReader& profile, const QString& section)
{
    LoadResult result;
    std::vector<std::pair<int, int>> pairs;
    for (int source = 0; source <= 255; ++source) {
        const QString value = beforeFirstNul(profile.read(section, QString::number(source), kCodeEntryCapacity));
        if (config::isAbsent(value))
            continue;
        const int target = parseCode(value);
        if (target < 0) {
            // The first faulty value ends the reading: higher keys are never looked at.
            result.failure = Failure::Faulty;
            result.faultyKey = source;
            result.faultyValue = value;
            return result;
        }
        pairs.emplace_back(source, target);
    }
    if (pairs.empty()) {
        result.failure = Failure::NoEntries;
        return result;
    }
    result.table.setPairs(std::move(pairs));
    return result;
}

ConversionTable ConversionTable::fromLookup(const std::array<int, 256>& lookup)
{
    std::vector<std::pair<int, int>> pairs;
    for (int source = 0; source <= 255; ++source) {
        const int target = lookup[source];
        if (target >= 0 && target <= 255)
            pairs.emplace_back(source, target);
    }
    ConversionTable table;
    table.setPairs(std::move(pairs));
    return table;
}

void ConversionTable::setPairs(std::vector<std::pair<int, int>> pairs)
{
    m_lookup.fill(-1);
    for (const auto& [source, target] : pairs)
        m_lookup[source] = static_cast<std::int16_t>(target);
    m_pairs = std::move(pairs);
}

} // namespace trelvick::convert
