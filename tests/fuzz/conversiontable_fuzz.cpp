// SPDX-License-Identifier: GPL-3.0-or-later
// The table load from arbitrary tq.ini bytes. Whatever the file holds, the load is deterministic, a
// loaded table maps only codes that have an entry, to the number that entry holds and within the range
// of its output, and a failure names a key that has an entry.

#include "config/codesection.h"
#include "fuzzcheck.h"

using namespace trelvick::config;
using namespace trelvick::convert;
using namespace trelvick::fuzz;

namespace {

// The entry of key "code" as the profile reader gives it, up to any NUL, or nothing when the key is absent.
std::optional<QString> entry(const ProfileReader& reader, const QString& section, int code)
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
    const ProfileReader reader = ProfileReader::fromBytes(toByteArray(data.ConsumeRemainingBytesAsString()));
    const trelvick::config::CodeSection result = trelvick::config::loadCodeSection(reader, section);

    const trelvick::config::CodeSection again = trelvick::config::loadCodeSection(reader, section);
    FUZZ_CHECK(again.failure == result.failure && again.faultyKey == result.faultyKey &&
               again.faultyValue == result.faultyValue && again.table.pairs() == result.table.pairs());

    if (result.failure == trelvick::config::CodeSection::Failure::NoEntries) {
        for (int code = 0; code <= 255; ++code)
            FUZZ_CHECK(!entry(reader, section, code));
        return 0;
    }
    if (result.failure == trelvick::config::CodeSection::Failure::Faulty) {
        // -1: the encoding line itself was refused.
        FUZZ_CHECK(result.faultyKey >= -1 && result.faultyKey <= 255);
        if (result.faultyKey >= 0) {
            const std::optional<QString> value = entry(reader, section, result.faultyKey);
            FUZZ_CHECK(value && value->startsWith(result.faultyValue));
        }
        return 0;
    }

    FUZZ_CHECK(result.ok());
    const ConversionTable& table = result.table;
    const auto& pairs = table.pairs();
    FUZZ_CHECK(!pairs.empty());
    const int highest = ConversionTable::highestCode(table.output());
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const auto [source, target] = pairs[i];
        FUZZ_CHECK(source >= 0 && source <= 255 && target >= 0 && target <= highest);
        FUZZ_CHECK(i == 0 || pairs[i - 1].first < source); // strictly ascending
        // A code is a plain decimal number: whatever else the parser allows, the number is the entry's.
        const std::optional<QString> value = entry(reader, section, source);
        bool number = false;
        FUZZ_CHECK(value && value->toInt(&number) == target && number);
    }
    std::size_t entries = 0;
    for (int code = 0; code <= 255; ++code) {
        const int target = table.lookup(std::uint8_t(code));
        FUZZ_CHECK(table.lookupTable()[std::size_t(code)] == target);
        entries += target >= 0 ? 1 : 0;
    }
    FUZZ_CHECK(entries == pairs.size());
    return 0;
}
