// The table load from arbitrary tq.ini bytes. Whatever the file holds, a loaded table is a
// consistent map of codes 0..255 (code points, when the section asks for UTF-8), and each entry is what
// the profile reader gives for its key.

#include "config/codesection.h"
#include "fuzzcheck.h"

using namespace trelvick::config;
using namespace trelvick::convert;
using namespace trelvick::fuzz;

namespace {

// What a code value means: 1 to 3 decimal digits, at most 255; for UTF-8 1 to 7 digits, a code point
// outside the surrogates; else -1.
int referenceCode(const QString& value, bool utf8)
{
    if (value.isEmpty() || value.size() > (utf8 ? 7 : 3))
        return -1;
    for (QChar c : value) {
        if (c < u'0' || c > u'9')
            return -1;
    }
    const int code = value.toInt();
    if (utf8)
        return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF) ? code : -1;
    return code <= 255 ? code : -1;
}

// The value of key "code" as the table load sees it: the text before any NUL, or empty when absent.
std::optional<QString> entryValue(const ProfileReader& reader, const QString& section, int code)
{
    QString value = reader.read(section, QString::number(code), kCodeEntryCapacity);
    if (const qsizetype nul = value.indexOf(QChar(u'\0')); nul >= 0)
        value.truncate(nul);
    if (value.startsWith(u"<none>"))
        return std::nullopt;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    // The section asked for: the usual Greek "Μn" (capital Mu), its Latin look-alike, or any name.
    QString section;
    switch (data.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: section = QString::fromUtf16(u"Μ1"); break;
    case 1: section = QString::fromUtf16(u"μ2"); break;
    case 2: section = QStringLiteral("M1"); break;
    default: section = decodeConfigText(toByteArray(data.ConsumeRandomLengthString(16))); break;
    }
    const QByteArray file = toByteArray(data.ConsumeRemainingBytesAsString());

    const ProfileReader reader = ProfileReader::fromBytes(file);
    const CodeSection result = loadCodeSection(reader, section);

    // The encoding key is read first: absent, UTF-8, or a refusal before any code is read.
    QString encoding = reader.read(section, QString::fromUtf16(kEncodingKey), kCodeEntryCapacity);
    if (const qsizetype nul = encoding.indexOf(QChar(u'\0')); nul >= 0)
        encoding.truncate(nul);
    const bool absent = encoding.startsWith(u"<none>");
    const bool utf8 = !absent && (encoding.compare(u"UTF-8", Qt::CaseInsensitive) == 0 ||
                                  encoding.compare(u"UTF8", Qt::CaseInsensitive) == 0);
    if (!absent && !utf8) {
        FUZZ_CHECK(result.failure == CodeSection::Failure::Faulty);
        FUZZ_CHECK(result.faultyKey == -1);
        return 0;
    }
    const auto output = utf8 ? ConversionTable::Output::Utf8 : ConversionTable::Output::Bytes;
    FUZZ_CHECK(result.output == output);

    // The reader, key by key up to the first faulty value, decides the outcome.
    int expectedFaulty = -1;
    std::array<int, 256> expected;
    expected.fill(-1);
    bool anyEntry = false;
    for (int code = 0; code <= 255 && expectedFaulty < 0; ++code) {
        const std::optional<QString> value = entryValue(reader, section, code);
        if (!value)
            continue;
        anyEntry = true;
        expected[code] = referenceCode(*value, utf8);
        if (expected[code] < 0) {
            expectedFaulty = code;
            FUZZ_CHECK(result.failure == CodeSection::Failure::Faulty);
            FUZZ_CHECK(result.faultyKey == code);
            FUZZ_CHECK(result.faultyValue == *value);
        }
    }
    if (expectedFaulty >= 0)
        return 0;
    if (!anyEntry) {
        FUZZ_CHECK(result.failure == CodeSection::Failure::NoEntries);
        return 0;
    }

    FUZZ_CHECK(result.ok());
    const ConversionTable& table = result.table;
    const auto& pairs = table.pairs();
    FUZZ_CHECK(!pairs.empty());
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const auto [source, target] = pairs[i];
        FUZZ_CHECK(source >= 0 && source <= 255 && target >= 0 && target <= ConversionTable::highestCode(output));
        FUZZ_CHECK(i == 0 || pairs[i - 1].first < source); // strictly ascending
        FUZZ_CHECK(table.lookup(std::uint8_t(source)) == target);
    }
    std::size_t entries = 0;
    for (int code = 0; code <= 255; ++code) {
        const int target = table.lookup(std::uint8_t(code));
        FUZZ_CHECK(target == -1 || (target >= 0 && target <= ConversionTable::highestCode(output)));
        FUZZ_CHECK(target == expected[code]);
        FUZZ_CHECK(table.lookupTable()[std::size_t(code)] == target);
        entries += target >= 0 ? 1 : 0;
    }
    FUZZ_CHECK(entries == pairs.size());

    // Built again from its own lookup, the table is the same.
    std::array<int, 256> lookup;
    for (int code = 0; code <= 255; ++code)
        lookup[std::size_t(code)] = table.lookup(std::uint8_t(code));
    FUZZ_CHECK(ConversionTable::fromLookup(lookup, output).pairs() == pairs);
    return 0;
}
