// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/converterappend.h"

#include "config/codesection.h"
#include "config/configuration.h"
#include "config/countparser.h"
#include "config/profilereader.h"
#include "files/destination.h"
#include "files/filelock.h"
#include "files/fileops.h"
#include "files/outputtransaction.h"
#include "files/posixfile.h"

#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <cerrno>
#include <limits>
#include <optional>
#include <vector>

namespace trelvick::config {

namespace {

base::Error failure(std::error_code code, const QString& key = {}, const QString& value = {})
{
    return {code, base::Side::Config, key, value};
}

base::Error failure(base::Fault fault, const QString& key = {}, const QString& value = {})
{
    return failure(make_error_code(fault), key, value);
}

// How the file's text is stored, as decodeConfigText reads it.
enum class Form
{
    Windows1253,
    Utf8,
    Utf16Le,
    Utf16Be,
};

struct Encoding
{
    Form form = Form::Windows1253;
    qsizetype start = 0; // the byte-order mark, which stays as it is
    int unit = 1;        // bytes per code unit
};

Encoding encodingOf(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return {Form::Utf16Le, 2, 2};
    if (bytes.startsWith("\xFE\xFF"))
        return {Form::Utf16Be, 2, 2};
    const qsizetype start = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const QByteArrayView body = QByteArrayView(bytes).sliced(start);
    const bool high = std::any_of(body.begin(), body.end(), [](char c) { return (c & 0x80) != 0; });
    if (high || start > 0) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8.decode(body); // decoded only when converted
        if (!utf8.hasError())
            return {Form::Utf8, start, 1};
    }
    return {Form::Windows1253, start, 1};
}

QString decode(QByteArrayView bytes, Form form)
{
    switch (form) {
    case Form::Utf8:
        return QString::fromUtf8(bytes);
    case Form::Utf16Le:
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes);
    case Form::Utf16Be:
        return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes);
    case Form::Windows1253:
        break;
    }
    return QStringDecoder("windows-1253").decode(bytes);
}

