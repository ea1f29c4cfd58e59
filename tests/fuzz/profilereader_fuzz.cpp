// SPDX-License-Identifier: GPL-3.0-or-later
// The profile reader: an entry at the top of arbitrary tq.ini text reads back, whatever follows it and however
// its names are typed; any lookup stays within its capacity.

#include "config/profilereader.h"
#include "fuzzcheck.h"

using namespace trelvick::config;

namespace {

// One line's worth of text; UTF-8 decoding never yields half a surrogate pair.
QString lineText(FuzzedDataProvider& data, QStringView excluded)
{
    QString text = QString::fromUtf8(QByteArray::fromStdString(data.ConsumeRandomLengthString(24)));
    text.removeIf([&](QChar c) { return c == u'\r' || c == u'\n' || excluded.contains(c); });
    return text;
}

// A value as a buffer of capacity characters holds it: never half a surrogate pair.
QString cut(const QString& value, int capacity)
{
    if (capacity <= 0)
        return {};
    if (capacity >= value.size())
        return value;
    return value.left(value[capacity - 1].isHighSurrogate() ? capacity - 1 : capacity);
}

// The same name typed otherwise: ASCII letters in the other case, blanks around it.
QString retyped(const QString& name)
{
    QString typed = name;
    for (QChar& c : typed) {
        if (c.unicode() < 128 && c.isLetter())
            c = c.isUpper() ? c.toLower() : c.toUpper();
    }
    return QStringLiteral(" \t") + typed + QStringLiteral("\v ");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    const int capacity = data.ConsumeIntegralInRange<int>(-2, 300);
    const QString section = lineText(data, u"]");
    // Led by a letter: a key led by ";" or "[" would be a comment or a section header.
    const QString key = QStringLiteral("k") + lineText(data, u"=");
    const QString value = lineText(data, {});
    const QString otherKey = lineText(data, {});
    const QByteArray rest = QByteArray::fromStdString(data.ConsumeRemainingBytesAsString());

    const QString text = QStringLiteral("[%1]\r\n%2=\"%3\"\r\n").arg(section, key, value) + decodeConfigText(rest);
    const ProfileReader reader = ProfileReader::fromBytes("\xEF\xBB\xBF" + text.toUtf8());
    FUZZ_CHECK(reader.read(section, key, capacity) == cut(value, capacity));
    FUZZ_CHECK(reader.read(retyped(section), retyped(key), capacity) == cut(value, capacity));

    for (const ProfileReader& any : {reader, ProfileReader::fromBytes(rest)}) {
        const QString found = any.read(section, otherKey, capacity);
        FUZZ_CHECK(found.size() <= std::max(capacity, 0));
        FUZZ_CHECK(any.read(section, otherKey, capacity / 2) == cut(found, capacity / 2));
    }
    return 0;
}
