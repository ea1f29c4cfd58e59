#include "convert/conversiontable.h"

namespace trelvick::convert {

namespace {

// The digits of the highest value, 255 or 1114111; leading zeros may fill them, never exceed them.
constexpr int kMaxByteLength = 3;
constexpr int kMaxCodePointLength = 7;

constexpr int kFirstSurrogate = 0xD800;
constexpr int kLastSurrogate = 0xDFFF;

bool isCodeOf(int code, ConversionTable::Output output)
{
    if (output == ConversionTable::Output::Bytes)
        return code >= 0 && code <= kHighestByte;
    return code >= 0 && code <= kHighestCodePoint && (code < kFirstSurrogate || code > kLastSurrogate);
}

// The reader has already taken away blanks and quotes around the value.
bool namesUtf8(const QString& value)
{
    return value.compare(u"UTF-8", Qt::CaseInsensitive) == 0 || value.compare(u"UTF8", Qt::CaseInsensitive) == 0;
}

// The value as the classic reader leaves it in its zero-filled buffer: the text before the first NUL.
QString beforeFirstNul(const QString& value)
{
    const qsizetype nul = value.indexOf(QChar(u'\0'));
    return nul < 0 ? value : value.left(nul);
}

// The code a value names, or -1 when it is not a code: decimal digits, leading zeros allowed, no more
// than the highest code has (3 for a byte, 7 for a code point), and a code of the section's output.
int parseCode(const QString& value, ConversionTable::Output output)
{
    const int maxLength = output == ConversionTable::Output::Utf8 ? kMaxCodePointLength : kMaxByteLength;
    if (value.isEmpty() || value.size() > maxLength)
        return -1;
    int code = 0;
    for (const QChar c : value) {
        if (c < u'0' || c > u'9')
            return -1;
        code = code * 10 + (c.unicode() - u'0');
    }
    return isCodeOf(code, output) ? code : -1;
}

} // namespace

ConversionTable::LoadResult ConversionTable::load(const config::ProfileReader& profile, const QString& section)
{
    LoadResult result;
    // Read first, as it decides how the values are read. A value other than UTF-8 is refused rather than
    // ignored: the section's author wanted some other output, and bytes would silently not be it.
    const QString encoding =
        beforeFirstNul(profile.read(section, QString::fromUtf16(kEncodingKey), kCodeEntryCapacity));
    if (!config::isAbsent(encoding)) {
        if (!namesUtf8(encoding)) {
            result.failure = Failure::Faulty;
            result.faultyValue = encoding;
            return result;
        }
        result.output = Output::Utf8;
    }

    std::vector<std::pair<int, int>> pairs;
    for (int source = 0; source <= 255; ++source) {
        const QString value = beforeFirstNul(profile.read(section, QString::number(source), kCodeEntryCapacity));
        if (config::isAbsent(value))
            continue;
        const int target = parseCode(value, result.output);
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
    result.table.m_output = result.output;
    result.table.setPairs(std::move(pairs));
    return result;
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