std::optional<QByteArray> encode(const QString& text, Form form)
{
    QStringEncoder encoder = form == Form::Utf8      ? QStringEncoder(QStringEncoder::Utf8)
                             : form == Form::Utf16Le ? QStringEncoder(QStringEncoder::Utf16LE)
                             : form == Form::Utf16Be ? QStringEncoder(QStringEncoder::Utf16BE)
                                                     : QStringEncoder("windows-1253");
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

// The code unit at byte offset i (whole units only).
char16_t unitAt(const QByteArray& bytes, qsizetype i, const Encoding& encoding)
{
    const auto byte = [&](qsizetype j) { return char16_t(static_cast<unsigned char>(bytes[j])); };
    switch (encoding.form) {
    case Form::Utf16Le:
        return char16_t(byte(i) | byte(i + 1) << 8);
    case Form::Utf16Be:
        return char16_t(byte(i) << 8 | byte(i + 1));
    default:
        return byte(i);
    }
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\v';
}

QStringView trimBlanks(QStringView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

// One line of the file, sorted out the way ProfileReader reads it.
struct Line
{
    qsizetype begin = 0, end = 0, next = 0; // content [begin, end); the next line starts at next
    enum Kind
    {
        Other, // blank, comment, or before the first header
        Header,
        Key,
    } kind = Other;
    QString name;              // folded: the section of a header, the key of a key line
    bool firstSection = false; // in (or heading) the first section of its name, the one the reader reads
};

std::vector<Line> linesOf(const QByteArray& bytes, const Encoding& encoding)
{
    std::vector<Line> lines;
    QSet<QString> seen;
    QString section;
    bool first = false;
    const int u = encoding.unit;
    for (qsizetype pos = encoding.start; pos < bytes.size();) {
        Line line;
        line.begin = pos;
        line.end = pos;
        while (line.end < bytes.size() && unitAt(bytes, line.end, encoding) != u'\r' &&
               unitAt(bytes, line.end, encoding) != u'\n')
            line.end += u;
        line.next = line.end;
        if (line.next < bytes.size()) {
            const bool crlf = unitAt(bytes, line.next, encoding) == u'\r' && line.next + u < bytes.size() &&
                              unitAt(bytes, line.next + u, encoding) == u'\n';
            line.next += crlf ? 2 * u : u;
        }
        pos = line.next;

        const QString text = decode(QByteArrayView(bytes).sliced(line.begin, line.end - line.begin), encoding.form);
        const QStringView trimmed = trimBlanks(text);
        if (!trimmed.isEmpty() && trimmed.front() == u'[') {
            QStringView name = trimmed.sliced(1);
            if (const qsizetype close = name.indexOf(u']'); close >= 0)
                name = name.first(close);
            section = foldName(trimBlanks(name).toString());
            first = !seen.contains(section);
            seen.insert(section);
            line.kind = Line::Header;
            line.name = section;
        } else if (!trimmed.isEmpty() && trimmed.front() != u';' && !section.isNull()) {
            const qsizetype equals = trimmed.indexOf(u'=');
            line.kind = Line::Key;
            line.name = foldName(trimBlanks(equals < 0 ? trimmed : trimmed.first(equals)).toString());
        }
        line.firstSection = first;
        lines.push_back(std::move(line));
    }
    return lines;
}

// The file's first line end; CR LF in a file of one line.
QByteArray lineEndOf(const QByteArray& bytes, const std::vector<Line>& lines)
{
    for (const Line& line : lines) {
        if (line.next > line.end)
            return bytes.mid(line.end, line.next - line.end);
    }
    return {};
}

struct Edit
{
    qsizetype begin, end; // the bytes replaced
    QByteArray bytes;
};

// Bytes [begin, end) of the count's value up to a trailing "; comment", which stays.
Edit countEdit(const QByteArray& bytes, const Line& line, const Encoding& encoding)
{
    const int u = encoding.unit;
    qsizetype begin = line.begin;
    while (unitAt(bytes, begin, encoding) != u'=')
        begin += u;
    begin += u;
    qsizetype end = begin;
    while (end < line.end && unitAt(bytes, end, encoding) != u';')
        end += u;
    if (end < line.end) {
        while (end > begin && isBlank(QChar(unitAt(bytes, end - u, encoding))))
            end -= u;
    }
    return {begin, end, {}};
}

// Whether after reads as intended: every old entry as it was, the count raised, the new description
// and the new code section as they were given.
bool readsBack(const QByteArray& before, const QByteArray& after, int number, const NewConverter& converter)
{
    const ProfileReader old = ProfileReader::fromBytes(before);
    const ProfileReader now = ProfileReader::fromBytes(after);
    const QString main = QString::fromUtf16(kMainSection);
    const QString list = QString::fromUtf16(kListSection);
    for (const char16_t* key : {kQuickViewKey, kEditorKey}) {
        if (old.read(main, QString::fromUtf16(key), kProgramPathCapacity) !=
            now.read(main, QString::fromUtf16(key), kProgramPathCapacity))
            return false;
    }
    const base::Expected<qint16> count =
        parseConverterCount(now.read(main, QString::fromUtf16(kCountKey), kCountCapacity));
    if (!count || *count != number)
        return false;
    for (int k = 1; k < number; ++k) {
        if (old.read(list, converterKey(k), kDescriptionCapacity) !=
            now.read(list, converterKey(k), kDescriptionCapacity))
            return false;
    }
    const QString key = converterKey(number);
    if (now.read(list, key, kDescriptionCapacity) != converter.description.left(kDescriptionCapacity))
        return false;
    const QString alone = QLatin1Char('[') + key + QStringLiteral("]\n") + converter.sectionLines.join(u'\n');
    const auto wanted = loadCodeSection(ProfileReader::fromBytes(alone.toUtf8()), key);
    const auto got = loadCodeSection(now, key);
    return wanted && got && wanted->pairs() == got->pairs() && wanted->output() == got->output();
}

base::Expected<QByteArray> readFile(const QString& path)
{
    if (const base::Error test = files::testFile(path))
        return failure(test.code);
    base::Expected<QByteArray> bytes = files::readSmallFile(path, kMaxConfigFileSize);
    if (!bytes)
        return failure(bytes.error().code);
    return bytes;
}

base::Error writeFailure(std::error_code code)
{
    return {code, base::Side::Output, {}, {}};
}

base::Error writeFile(const QString& path, const QByteArray& bytes)
{
    base::Expected<files::Destination> destination = files::findDestination(files::nativePath(path));
    if (!destination)
        return writeFailure(destination.error().code);
    files::OutputRules rules;
    rules.regularOnly = true;
    files::OutputTransaction output(std::move(*destination), rules);
    if (const base::Error error = output.open(0666))
        return writeFailure(error.code);
    files::DescriptorSink sink(output.descriptor());
    if (!sink.write(bytes.constData(), bytes.size()))
        return writeFailure(sink.error().code);
    if (const base::Error error = output.commit())
        return writeFailure(error.code);
    return {};
}

} // namespace

namespace {

// The number of the converter to add: the count plus one.
base::Expected<int> nextNumber(const QByteArray& file)
{
    const QString countKey = QString::fromUtf16(kCountKey);
    const QString countText =
        ProfileReader::fromBytes(file).read(QString::fromUtf16(kMainSection), countKey, kCountCapacity);
    if (isAbsent(countText))
        return failure(base::Fault::EntryMissing, countKey, countText);
    const base::Expected<qint16> count = parseConverterCount(countText);
    if (!count)
        return failure(count.error().code, countKey, countText);
    if (*count < 0)
        return failure(base::Fault::BadValue, countKey, countText);
    if (*count == std::numeric_limits<qint16>::max())
        return failure(base::Fault::Overflow, countKey, countText);
    return *count + 1;
}

// Where the edits go: the count's line, and the list's last entry (none: the list is missing).
struct Anchors
{
    const Line* countLine = nullptr;
    const Line* listAnchor = nullptr;
};

// A key already in use, as a section or in the list (beyond the count), is refused: raising the count
// would bring back what someone hid, or the old entry would hide the new one.
base::Expected<Anchors> findAnchors(const std::vector<Line>& lines, const QString& key)
{
    const QString folded = foldName(key);
    const QString mainFolded = foldName(QString::fromUtf16(kMainSection));
    const QString listFolded = foldName(QString::fromUtf16(kListSection));
    const QString countFolded = foldName(QString::fromUtf16(kCountKey));
    Anchors anchors;
    QString section;
    for (const Line& line : lines) {
        if (line.kind == Line::Header) {
            if (line.name == folded)
                return failure(base::Fault::KeyInUse, key);
            section = line.name;
        }
        if (!line.firstSection)
            continue;
        if (section == listFolded && line.kind == Line::Key && line.name == folded)
            return failure(base::Fault::KeyInUse, key);
        if (section == listFolded && line.kind != Line::Other)
            anchors.listAnchor = &line;
        if (section == mainFolded && line.kind == Line::Key && line.name == countFolded && !anchors.countLine)
            anchors.countLine = &line;
    }
    if (!anchors.countLine) // the reader found it: cannot happen
        return failure(base::Fault::EntryMissing, QString::fromUtf16(kCountKey));
    return anchors;
}

// The new section, "[Μn]" and its lines, in the file's encoding, each line ended.
base::Expected<QByteArray> encodedSection(const QString& key, const NewConverter& converter, Form form,
                                          const QByteArray& lineEnd)
{
    const std::optional<QByteArray> header = encode(QLatin1Char('[') + key + QLatin1Char(']'), form);
    if (!header)
        return failure(base::Fault::BadValue, key, converter.description);
    QByteArray section = lineEnd + *header + lineEnd;
    for (const QString& sectionLine : converter.sectionLines) {
        const std::optional<QByteArray> line = encode(sectionLine, form);
        if (!line)
            return failure(base::Fault::BadValue, key, sectionLine);
        section += *line + lineEnd;
    }
    return section;
}

QByteArray applied(const QByteArray& bytes, std::vector<Edit> edits)
{
    std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.begin < b.begin; });
    QByteArray result;
    qsizetype at = 0;
    for (const Edit& edit : edits) {
        result += QByteArrayView(bytes).sliced(at, edit.begin - at);
        result += edit.bytes;
        at = edit.end;
    }
    result += QByteArrayView(bytes).sliced(at);
    return result;
}

} // namespace

