// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescue/report.h"

#include "files/fileops.h"
#include "lang/clitexts.h"
#include "lang/errortext.h"
#include "lang/escape.h"

#include <QStringList>

namespace trelvick::rescue {

using namespace Qt::StringLiterals;
namespace texts = lang::cli;
using Code = Reason::Code;
using lang::Language;

namespace {

constexpr qsizetype kFields = 11;

} // namespace

QString outcomeName(Action action)
{
    switch (action) {
    case Action::Converted:
        return u"converted"_s;
    case Action::Copied:
        return u"copied"_s;
    case Action::Unchanged:
        return u"unchanged"_s;
    case Action::Skipped:
        return u"skipped"_s;
    case Action::Failed:
        break;
    }
    return u"failed"_s;
}

// A native path as the messages and the report show it.
QString shownPath(const QByteArray& path)
{
    return lang::escaped(files::decodeNativePath(path.constData()));
}

// Why, in words: the report's (language English, never translated) or a message's.
QString reasonText(const Reason& reason, Language language)
{
    const QString name = shownPath(reason.name);
    const auto error = [&] { return lang::errorText(reason.error, language); };
    switch (reason.code) {
    case Code::None:
        return {};
    case Code::NotText:
        return texts::notTextReason(language);
    case Code::SymbolicLink:
        return texts::symbolicLinkReason(language);
    case Code::SpecialFile:
        return texts::specialFileReason(language);
    case Code::SameFileAs:
        return texts::sameFileAs(language, name);
    case Code::IsBackup:
        return texts::backupReason(language);
    case Code::InDoubt:
        return texts::codepageInDoubt(language, reason.detail);
    case Code::NoConversion:
        return texts::noConversionReason(language, reason.detail, error());
    case Code::WouldLose:
        return texts::wouldLose(language, reason.number);
    case Code::WouldOverwrite:
        return texts::wouldOverwrite(language, name);
    case Code::NameTaken:
        return texts::nameTaken(language, name);
    case Code::NameInDoubt:
        return texts::nameInDoubt(language, reason.detail);
    case Code::NameInvalid:
        return texts::nameInvalid(language);
    case Code::NameTooLong:
        return texts::nameTooLong(language, name);
    case Code::Failure:
        return reason.name.isEmpty() ? error() : name + u": "_s + error();
    case Code::BackupFailed:
        return texts::backupFailed(language, name, error());
    case Code::RenameFailed:
        return texts::renameFailed(language, name, error());
    case Code::OtherNamesKeepOldText:
        return texts::otherNamesKeepOldText(language, {}, reason.number);
    case Code::OutputIsInput:
        return texts::sameFile(language, {}, name);
    case Code::UserSkipped:
        return texts::userSkipped(language);
    case Code::DoubleEncoded:
        return texts::doubleEncoded(language, reason.detail, false);
    case Code::MojibakeRepaired:
        return texts::doubleEncoded(language, reason.detail, true);
    case Code::OutputIsAnotherInput:
    case Code::SharedOutput:
        break; // told as a batch tells them, before anything is converted
    }
    return {};
}

QString reasonsText(const Result& result, Language language)
{
    QStringList texts;
    for (const Reason& reason : result.reasons) {
        if (reason.code != Code::OtherNamesKeepOldText)
            texts << reasonText(reason, language);
    }
    return texts.join(u"; "_s);
}

std::optional<Action> outcomeNamed(QStringView name)
{
    for (const Action action :
         {Action::Converted, Action::Copied, Action::Unchanged, Action::Skipped, Action::Failed}) {
        if (outcomeName(action) == name)
            return action;
    }
    return std::nullopt;
}

QByteArray reportLine(const Node& node, const Result& result)
{
    const convert::Counts& counts = result.counts;
    const QStringList fields{shownPath(node.path),
                             result.from,
                             result.to,
                             outcomeName(result.action),
                             QString::number(counts.changed),
                             QString::number(counts.lost + counts.invalid),
                             result.newName.isEmpty() ? QString() : shownPath(result.newName),
                             reasonsText(result, Language::English),
                             result.language,
                             result.backup.isEmpty() ? QString() : shownPath(result.backup),
                             QString::fromLatin1(result.sha256)};
    return (fields.join(u'\t') + u'\n').toUtf8();
}

std::optional<QByteArray> unescape(QStringView shown)
{
    QString text;
    for (qsizetype k = 0; k < shown.size(); ++k) {
        if (shown[k] != u'\\') {
            text += shown[k];
            continue;
        }
        if (++k >= shown.size())
            return std::nullopt;
        bool number = false;
        if (shown[k] == u'\\') {
            text += u'\\';
        } else if (shown[k] == u'x' && k + 2 < shown.size()) {
            const uint byte = shown.sliced(k + 1, 2).toUInt(&number, 16);
            if (!number)
                return std::nullopt;
            // Below 0x80 a byte is its own character; above, a byte that was no UTF-8.
            text += byte < 0x80 ? QChar(char16_t(byte)) : QChar(char16_t(0xDC00 + byte));
            k += 2;
        } else if (shown[k] == u'u' && k + 1 < shown.size() && shown[k + 1] == u'{') {
            const qsizetype close = shown.indexOf(u'}', k);
            const uint code = close < 0 ? 0 : shown.sliced(k + 2, close - k - 2).toUInt(&number, 16);
            if (!number || code > 0x10FFFF)
                return std::nullopt;
            const char32_t character = code;
            text += QString::fromUcs4(&character, 1);
            k = close;
        } else {
            return std::nullopt;
        }
    }
    return files::nativePath(text);
}

base::Expected<std::vector<ReportRow>> readReport(const QByteArray& text)
{
    std::vector<ReportRow> rows;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        if (lines[n].isEmpty())
            continue;
        const QStringList fields = QString::fromUtf8(lines[n]).split(u'\t');
        const auto bad = [&] {
            return base::Error{make_error_code(base::Fault::BadValue), base::Side::Input, QString::number(n + 1), {}};
        };
        if (fields.size() != kFields)
            return bad();
        ReportRow row;
        const std::optional<QByteArray> path = unescape(fields[0]);
        const std::optional<Action> action = outcomeNamed(fields[3]);
        const std::optional<QByteArray> newName = unescape(fields[6]);
        const std::optional<QByteArray> backup = unescape(fields[9]);
        if (!path || path->isEmpty() || !action || !newName || !backup)
            return bad();
        row.path = *path;
        row.from = fields[1];
        row.to = fields[2];
        row.action = *action;
        row.newName = *newName;
        row.backup = *backup;
        row.sha256 = fields[10].toLatin1();
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace trelvick::rescue
