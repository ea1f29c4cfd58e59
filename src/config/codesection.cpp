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

base::Error faulty(base::Fault fault, const QString& key, const QString& value)
{
    return {make_error_code(fault), base::Side::Config, key, value};
}

} // namespace

base::Expected<ConversionTable> loadCodeSection(const ProfileReader& profile, const QString& section)
{
    // Read first, as it decides how the values are read. A value other than UTF-8 is refused rather than
    // ignored: the section's author wanted some other output, and bytes would silently not be it.
    Output output = Output::Bytes;
    const QString encodingKey = QString::fromUtf16(kEncodingKey);
    const QString encoding = beforeFirstNul(profile.read(section, encodingKey, kCodeEntryCapacity));
    if (!isAbsent(encoding)) {
        if (!namesUtf8(encoding))
            return faulty(base::Fault::BadValue, encodingKey, encoding);
        output = Output::Utf8;
    }

    std::array<int, 256> lookup;
    lookup.fill(-1);
    bool anyEntry = false;
    for (int source = 0; source <= 255; ++source) {
        const QString key = QString::number(source);
        const QString value = beforeFirstNul(profile.read(section, key, kCodeEntryCapacity));
        if (isAbsent(value))
            continue;
        const int target = parseCode(value, output);
        // The first faulty value ends the reading: higher keys are never looked at.
        if (target < 0)
            return faulty(output == Output::Utf8 ? base::Fault::BadCodePoint : base::Fault::BadValue, key, value);
        lookup[source] = target;
        anyEntry = true;
    }
    if (!anyEntry)
        return faulty(base::Fault::EntryMissing, {}, {});
    return ConversionTable::fromLookup(lookup, output);
}

} // namespace trelvick::config