base::Expected<AppendedConverter> appendConverter(const QByteArray& file, const NewConverter& converter)
{
    const Encoding encoding = encodingOf(file);
    // Half a UTF-16 unit at the end: whatever is added would be read shifted by one byte.
    if ((file.size() - encoding.start) % encoding.unit != 0)
        return failure(base::systemError(EILSEQ));
    const base::Expected<int> number = nextNumber(file);
    if (!number)
        return number.error();
    const QString key = converterKey(*number);

    std::vector<Line> lines = linesOf(file, encoding);
    QByteArray bytes = file;
    const QByteArray lineEnd =
        lineEndOf(file, lines).isEmpty() ? *encode(QStringLiteral("\r\n"), encoding.form) : lineEndOf(file, lines);
    // The last line gets its line end, so that whatever follows starts a line of its own.
    if (!lines.empty() && lines.back().next == lines.back().end) {
        bytes += lineEnd;
        lines.back().next = bytes.size();
    }
    const base::Expected<Anchors> anchors = findAnchors(lines, key);
    if (!anchors)
        return anchors.error();

    const std::optional<QByteArray> numberText = encode(QString::number(*number), encoding.form);
    const std::optional<QByteArray> description = encode(key + QLatin1Char('=') + converter.description, encoding.form);
    const base::Expected<QByteArray> section = encodedSection(key, converter, encoding.form, lineEnd);
    if (!numberText || !description)
        return failure(base::Fault::BadValue, key, converter.description);
    if (!section)
        return section.error();

    std::vector<Edit> edits;
    Edit countValue = countEdit(bytes, *anchors->countLine, encoding);
    countValue.bytes = *numberText;
    edits.push_back(countValue);
    if (const Line* anchor = anchors->listAnchor) {
        edits.push_back({anchor->next, anchor->next, *description + lineEnd});
    } else {
        const std::optional<QByteArray> header =
            encode(QLatin1Char('[') + QString::fromUtf16(kListSection) + QLatin1Char(']'), encoding.form);
        if (!header)
            return failure(base::Fault::BadValue, key);
        edits.push_back({bytes.size(), bytes.size(), lineEnd + *header + lineEnd + *description + lineEnd});
    }
    edits.push_back({bytes.size(), bytes.size(), *section});

    const QByteArray result = applied(bytes, std::move(edits));
    if (!readsBack(file, result, *number, converter))
        return failure(base::Fault::BadValue, key, converter.description);
    return AppendedConverter{result, *number};
}

base::Expected<AddedConverter> addConverter(const QString& from, const QString& to, const NewConverter& converter)
{
    // Beside the file that is replaced in the end, wherever links lead.
    const base::Expected<files::Destination> place = files::findDestination(files::nativePath(to));
    if (!place)
        return writeFailure(place.error().code);
    if (place->kind != files::Destination::Kind::New && place->kind != files::Destination::Kind::Replace)
        return writeFailure(make_error_code(base::Fault::NotRegularFile));
    const QByteArray lockName = place->name + ".lock";
    const base::Expected<files::LockFile> lock =
        files::LockFile::acquire(place->folder.get(), lockName, kConfigLockPatience);
    if (!lock)
        return base::Error{lock.error().code, base::Side::Output, files::decodeNativePath(lockName.constData()), {}};

    const QString source = from == to || files::isNoFile(files::testFile(to)) ? from : to;
    const base::Expected<QByteArray> bytes = readFile(source);
    if (!bytes)
        return bytes.error();
    const base::Expected<AppendedConverter> appended = appendConverter(*bytes, converter);
    if (!appended)
        return appended.error();
    if (const base::Error error = writeFile(to, appended->bytes))
        return error;
    return AddedConverter{appended->number, source};
}

} // namespace trelvick::config
