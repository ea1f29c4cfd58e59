// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescueapp/preview.h"

#include "files/descriptor.h"
#include "rescue/codepages.h"
#include "rescueapp/rescuetexts.h"

#include <QStringDecoder>

#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <variant>

namespace trelvick::rescueapp {

namespace {

using files::Descriptor;
using files::retryOnInterrupt;

// How much of the head goes up to the end of its kHeadLines-th line. A head with NUL bytes (UTF-16, say)
// has no lines of single bytes to cut at.
qsizetype firstLinesSize(std::string_view head)
{
    if (head.find('\0') != std::string_view::npos)
        return qsizetype(head.size());
    int lines = 0;
    for (std::size_t k = 0; k < head.size(); ++k) {
        const char c = head[k];
        if (c != '\n' && c != '\r')
            continue;
        if (c == '\r' && k + 1 < head.size() && head[k + 1] == '\n')
            ++k;
        if (++lines == kHeadLines)
            return qsizetype(k + 1);
    }
    return qsizetype(head.size());
}

// UTF-8 without a last character cut in half by the head's end.
QString fromUtf8Head(QByteArray head)
{
    qsizetype start = head.size() - 1;
    while (start > 0 && head.size() - start < 4 && (std::uint8_t(head.at(start)) & 0xC0) == 0x80)
        --start;
    if (start >= 0 && (std::uint8_t(head.at(start)) & 0xC0) == 0xC0) {
        const auto lead = std::uint8_t(head.at(start));
        const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (head.size() - start < length)
            head.truncate(start);
    }
    if (head.startsWith("\xef\xbb\xbf"))
        head.remove(0, 3);
    return QString::fromUtf8(head);
}

QString fromWide(const QByteArray& head, QStringConverter::Encoding encoding)
{
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(head);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

QString throughTable(const QByteArray& head, const convert::ConversionTable& table)
{
    QString text;
    text.reserve(head.size());
    for (const char c : head) {
        const auto byte = std::uint8_t(c);
        const int code = table.lookup(byte);
        const char32_t character = code >= 0 ? char32_t(code) : byte < 0x80 ? char32_t(byte) : char32_t(0xFFFD);
        text += QString::fromUcs4(&character, 1);
    }
    return text;
}

// One line: line ends as the mark, a run of them as one, other controls as their pictures.
QString shownOnOneLine(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    bool atLineEnd = false;
    for (const QChar c : text) {
        if (c == u'\n' || c == u'\r') {
            atLineEnd = true;
            continue;
        }
        if (atLineEnd && !shown.isEmpty())
            shown += QStringView(kLineMark);
        atLineEnd = false;
        if (c == u'\t')
            shown += u' ';
        else if (c.unicode() < 0x20)
            shown += QChar(0x2400 + c.unicode());
        else if (c.unicode() == 0x7F)
            shown += QChar(0x2421);
        else
            shown += c;
    }
    return shown;
}

} // namespace

QByteArray readHead(const rescue::Node& node)
{
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    // As the conversion reads: without touching the access time where the user may.
    Descriptor file(retryOnInterrupt([&] { return ::open(node.path.constData(), flags | O_NOATIME); }));
    if (!file && errno == EPERM)
        file = Descriptor(retryOnInterrupt([&] { return ::open(node.path.constData(), flags); }));
    struct stat info;
    if (!file || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || rescue::FileId::of(info) != node.id())
        return {};
    // Read apart and kept at its size: a hundred thousand heads each with room to spare would be megabytes.
    char head[kHeadBytes];
    const ssize_t got = retryOnInterrupt([&] { return ::pread(file.get(), head, sizeof head, 0); });
    if (got <= 0)
        return {};
    return QByteArray(head, firstLinesSize(std::string_view(head, std::size_t(got))));
}

QString previewText(const QByteArray& head, guess::Encoding encoding, const rescue::Conversions& conversions)
{
    QString text;
    switch (encoding) {
    case guess::Encoding::Ascii:
    case guess::Encoding::Utf8:
        text = fromUtf8Head(head);
        break;
    case guess::Encoding::Utf16Le:
        text = fromWide(head, QStringConverter::Utf16LE);
        break;
    case guess::Encoding::Utf16Be:
        text = fromWide(head, QStringConverter::Utf16BE);
        break;
    case guess::Encoding::Utf32Le:
        text = fromWide(head, QStringConverter::Utf32LE);
        break;
    case guess::Encoding::Utf32Be:
        text = fromWide(head, QStringConverter::Utf32BE);
        break;
    default: {
        const rescue::Choice choice = conversions.chosen(encoding);
        const auto* table = choice.converter ? std::get_if<convert::ConversionTable>(choice.converter) : nullptr;
        if (!table)
            return {};
        text = throughTable(head, *table);
    }
    }
    return shownOnOneLine(text);
}

std::optional<guess::Encoding> encodingNamed(const QString& name)
{
    if (name.isEmpty())
        return std::nullopt;
    for (int e = 0; e < guess::kEncodingCount; ++e) {
        if (rescue::nameOf(static_cast<guess::Encoding>(e)) == name)
            return static_cast<guess::Encoding>(e);
    }
    return std::nullopt;
}

} // namespace trelvick::rescueapp
