// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/profilereader.h"

#include "files/posixfile.h"

#include <QStringDecoder>
#include <algorithm>

namespace trelvick::config {

namespace {

// The profile reader trims these around names and values; other control characters are kept.
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\v';
}

QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// One pair only, and only when both ends carry the same quote: "'a'" keeps its inner quotes,
// "'a" and "'a\"" stay as they are.
QStringView unquote(QStringView value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

// Calls lineFn for every line; a line ends at CR LF, LF or a lone CR.
template <typename LineFn> void forEachLine(QStringView text, LineFn lineFn)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        lineFn(text.sliced(start, end - start));
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n')
            ++end;
        start = end + 1;
    }
}

// Never leaves half a surrogate pair at the end (only possible with a UTF-8 file).
QString cutToCapacity(const QString& value, int capacity)
{
    qsizetype size = std::clamp<qsizetype>(capacity, 0, value.size());
    if (size > 0 && size < value.size() && value[size - 1].isHighSurrogate())
        --size;
    return value.left(size);
}

} // namespace

bool isAbsent(const QString& value)
{
    return value.startsWith(QStringView(kAbsentMarker));
}

QString decodeConfigText(const QByteArray& bytes)
{
    static constexpr char utf8Bom[] = "\xEF\xBB\xBF";
    static constexpr char utf16LeBom[] = "\xFF\xFE";
    static constexpr char utf16BeBom[] = "\xFE\xFF";
    if (bytes.startsWith(utf16LeBom))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(QByteArrayView(bytes).sliced(2));
    if (bytes.startsWith(utf16BeBom))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(QByteArrayView(bytes).sliced(2));
    const bool hasBom = bytes.startsWith(utf8Bom);
    const QByteArrayView body = QByteArrayView(bytes).sliced(hasBom ? 3 : 0);

    const bool hasHighBytes = std::any_of(body.cbegin(), body.cend(), [](char c) { return (c & 0x80) != 0; });
    if (hasHighBytes || hasBom) {
        // Stateless, so that a sequence cut short at the end counts as invalid too.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8.decode(body);
        if (!utf8.hasError())
            return text;
    }
    QStringDecoder greek("windows-1253");
    return greek.decode(body);
}

QString foldName(const QString& name)
{
    QString folded = name;
    for (QChar& c : folded) {
        // Unicode upper-cases the micro sign to Greek capital Mu; windows-1253 keeps them apart.
        if (c != QChar(0x00B5))
            c = c.toUpper();
    }
    return folded;
}

base::Expected<ProfileReader> ProfileReader::fromFile(const QString& path)
{
    // Counted while read, not taken from the size on disk: a device or a growing file has none.
    const base::Expected<QByteArray> bytes = files::readSmallFile(path, kMaxConfigFileSize);
    if (!bytes)
        return bytes.error();
    return fromBytes(*bytes);
}

ProfileReader ProfileReader::fromBytes(const QByteArray& bytes)
{
    ProfileReader reader;
    const QString text = decodeConfigText(bytes);

    // The section being read is stored when the next header (or the end) comes; a repeated section
    // name is never collected, because only the first one is ever searched.
    QString currentName;
    Section current;
    bool collecting = false;
    auto finishSection = [&] {
        if (collecting)
            reader.m_sections.insert(currentName, std::move(current));
        current = {};
        collecting = false;
    };

    forEachLine(text, [&](QStringView rawLine) {
        const QStringView line = trimBlanks(rawLine);
        if (line.isEmpty() || line.front() == u';')
            return;
        if (line.front() == u'[') {
            finishSection();
            QStringView name = line.sliced(1);
            if (const qsizetype close = name.indexOf(u']'); close >= 0)
                name = name.first(close);
            currentName = foldName(trimBlanks(name).toString());
            collecting = !reader.m_sections.contains(currentName);
            return;
        }
        if (!collecting)
            return; // before the first header, or in a repeated section
        const qsizetype equals = line.indexOf(u'=');
        const QStringView key = equals < 0 ? line : line.first(equals);
        const QString foldedKey = foldName(trimBlanks(key).toString());
        if (current.contains(foldedKey))
            return;
        if (equals < 0)
            current.insert(foldedKey, std::nullopt);
        else
            current.insert(foldedKey, unquote(trimBlanks(line.sliced(equals + 1))).toString());
    });
    finishSection();
    return reader;
}

QString ProfileReader::read(const QString& section, const QString& key, int capacity) const
{
    QString value = QString::fromUtf16(kAbsentMarker);
    const auto foundSection = m_sections.constFind(foldName(trimBlanks(section).toString()));
    if (foundSection != m_sections.cend()) {
        const auto foundKey = foundSection->constFind(foldName(trimBlanks(key).toString()));
        if (foundKey != foundSection->cend() && foundKey->has_value())
            value = **foundKey;
    }
    return cutToCapacity(value, capacity);
}

} // namespace trelvick::config
