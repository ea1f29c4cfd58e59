// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/codesection.h"

#include <array>

namespace trelvick::config {

namespace {

using convert::ConversionTable;
using Output = ConversionTable::Output;

// The digits of the highest value, 255 or 1114111; leading zeros may fill them, never exceed them.
constexpr int kMaxByteLength = 3;
constexpr int kMaxCodePointLength = 7;

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
int parseCode(const QString& value, Output output)
{
    const int maxLength = output == Output::Utf8 ? kMaxCodePointLength : kMaxByteLength;
    if (value.isEmpty() || value.size() > maxLength)
        return -1;
    int code = 0;
    for (const QChar c : value) {
        if (c < u'0' || c > u'9')
            return -1;
        code = code * 10 + (c.unicode() - u'0');
    }
    return ConversionTable::isCodeOf(code, output) ? code : -1;
}

} // namespace

CodeSection loadCodeSection(const ProfileReader& profile, const QString& section)
{
    CodeSection result;
    // Read first, as it decides how the values are read. A value other than UTF-8 is refused rather than
    // ignored: the section's author wanted some other output, and bytes would silently not be it.
    const QString encoding =
        beforeFirstNul(profile.read(section, QString::fromUtf16(kEncodingKey), kCodeEntryCapacity));
    if (!isAbsent(encoding)) {
        if (!namesUtf8(encoding)) {
            result.failure = CodeSection::Failure::Faulty;
            result.faultyValue = encoding;
            return result;
        }
        result.output = Output::Utf8;
    }

    std::array<int, 256> lookup;
    lookup.fill(-1);
    bool anyEntry = false;
    for (int source = 0; source <= 255; ++source) {
        const QString value = beforeFirstNul(profile.read(section, QString::number(source), kCodeEntryCapacity));
        if (isAbsent(value))
            continue;
        const int target = parseCode(value, result.output);
        if (target < 0) {
            // The first faulty value ends the reading: higher keys are never looked at.
            result.failure = CodeSection::Failure::Faulty;
            result.faultyKey = source;
            result.faultyValue = value;
            return result;
        }
        lookup[source] = target;
        anyEntry = true;
    }
    if (!anyEntry) {
        result.failure = CodeSection::Failure::NoEntries;
        return result;
    }
    result.table = ConversionTable::fromLookup(lookup, result.output);
    return result;
}

} // namespace trelvick::config
