// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/treefile.h"

#include "charset/tables.h"
#include "files/fileconversion.h"
#include "files/fileops.h"
#include "files/paths.h"
#include "files/posixfile.h"
#include "lang/clitexts.h"
#include "lang/errortext.h"
#include "lang/escape.h"

#include <QStringList>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace trelvick::cli {

using namespace Qt::StringLiterals;
namespace texts = lang::cli;
using tree::Node;

namespace {

QString nameOf(guess::Encoding encoding)
{
    const std::string_view name = guess::encodingName(encoding);
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

// The result so far, with what went wrong: exit status 1, and a message whatever --quiet says.
Result withProblem(Result result, Outcome outcome, QString reason)
{
    result.outcome = outcome;
    result.reason = std::move(reason);
    result.problem = true;
    return result;
}

// The encodings a doubtful guess could not tell apart, with how likely each is.
QString candidates(const guess::Guess& guessed)
{
    QStringList candidates;
    for (const guess::Likelihood& likelihood : guessed.ranked) {
        if (likelihood.confidence >= guess::kCloseRunnerUp)
            candidates << nameOf(likelihood.encoding) + u' ' + QString::number(texts::percent(likelihood.confidence)) +
                              u'%';
    }
    return candidates.join(u", "_s);
}

} // namespace

std::optional<charset::Charset> findCodepage(const QString& name, const QString& option, const Reporter& reporter,
                                             lang::Language language)
{
    base::Expected<charset::Charset> found = charset::Charset::find(files::nativePath(name).toStdString());
    if (found)
        return std::move(*found);
    reporter.error(texts::badCodepage(language, option, lang::escaped(name), lang::errorText(found.error(), language)));
    return std::nullopt;
}

std::optional<Conversions> TreeFile::findConversions(const Options& options, const Reporter& reporter,
                                                     lang::Language language)
{
    Conversions c;
    std::optional<charset::Charset> target = findCodepage(options.toCode, u"-t"_s, reporter, language);
    if (!target)
        return std::nullopt;
    c.target = std::move(*target);
    c.targetName = lang::escaped(options.toCode);
    c.targetKeepsAscii = c.target.isUtf8();
    if (!c.targetKeepsAscii) {
        c.targetKeepsAscii = true;
        for (int b = 0; b < 128; ++b)
            c.targetKeepsAscii = c.targetKeepsAscii && c.target.codePage().character(std::uint8_t(b)) == b;
    }

    if (options.fromCode.compare(kAutoCodepage, Qt::CaseInsensitive) != 0) {
        c.source = findCodepage(options.fromCode, u"-f"_s, reporter, language);
        if (!c.source)
            return std::nullopt;
        c.sourceName = lang::escaped(options.fromCode);
        if (c.source->iconvName() != c.target.iconvName()) {
            base::Expected<convert::Converter> fixed = charset::converter(*c.source, c.target);
            if (!fixed) {
                reporter.error(
                    texts::badCodepage(language, u"-t"_s, c.targetName, lang::errorText(fixed.error(), language)));
                return std::nullopt;
            }
            c.fixed = std::move(*fixed);
        }
    }
    findGuessedConverters(c);
    return c;
}

// One converter per encoding a guess may give; any that fails only fails the files guessed in it.
void TreeFile::findGuessedConverters(Conversions& c)
{
    for (int e = 0; e < guess::kEncodingCount; ++e) {
        const auto encoding = static_cast<guess::Encoding>(e);
        base::Expected<charset::Charset> from = charset::Charset::find(guess::encodingName(encoding));
        if (!from) {
            c.guessFailure[std::size_t(e)] = from.error();
            continue;
        }
        c.alreadyTarget[std::size_t(e)] =
            from->iconvName() == c.target.iconvName() || (encoding == guess::Encoding::Ascii && c.targetKeepsAscii);
        if (c.alreadyTarget[std::size_t(e)])
            continue;
        base::Expected<convert::Converter> converter = charset::converter(*from, c.target);
        if (converter)
            c.guessed[std::size_t(e)] = std::move(*converter);
        else
            c.guessFailure[std::size_t(e)] = converter.error();
    }
}

Result TreeFile::convertOne(qsizetype i) const
{
    const Node& node = m_plan.node(i);
    Result result;
    switch (node.kind) {
    case Node::Kind::Failed:
        return withProblem(result, Outcome::Failed, lang::errorText(node.error, m_language));
    case Node::Kind::Link:
        result.reason = texts::symbolicLinkReason(m_language);
        return result;
    case Node::Kind::Special:
        result.reason = texts::specialFileReason(m_language);
        return result;
    case Node::Kind::Folder: // a folder met again; its contents were walked once
        result.reason = texts::sameFileAs(m_language, shownPath(m_plan.node(node.sameAs).path));
        return result;
    case Node::Kind::File:
        break;
    }
    if (node.sameAs >= 0)
        return result; // done in deliver, once the first name's result is in
    if (m_options.inPlace && m_options.backupSuffix && node.path.endsWith(files::nativePath(*m_options.backupSuffix))) {
        // A backup of an earlier run: converting it would undo what it keeps.
        result.reason = texts::backupReason(m_language);
        return result;
    }
    return placeResult(convertFile(i), m_plan.place(i));
}

// The contents: guessed, then converted, copied or left alone.
Result TreeFile::convertFile(qsizetype index) const
{
    const Node& node = m_plan.node(index);
    const Place& place = m_plan.place(index);
    // One open for the guess and the conversion: over thousands of small files the opens add up.
    files::InputFile file;
    if (!file.open(place.at))
        return withProblem({}, Outcome::Failed, lang::errorText(file.error(), m_language));
    std::optional<guess::Guess> guessed;
    {
        guess::DescriptorReader reader(file.descriptor());
        base::Expected<guess::Guess> read = guess::guessFile(reader);
        if (!read)
            return withProblem({}, Outcome::Failed, lang::errorText(read.error(), m_language));
        guessed = std::move(*read);
    }

    Choice choice = choose(*guessed);
    if (!choice.converter)
        return choice.result;
    if (m_options.inPlace && choice.result.outcome != Outcome::Converted)
        return choice.result;
    if (m_options.outputDir && m_plan.outputIsInput(place.output))
        return withProblem(std::move(choice.result), Outcome::Failed,
                           texts::sameFile(m_language, shownPath(node.path), shownPath(place.output)));
    return write(file.descriptor(), index, std::move(choice.result), *choice.converter);
}

// What the guess makes of the file: converted from which codepage, copied, left alone or skipped.
TreeFile::Choice TreeFile::choose(const guess::Guess& guessed) const
{
    const Conversions& c = m_conversions;
    Choice choice{Result(), &c.copy};
    Result& result = choice.result;
    if (!guessed.fits()) {
        result.outcome = Outcome::Copied;
        result.reason = texts::notTextReason(m_language);
        return choice;
    }
    const guess::Encoding best = guessed.ranked.front().encoding;
    const auto e = std::size_t(best);
    result.to = c.targetName;
    if (c.alreadyTarget[e] || (c.source && c.source->iconvName() == c.target.iconvName())) {
        result.outcome = Outcome::Unchanged;
        result.from = c.source ? c.sourceName : nameOf(best);
        return choice;
    }
    if (c.source) {
        result.from = c.sourceName;
        // Read as UTF-8, a file in another codepage would come out as replacement characters.
        if (c.source->isUtf8() && best != guess::Encoding::Utf8)
            return {withProblem(std::move(result), Outcome::Skipped, texts::codepageInDoubt(m_language, nameOf(best))),
                    nullptr};
        result.outcome = Outcome::Converted;
        choice.converter = &*c.fixed;
        return choice;
    }
    result.from = nameOf(best);
    if (guessed.doubtful(m_options.minConfidence / 100.0))
        return {
            withProblem(std::move(result), Outcome::Skipped, texts::codepageInDoubt(m_language, candidates(guessed))),
            nullptr};
    if (!c.guessed[e])
        return {withProblem(std::move(result), Outcome::Skipped, lang::errorText(c.guessFailure[e], m_language)),
                nullptr};
    result.outcome = Outcome::Converted;
    choice.converter = &*c.guessed[e];
    return choice;
}

// The output written from the open input, with -i after the backup that keeps the original.
Result TreeFile::write(int input, qsizetype index, Result result, const convert::Converter& converter) const
{
    const Place& place = m_plan.place(index);
    const bool backup = m_options.inPlace && m_options.backupSuffix;
    if (backup) {
        if (const base::Error failed = makeBackup(place.at))
            return withProblem(std::move(result), Outcome::Failed,
                               texts::backupFailed(m_language,
                                                   shownPath(place.at + files::nativePath(*m_options.backupSuffix)),
                                                   lang::errorText(failed, m_language)));
    }
    if (::lseek(input, 0, SEEK_SET) != 0)
        return withProblem(std::move(result), Outcome::Failed, lang::errorText(base::Error::system(errno), m_language));
    const bool copy = &converter == &m_conversions.copy;
    files::FileConversion request;
    request.inputFd = input;
    request.output = files::decodeNativePath(place.output.constData());
    request.regularOutputOnly = true;
    request.lineEnds = copy ? convert::LineEnds::Keep : engineLineEnds(m_options.effectiveLineEnds());
    request.refuseLoss = m_options.strict && !copy;
    const files::ConversionOutcome done = files::convertFile(request, converter);
    if (!done.ok()) {
        if (backup) // the original stayed as it was: its backup would only be in the way
            ::unlink((place.at + files::nativePath(*m_options.backupSuffix)).constData());
        const QString side = done.error.side == base::Side::Output && m_options.outputDir
                                 ? shownPath(place.output) + u": "_s
                                 : QString();
        return withProblem(std::move(result), Outcome::Failed, side + lang::errorText(done.error, m_language));
    }
    if (result.outcome == Outcome::Converted)
        result.counts = done.counts;
    // The backup and the names met in the tree are taken care of; any others keep the old text.
    const std::int64_t elsewhere = done.otherNames - (backup ? 1 : 0) - m_plan.repeats(index);
    if (elsewhere > 0) {
        result.reason = texts::otherNamesKeepOldText(m_language, shownPath(place.at), elsewhere);
        result.warning = true;
    }
    return result;
}

// The original under its name plus the suffix, as a second name of the very same file: the
// conversion then replaces the first name only. A name already there is never replaced.
base::Error TreeFile::makeBackup(const QByteArray& path) const
{
    const QByteArray backup = path + files::nativePath(*m_options.backupSuffix);
    if (::link(path.constData(), backup.constData()) == 0)
        return {};
    if (errno != EPERM && errno != EMLINK && errno != ENOTSUP)
        return base::Error::system(errno);
    // A file system without hard links (FAT): a copy, through the same safe writing.
    struct stat info;
    if (::lstat(backup.constData(), &info) == 0)
        return base::Error::system(EEXIST);
    files::FileConversion copy;
    copy.input = files::decodeNativePath(path.constData());
    copy.output = files::decodeNativePath(backup.constData());
    copy.lineEnds = convert::LineEnds::Keep;
    copy.regularOutputOnly = true;
    return files::convertFile(copy, m_conversions.copy).error;
}

// The new name, with -i, once the contents are done.
Result TreeFile::placeResult(Result result, const Place& place) const
{
    result.finalPath = place.output;
    if (!place.nameTakenBy.isEmpty()) {
        result.reason = texts::nameTaken(m_language, shownPath(place.nameTakenBy));
        result.problem = true;
    }
    if (place.newName.isEmpty() || result.outcome == Outcome::Failed || result.outcome == Outcome::Skipped)
        return result;
    if (m_options.outputDir) {
        result.newName = place.newName;
        return result;
    }
    const QByteArray renamed = joined(files::splitPath(place.at).folder, place.newName);
    if (const base::Error failed = files::renameNoReplace(files::decodeNativePath(place.at.constData()),
                                                          files::decodeNativePath(renamed.constData()))) {
        result.reason = failed.is(EEXIST) ? texts::nameTaken(m_language, shownPath(place.newName))
                                          : texts::renameFailed(m_language, shownPath(place.newName),
                                                                lang::errorText(failed, m_language));
        result.problem = true;
        return result;
    }
    result.newName = place.newName;
    result.finalPath = renamed;
    return result;
}

// Another name of a file already done: it becomes a name of the result too, so that the tree keeps
// its links and the file is converted once.
Result TreeFile::repeat(qsizetype i, const Result& first) const
{
    const Node& node = m_plan.node(i);
    const Place& place = m_plan.place(i);
    Result result;
    result.outcome = first.outcome;
    result.from = first.from;
    result.to = first.to;
    result.problem = first.problem;
    result.reason = texts::sameFileAs(m_language, shownPath(m_plan.node(node.sameAs).path));
    const bool written = m_options.outputDir ? first.outcome != Outcome::Skipped && first.outcome != Outcome::Failed
                                             : first.outcome == Outcome::Converted;
    if (!written)
        return placeResult(result, place);
    if (m_options.outputDir && m_plan.outputIsInput(place.output))
        return withProblem(std::move(result), Outcome::Failed,
                           texts::sameFile(m_language, shownPath(node.path), shownPath(place.output)));
    if (const base::Error failed = files::linkReplacing(first.finalPath, place.output))
        return withProblem(std::move(result), Outcome::Failed,
                           shownPath(place.output) + u": "_s + lang::errorText(failed, m_language));
    return placeResult(result, place);
}

} // namespace trelvick::cli
