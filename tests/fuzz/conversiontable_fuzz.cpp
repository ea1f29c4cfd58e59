// SPDX-License-Identifier: GPL-3.0-or-later
// The table load from arbitrary tq.ini bytes: the table maps exactly the codes that have an entry, each to
// the number the entry holds; a failure names a key that has an entry, or the encoding key.

#include "config/codesection.h"
#include "fuzzcheck.h"

using namespace trelvick::config;
using namespace trelvick::convert;

namespace {

// The entry of a key as the profile reader gives it, up to any NUL, or nothing when the key is absent.
std::optional<QString> entry(const ProfileReader& reader, const QString& section, const QString& key)
{
    QString value = reader.read(section, key, kCodeEntryCapacity);
    if (const qsizetype nul = value.indexOf(QChar(u'\0')); nul >= 0)
        value.truncate(nul);
    if (isAbsent(value))
        return std::nullopt;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    // The usual Greek "Μn" (capital Mu), in lower case, its Latin look-alike, or any name.
    static const QString usual[] = {QString::fromUtf16(u"Μ1"), QString::fromUtf16(u"μ2"), QStringLiteral("M1")};
    const auto pick = data.ConsumeIntegralInRange<std::size_t>(0, 3);
    const QString section =
        pick < 3 ? usual[pick] : decodeConfigText(QByteArray::fromStdString(data.ConsumeRandomLengthString(16)));
    const ProfileReader reader =
        ProfileReader::fromBytes(QByteArray::fromStdString(data.ConsumeRemainingBytesAsString()));
    const trelvick::base::Expected<ConversionTable> result = loadCodeSection(reader, section);
    const QString encodingKey = QString::fromUtf16(kEncodingKey);
    const bool encodingLine = entry(reader, section, encodingKey).has_value();

    using trelvick::base::Fault;
    if (!result && !result.error().is(Fault::EntryMissing)) {
        const trelvick::base::Error& failure = result.error();
        FUZZ_CHECK(failure.is(Fault::BadValue) || failure.is(Fault::BadCodePoint));
        FUZZ_CHECK(failure.is(Fault::BadCodePoint) == (encodingLine && failure.key != encodingKey));
        if (failure.key == encodingKey)
            return 0;
        bool number = false;
        const int key = failure.key.toInt(&number);
        FUZZ_CHECK(number && key >= 0 && key <= 255 && failure.key == QString::number(key));
        const auto value = entry(reader, section, failure.key);
        FUZZ_CHECK(value && value->startsWith(failure.value));
        return 0;
    }
    const ConversionTable table = result ? *result : ConversionTable();
    FUZZ_CHECK(!result || (table.output() == ConversionTable::Output::Utf8) == encodingLine);
    FUZZ_CHECK(result.hasValue() != table.pairs().empty());
    std::size_t entries = 0;
    for (int code = 0; code <= 255; ++code) {
        const int target = table.lookup(std::uint8_t(code));
        const std::optional<QString> value = entry(reader, section, QString::number(code));
        FUZZ_CHECK(value.has_value() == (target >= 0));
        bool number = false;
        FUZZ_CHECK(!value || (value->toInt(&number) == target && number));
        FUZZ_CHECK(target <= ConversionTable::highestCode(table.output()));
        entries += target >= 0 ? 1 : 0;
    }
    // The pairs are the entries, in ascending order of code.
    const auto& pairs = table.pairs();
    FUZZ_CHECK(entries == pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        FUZZ_CHECK(pairs[i].first >= 0 && pairs[i].first <= 255 &&
                   table.lookup(std::uint8_t(pairs[i].first)) == pairs[i].second);
        FUZZ_CHECK(i == 0 || pairs[i - 1].first < pairs[i].first);
    }
    return 0;
}
