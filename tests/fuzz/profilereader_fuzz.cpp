// SPDX-License-Identifier: GPL-3.0-or-later
// The profile reader on arbitrary file bytes, checked against a plain line-by-line reading of the
// same text that follows the reader's rules literally (no hashing, no pre-parsing).

#include "config/profilereader.h"
#include "fuzzcheck.h"

#include <QStringList>

using namespace trelvick::config;
using namespace trelvick::fuzz;

namespace {

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

QString cut(const QString& value, int capacity)
{
    if (capacity <= 0)
        return {};
    if (capacity >= value.size())
        return value;
    // Never half a surrogate pair.
    return value.left(value[capacity - 1].isHighSurrogate() ? capacity - 1 : capacity);
}

QString referenceRead(const QStringList& lines, const QString& section, const QString& key, int capacity)
{
    const QString wantedSection = foldName(trimIniBlanks(section));
    const QString wantedKey = foldName(trimIniBlanks(key));
    QString value = QStringLiteral("<none>");
    bool inSection = false;
    for (const QString& rawLine : lines) {
        const QString line = trimIniBlanks(rawLine);
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            if (inSection)
                break; // only the first section of that name is searched
            QString name = line.mid(1);
            if (const qsizetype close = name.indexOf(u']'); close >= 0)
                name.truncate(close);
            inSection = foldName(trimIniBlanks(name)) == wantedSection;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (foldName(trimIniBlanks(equals < 0 ? line : line.left(equals))) != wantedKey)
            continue;
        if (equals >= 0) {
            value = trimIniBlanks(line.mid(equals + 1));
            if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
                value = value.mid(1, value.size() - 2);
        }
        break; // the first key of that name wins, even one without "="
    }
    return cut(value, capacity);
}

// A section or key name that occurs in the file, so that lookups hit: the text between "[" and "]",
// or before "=".
QStringList namesIn(const QStringList& lines)
{
    QStringList names;
    for (const QString& rawLine : lines) {
        QString line = trimIniBlanks(rawLine);
        if (line.startsWith(u'[')) {
            line = line.mid(1);
            if (const qsizetype close = line.indexOf(u']'); close >= 0)
                line.truncate(close);
        } else if (const qsizetype equals = line.indexOf(u'='); equals >= 0) {
            line.truncate(equals);
        }
        names << line;
    }
    return names;
}

QString pickName(FuzzedDataProvider& data, const QStringList& names)
{
    const auto how = data.ConsumeIntegral<std::uint8_t>();
    QString name;
    if ((how & 3) == 0 || names.isEmpty())
        name = decodeConfigText(toByteArray(data.ConsumeRandomLengthString(24)));
    else
        name = names[data.ConsumeIntegralInRange<qsizetype>(0, names.size() - 1)];
    if (how & 4)
        name = name.toLower();
    if (how & 8)
        name = QStringLiteral(" \t") + name + QStringLiteral("\v ");
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    // The query lives at the end of the input (FuzzedDataProvider takes integers from there), the
    // file at the front, so seeds can be plain tq.ini text.
    const int capacity = data.ConsumeIntegralInRange<int>(-2, 300);
    const auto fileSize = data.ConsumeIntegralInRange<std::size_t>(0, data.remaining_bytes());
    const QByteArray file = toByteArray(data.ConsumeBytesAsString(fileSize));

    const QString text = decodeConfigText(file);
    const QStringList lines = splitLines(text);
    const QStringList names = namesIn(lines);
    const QString section = pickName(data, names);
    const QString key = pickName(data, names);

    const ProfileReader reader = ProfileReader::fromBytes(file);
    const QString value = reader.read(section, key, capacity);

    FUZZ_CHECK(value.size() <= std::max(capacity, 0));
    FUZZ_CHECK(value == referenceRead(lines, section, key, capacity));
    // A lookup does not change the reader.
    FUZZ_CHECK(reader.read(section, key, capacity) == value);
    // A smaller capacity cuts the same value.
    FUZZ_CHECK(reader.read(section, key, capacity / 2) == cut(value, capacity / 2));
    return 0;
}
