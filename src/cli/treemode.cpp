// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/treemode.h"

#include "charset/charset.h"
#include "charset/tables.h"
#include "cli/reporter.h"
#include "cli/treenames.h"
#include "files/fileconversion.h"
#include "files/fileops.h"
#include "files/paths.h"
#include "files/posixfile.h"
#include "guess/guess.h"
#include "lang/clitexts.h"
#include "lang/errortext.h"
#include "lang/escape.h"
#include "tree/orderedjobs.h"
#include "tree/walk.h"

#include <QHash>
#include <QSet>
#include <QThread>

#include <array>
#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace trelvick::cli {

using namespace Qt::StringLiterals;
namespace texts = lang::cli;
using tree::Node;

namespace {

constexpr std::chrono::milliseconds kProgressInterval(100);

// What happened to a file: the report's fourth field, the same in every language.
enum class Outcome
{
    Converted,
    Copied,    // not text, or a text that cannot be converted here: the output tree gets it as it is
    Unchanged, // already in the target codepage
    Skipped,
    Failed,
};

QString outcomeName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Converted:
        return u"converted"_s;
    case Outcome::Copied:
        return u"copied"_s;
    case Outcome::Unchanged:
        return u"unchanged"_s;
    case Outcome::Skipped:
        return u"skipped"_s;
    case Outcome::Failed:
        break;
    }
    return u"failed"_s;
}

QString nameOf(guess::Encoding encoding)
{
    const std::string_view name = guess::encodingName(encoding);
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

QString shownPath(const QByteArray& path)
{
    return lang::escaped(files::decodeNativePath(path.constData()));
}

QByteArray joined(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// mkdir -p: the output folder and the folders it lies in.
base::Error makeFolders(const QByteArray& path)
{
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0777);
    if (::mkdir(path.constData(), 0777) == 0)
        return {};
    const int made = errno;
    struct stat info;
    if (::stat(path.constData(), &info) == 0)
        return S_ISDIR(info.st_mode) ? base::Error{} : base::Error::system(ENOTDIR);
    return base::Error::system(made);
}

struct Result
{
    Outcome outcome = Outcome::Skipped;
    QString from;
    QString to;
    convert::Counts counts;
    QByteArray newName; // the name it was given (--names)
    QString reason;
    bool problem = false; // exit status 1, and a message whatever --quiet says
    bool warning = false; // a message whatever --quiet says, but no failure
    QByteArray finalPath; // where the file (-i) or its output now lies, for its other hard links
};

// Where each node lies and where its result goes, settled before any file is converted.
struct Place
{
    QByteArray at;          // the file as it lies now (its folders may have been renamed)
    QByteArray output;      // --output-dir: its result; -i: the same as at
    QByteArray newName;     // --names: its new last name, when it changes and is free
    QByteArray nameTakenBy; // the new name it would have had, when another file has it
};

// The converters a run needs, looked up once before the files are.
struct Conversions
{
    charset::Charset target;
    QString targetName;
    bool targetKeepsAscii = false;
    // -f NAME: the one converter; -f auto: one per guessed encoding that converts at all.
    std::optional<charset::Charset> source;
    QString sourceName;
    std::optional<convert::Converter> fixed;
    std::array<std::optional<convert::Converter>, guess::kEncodingCount> guessed;
    std::array<base::Error, guess::kEncodingCount> guessFailure;
    std::array<bool, guess::kEncodingCount> alreadyTarget{};
    convert::Converter copy = convert::ConversionTable(); // every byte as it is
};

class TreeJob final
{
public:
    TreeJob(const Options& options, const Context& context)
        : m_options(options), m_context(context), m_reporter(context, options.quiet)
    {
    }

    int run();

private:
    lang::Language language() const { return m_context.language; }
    bool findConversions();
    std::optional<QList<QByteArray>> inputs() const;
    void plan();
    void settleFolders();
    Result convertOne(qsizetype i) const;
    Result convertFile(qsizetype index) const;
    Result placeResult(Result result, const Place& place) const;
    base::Error makeBackup(const QByteArray& path) const;
    Result repeat(qsizetype i, const Result& first) const;
    bool outputIsInput(const QByteArray& output) const;
    void deliver(qsizetype i);
    void tick();

    const Options& m_options;
    const Context& m_context;
    Reporter m_reporter;
    std::optional<Conversions> m_conversions;
    std::optional<NameConverter> m_names;
    QByteArray m_outputDir;
    std::vector<Node> m_nodes;
    std::vector<Place> m_places;
    std::vector<Result> m_results;
    std::vector<int> m_repeats; // for each file, how many later nodes are other names of it
    QSet<std::pair<quint64, quint64>> m_inputFiles;
    texts::TreeCounts m_counts;
    bool m_failed = false;
    std::int64_t m_totalBytes = 0;
    std::int64_t m_doneBytes = 0;
    std::int64_t m_doneFiles = 0;
    std::optional<ProgressBar> m_bar;
};

bool TreeJob::findConversions()
{
    Conversions c;
    const auto find = [&](const QString& name, const QString& option) -> std::optional<charset::Charset> {
        base::Expected<charset::Charset> found = charset::Charset::find(files::nativePath(name).toStdString());
        if (found)
            return std::move(*found);
        m_reporter.error(
            texts::badCodepage(language(), option, lang::escaped(name), lang::errorText(found.error(), language())));
        return std::nullopt;
    };
    std::optional<charset::Charset> target = find(m_options.toCode, u"-t"_s);
    if (!target)
        return false;
    c.target = std::move(*target);
    c.targetName = lang::escaped(m_options.toCode);
    c.targetKeepsAscii = c.target.isUtf8();
    if (!c.targetKeepsAscii) {
        c.targetKeepsAscii = true;
        for (int b = 0; b < 128; ++b)
            c.targetKeepsAscii = c.targetKeepsAscii && c.target.codePage().character(std::uint8_t(b)) == b;
    }

    if (m_options.fromCode.compare(kAutoCodepage, Qt::CaseInsensitive) != 0) {
        c.source = find(m_options.fromCode, u"-f"_s);
        if (!c.source)
            return false;
        c.sourceName = lang::escaped(m_options.fromCode);
        if (c.source->iconvName() != c.target.iconvName()) {
            base::Expected<convert::Converter> fixed = charset::converter(*c.source, c.target);
            if (!fixed) {
                m_reporter.error(
                    texts::badCodepage(language(), u"-t"_s, c.targetName, lang::errorText(fixed.error(), language())));
                return false;
            }
            c.fixed = std::move(*fixed);
        }
    }
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
    m_conversions = std::move(c);

    if (m_options.convertNames) {
        std::optional<charset::Charset> namesFrom;
        if (!m_options.namesFrom.isEmpty()) {
            namesFrom = find(m_options.namesFrom, u"--names-from"_s);
            if (!namesFrom)
                return false;
        }
        m_names.emplace(std::move(namesFrom));
    }
    return true;
}

// The inputs named on the line, then those of --files-from.
std::optional<QList<QByteArray>> TreeJob::inputs() const
{
    QList<QByteArray> list;
    for (const QString& file : m_options.files)
        list << files::nativePath(file);
    if (!m_options.filesFrom)
        return list;
    const QString& from = *m_options.filesFrom;
    files::InputFile file;
    if (from != kStandardStream && !file.open(from)) {
        m_reporter.error(texts::fileFailure(m_reporter.shown(from, true), lang::errorText(file.error(), language())));
        return std::nullopt;
    }
    files::DescriptorSource standardInput(m_context.inputFd);
    files::DescriptorSource& reader = from == kStandardStream ? standardInput : file;
    QByteArray bytes;
    char buffer[64 * 1024];
    for (;;) {
        const std::int64_t got = reader.read(buffer, sizeof buffer);
        if (got < 0) {
            m_reporter.error(
                texts::fileFailure(m_reporter.shown(from, true), lang::errorText(reader.error(), language())));
            return std::nullopt;
        }
        if (got == 0)
            break;
        bytes.append(buffer, qsizetype(got));
    }
    return list + tree::splitFileList(bytes, m_options.nulSeparated);
}

int TreeJob::run()
{
    if (!findConversions())
        return kBadUsage;
    const std::optional<QList<QByteArray>> given = inputs();
    if (!given)
        return kBadUsage;
    m_nodes = tree::walk(*given, m_options.recursive);
    if (m_options.outputDir) {
        m_outputDir = files::nativePath(*m_options.outputDir);
        // Its results would be walked as inputs on the next run, or even on this one.
        if (tree::liesInside(m_outputDir, m_nodes)) {
            m_reporter.error(texts::outputDirInsideInput(language(), lang::escaped(*m_options.outputDir)));
            return kBadUsage;
        }
    }
    m_repeats.assign(m_nodes.size(), 0);
    for (const Node& node : m_nodes) {
        if (node.kind == Node::Kind::File && node.sameAs < 0) {
            m_inputFiles.insert({quint64(node.info.st_dev), quint64(node.info.st_ino)});
            m_totalBytes += node.info.st_size;
        } else if (node.kind == Node::Kind::File) {
            ++m_repeats[std::size_t(node.sameAs)];
        }
    }
    if (m_options.outputDir) {
        if (const base::Error failed = makeFolders(m_outputDir)) {
            m_reporter.error(
                texts::fileFailure(lang::escaped(*m_options.outputDir), lang::errorText(failed, language())));
            return kConversionFailed;
        }
    }
    plan();
    settleFolders();

    const int workers = m_options.jobs > 0 ? m_options.jobs : std::max(1, QThread::idealThreadCount());
    const auto count = static_cast<qsizetype>(m_nodes.size());
    const tree::JobsOutcome outcome = tree::runInOrder(count, workers,
                                                       {[this](qsizetype i) {
                                                            if (m_nodes[std::size_t(i)].kind != Node::Kind::Folder ||
                                                                m_nodes[std::size_t(i)].sameAs >= 0)
                                                                m_results[std::size_t(i)] = convertOne(i);
                                                        },
                                                        [this](qsizetype i) { deliver(i); }, [this] { tick(); }},
                                                       kProgressInterval);
    m_bar.reset();

    m_reporter.notice(texts::treeSummary(language(), m_counts));
    if (outcome.signal != 0) {
        std::int64_t files = 0;
        for (const Node& node : m_nodes)
            files += node.kind != Node::Kind::Folder;
        m_reporter.error(texts::interruptedAfter(language(), m_counts.files, files));
        tree::endBySignal(outcome.signal);
    }
    return m_failed ? kConversionFailed : kDone;
}

// The new names, each checked against its neighbours': a name that stays keeps its file, and of two
// files whose names become the same, the first keeps it and the other its old name.
void TreeJob::plan()
{
    m_places.resize(m_nodes.size());
    m_results.resize(m_nodes.size());
    if (!m_names)
        return;
    // Which folder each new name lands in: a folder node's index, or for files given by name (and
    // with --output-dir, for everything right under an input folder) the output folder or the file's own.
    QHash<QByteArray, qsizetype> folderOf; // "root\0relative" of each folder node
    const auto key = [](int root, const QByteArray& relative) { return QByteArray::number(root) + '\0' + relative; };
    std::vector<QByteArray> claimIn(m_nodes.size());
    std::vector<QByteArray> oldName(m_nodes.size());
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        const Node& node = m_nodes[i];
        if (node.kind == Node::Kind::Folder && node.sameAs < 0)
            folderOf.insert(key(node.root, node.relative), qsizetype(i));
        if (node.relative.isEmpty() || node.kind == Node::Kind::Failed)
            continue; // an input folder keeps the name it was given by
        const qsizetype slash = node.relative.lastIndexOf('/');
        oldName[i] = node.relative.mid(slash + 1);
        const bool isInput = i == 0 || m_nodes[i - 1].root != node.root;
        if (isInput || (slash < 0 && m_options.outputDir))
            claimIn[i] = m_options.outputDir ? QByteArray("out") : "in:" + files::splitPath(node.path).folder;
        else
            claimIn[i] = "n" + QByteArray::number(folderOf.value(
                                   key(node.root, node.relative.left(std::max<qsizetype>(slash, 0))), -1));
        const std::optional<QByteArray> converted = m_names->convert(oldName[i]);
        if (converted && *converted != oldName[i])
            m_places[i].newName = *converted;
    }
    QSet<QByteArray> taken;
    for (const bool renamed : {false, true}) {
        for (std::size_t i = 0; i < m_nodes.size(); ++i) {
            if (claimIn[i].isEmpty() || m_places[i].newName.isEmpty() != !renamed)
                continue;
            const QByteArray name = renamed ? m_places[i].newName : oldName[i];
            if (!taken.contains(claimIn[i] + '/' + name)) {
                taken.insert(claimIn[i] + '/' + name);
            } else if (renamed) {
                m_places[i].nameTakenBy = name;
                m_places[i].newName.clear();
                taken.insert(claimIn[i] + '/' + oldName[i]);
            }
        }
    }
}

// Where every node lies and goes: output folders are made, and with -i the folders renamed, before
// any file is, so that the workers find every path ready.
void TreeJob::settleFolders()
{
    QHash<QByteArray, std::pair<QByteArray, QByteArray>> folders; // "root\0relative": at, output
    const auto key = [](int root, const QByteArray& relative) { return QByteArray::number(root) + '\0' + relative; };
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        const Node& node = m_nodes[i];
        Place& place = m_places[i];
        const bool isInput = i == 0 || m_nodes[i - 1].root != node.root;
        if (isInput) {
            place.at = node.path;
            if (node.kind == Node::Kind::Folder)
                place.output = m_options.outputDir ? m_outputDir : node.path;
            else
                place.output = m_options.outputDir
                                   ? joined(m_outputDir, place.newName.isEmpty() ? node.relative : place.newName)
                                   : node.path;
        } else {
            const qsizetype slash = node.relative.lastIndexOf('/');
            const QByteArray name = node.relative.mid(slash + 1);
            const auto& [parentAt, parentOutput] =
                folders.value(key(node.root, node.relative.left(std::max<qsizetype>(slash, 0))));
            place.at = joined(parentAt, name);
            place.output =
                m_options.outputDir ? joined(parentOutput, place.newName.isEmpty() ? name : place.newName) : place.at;
        }
        if (node.kind != Node::Kind::Folder || node.sameAs >= 0)
            continue;

        Result& folderResult = m_results[i];
        folderResult.outcome = Outcome::Unchanged;
        if (m_options.outputDir) {
            if (::mkdir(place.output.constData(), node.info.st_mode & 07777) != 0 && errno != EEXIST) {
                folderResult.outcome = Outcome::Failed;
                folderResult.reason =
                    shownPath(place.output) + u": "_s + lang::errorText(base::Error::system(errno), language());
                folderResult.problem = true;
            }
        } else if (!place.newName.isEmpty()) {
            const QByteArray renamed = joined(files::splitPath(place.at).folder, place.newName);
            if (const base::Error failed = files::renameNoReplace(files::decodeNativePath(place.at.constData()),
                                                                  files::decodeNativePath(renamed.constData()))) {
                folderResult.reason =
                    texts::renameFailed(language(), shownPath(place.newName), lang::errorText(failed, language()));
                folderResult.problem = true;
            } else {
                folderResult.newName = place.newName;
                place.at = renamed;
                place.output = renamed;
            }
        }
        if (m_options.outputDir && !place.newName.isEmpty())
            folderResult.newName = place.newName;
        if (!place.nameTakenBy.isEmpty()) {
            folderResult.reason = texts::nameTaken(language(), shownPath(place.nameTakenBy));
            folderResult.problem = true;
        }
        folders.insert(key(node.root, node.relative), {place.at, place.output});
    }
}

bool TreeJob::outputIsInput(const QByteArray& output) const
{
    struct stat info;
    return ::stat(output.constData(), &info) == 0 &&
           m_inputFiles.contains({quint64(info.st_dev), quint64(info.st_ino)});
}

// The work of one node, on a worker thread: only this node's own files are touched.
Result TreeJob::convertOne(qsizetype i) const
{
    const Node& node = m_nodes[std::size_t(i)];
    const Place& place = m_places[std::size_t(i)];
    Result result;
    switch (node.kind) {
    case Node::Kind::Failed:
        result.outcome = Outcome::Failed;
        result.reason = lang::errorText(node.error, language());
        result.problem = true;
        return result;
    case Node::Kind::Link:
        result.reason = texts::symbolicLinkReason(language());
        return result;
    case Node::Kind::Special:
        result.reason = texts::specialFileReason(language());
        return result;
    case Node::Kind::Folder: // a folder met again; its contents were walked once
        result.reason = texts::sameFileAs(language(), shownPath(m_nodes[std::size_t(node.sameAs)].path));
        return result;
    case Node::Kind::File:
        break;
    }
    if (node.sameAs >= 0)
        return result; // done in deliver, once the first name's result is in
    if (m_options.inPlace && m_options.backupSuffix && node.path.endsWith(files::nativePath(*m_options.backupSuffix))) {
        // A backup of an earlier run: converting it would undo what it keeps.
        result.reason = texts::backupReason(language());
        return result;
    }
    return placeResult(convertFile(i), place);
}

// The contents: guessed, then converted, copied or left alone.
Result TreeJob::convertFile(qsizetype index) const
{
    const Node& node = m_nodes[std::size_t(index)];
    const Place& place = m_places[std::size_t(index)];
    const Conversions& c = *m_conversions;
    Result result;
    const auto fail = [&](const base::Error& error) {
        result.outcome = Outcome::Failed;
        result.reason = lang::errorText(error, language());
        result.problem = true;
        return result;
    };

    // One open for the guess and the conversion: over thousands of small files the opens add up.
    files::InputFile file;
    if (!file.open(place.at))
        return fail(file.error());
    std::optional<guess::Guess> guessed;
    {
        guess::DescriptorReader reader(file.descriptor());
        base::Expected<guess::Guess> read = guess::guessFile(reader);
        if (!read)
            return fail(read.error());
        guessed = std::move(*read);
    }

    const convert::Converter* converter = &c.copy;
    if (!guessed->fits()) {
        result.outcome = Outcome::Copied;
        result.reason = texts::notTextReason(language());
    } else {
        const guess::Encoding best = guessed->ranked.front().encoding;
        const auto e = std::size_t(best);
        result.to = c.targetName;
        if (c.alreadyTarget[e] || (c.source && c.source->iconvName() == c.target.iconvName())) {
            result.outcome = Outcome::Unchanged;
            result.from = c.source ? c.sourceName : nameOf(best);
        } else if (c.source) {
            result.from = c.sourceName;
            if (c.source->isUtf8() && best != guess::Encoding::Utf8) {
                // Read as UTF-8, a file in another codepage would come out as replacement characters.
                result.outcome = Outcome::Skipped;
                result.reason = texts::codepageInDoubt(language(), nameOf(best));
                result.problem = true;
                return result;
            }
            result.outcome = Outcome::Converted;
            converter = &*c.fixed;
        } else {
            result.from = nameOf(best);
            if (guessed->doubtful(m_options.minConfidence / 100.0)) {
                QStringList candidates;
                for (const guess::Likelihood& likelihood : guessed->ranked) {
                    if (likelihood.confidence >= guess::kCloseRunnerUp)
                        candidates << nameOf(likelihood.encoding) + u' ' +
                                          QString::number(texts::percent(likelihood.confidence)) + u'%';
                }
                result.outcome = Outcome::Skipped;
                result.reason = texts::codepageInDoubt(language(), candidates.join(u", "_s));
                result.problem = true;
                return result;
            }
            if (!c.guessed[e]) {
                result.outcome = Outcome::Skipped;
                result.reason = lang::errorText(c.guessFailure[e], language());
                result.problem = true;
                return result;
            }
            result.outcome = Outcome::Converted;
            converter = &*c.guessed[e];
        }
    }
    if (m_options.inPlace && result.outcome != Outcome::Converted)
        return result;
    if (m_options.outputDir && outputIsInput(place.output)) {
        result.outcome = Outcome::Failed;
        result.reason = texts::sameFile(language(), shownPath(node.path), shownPath(place.output));
        result.problem = true;
        return result;
    }

    const bool backup = m_options.inPlace && m_options.backupSuffix;
    if (backup) {
        if (const base::Error failed = makeBackup(place.at)) {
            result.outcome = Outcome::Failed;
            result.reason =
                texts::backupFailed(language(), shownPath(place.at + files::nativePath(*m_options.backupSuffix)),
                                    lang::errorText(failed, language()));
            result.problem = true;
            return result;
        }
    }
    files::FileConversion request;
    if (::lseek(file.descriptor(), 0, SEEK_SET) != 0)
        return fail(base::Error::system(errno));
    request.inputFd = file.descriptor();
    request.output = files::decodeNativePath(place.output.constData());
    request.regularOutputOnly = true;
    request.lineEnds = converter == &c.copy ? convert::LineEnds::Keep : engineLineEnds(m_options.effectiveLineEnds());
    request.refuseLoss = m_options.strict && converter != &c.copy;
    const files::ConversionOutcome done = files::convertFile(request, *converter);
    if (!done.ok()) {
        if (backup) // the original stayed as it was: its backup would only be in the way
            ::unlink((place.at + files::nativePath(*m_options.backupSuffix)).constData());
        result.outcome = Outcome::Failed;
        const QString side = done.error.side == base::Side::Output && m_options.outputDir
                                 ? shownPath(place.output) + u": "_s
                                 : QString();
        result.reason = side + lang::errorText(done.error, language());
        result.problem = true;
        return result;
    }
    if (result.outcome == Outcome::Converted)
        result.counts = done.counts;
    // The backup and the names met in the tree are taken care of; any others keep the old text.
    const std::int64_t elsewhere = done.otherNames - (backup ? 1 : 0) - m_repeats[std::size_t(index)];
    if (elsewhere > 0) {
        result.reason = texts::otherNamesKeepOldText(language(), shownPath(place.at), elsewhere);
        result.warning = true;
    }
    return result;
}

// The original under its name plus the suffix, as a second name of the very same file: the
// conversion then replaces the first name only. A name already there is never replaced.
base::Error TreeJob::makeBackup(const QByteArray& path) const
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
    return files::convertFile(copy, m_conversions->copy).error;
}

// The new name, with -i, once the contents are done.
Result TreeJob::placeResult(Result result, const Place& place) const
{
    result.finalPath = place.output;
    if (!place.nameTakenBy.isEmpty()) {
        result.reason = texts::nameTaken(language(), shownPath(place.nameTakenBy));
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
        result.reason = failed.is(EEXIST) ? texts::nameTaken(language(), shownPath(place.newName))
                                          : texts::renameFailed(language(), shownPath(place.newName),
                                                                lang::errorText(failed, language()));
        result.problem = true;
        return result;
    }
    result.newName = place.newName;
    result.finalPath = renamed;
    return result;
}

// Another name of a file already done: it becomes a name of the result too, so that the tree keeps
// its links and the file is converted once.
Result TreeJob::repeat(qsizetype i, const Result& first) const
{
    const Node& node = m_nodes[std::size_t(i)];
    const Place& place = m_places[std::size_t(i)];
    Result result;
    result.outcome = first.outcome;
    result.from = first.from;
    result.to = first.to;
    result.problem = first.problem;
    result.reason = texts::sameFileAs(language(), shownPath(m_nodes[std::size_t(node.sameAs)].path));
    const bool written = m_options.outputDir ? first.outcome != Outcome::Skipped && first.outcome != Outcome::Failed
                                             : first.outcome == Outcome::Converted;
    if (!written)
        return placeResult(result, place);
    if (m_options.outputDir && outputIsInput(place.output)) {
        result.outcome = Outcome::Failed;
        result.reason = texts::sameFile(language(), shownPath(node.path), shownPath(place.output));
        result.problem = true;
        return result;
    }
    if (const base::Error failed = files::linkReplacing(first.finalPath, place.output)) {
        result.outcome = Outcome::Failed;
        result.reason = shownPath(place.output) + u": "_s + lang::errorText(failed, language());
        result.problem = true;
        return result;
    }
    return placeResult(result, place);
}

void TreeJob::deliver(qsizetype i)
{
    const Node& node = m_nodes[std::size_t(i)];
    Result& result = m_results[std::size_t(i)];
    if (node.kind == Node::Kind::File && node.sameAs >= 0)
        result = repeat(i, m_results[std::size_t(node.sameAs)]);
    const bool folder = node.kind == Node::Kind::Folder && node.sameAs < 0;
    if (!folder) {
        ++m_counts.files;
        switch (result.outcome) {
        case Outcome::Converted:
            ++m_counts.converted;
            break;
        case Outcome::Copied:
            ++m_counts.copied;
            break;
        case Outcome::Unchanged:
            ++m_counts.unchanged;
            break;
        case Outcome::Skipped:
            ++m_counts.skipped;
            break;
        case Outcome::Failed:
            ++m_counts.failed;
            break;
        }
    }
    if (node.kind == Node::Kind::File && node.sameAs < 0) {
        ++m_doneFiles;
        m_doneBytes += node.info.st_size;
    }
    m_failed = m_failed || result.problem;

    const QString path = shownPath(node.path);
    if (result.problem || result.warning) {
        m_bar.reset();
        m_reporter.error(result.warning ? result.reason : texts::fileFailure(path, result.reason));
    }
    // A folder has a line of its own only when something happened to it.
    if (m_options.tsvReport && (!folder || result.problem || !result.newName.isEmpty())) {
        const convert::Counts& counts = result.counts;
        const QStringList fields{path,
                                 result.from,
                                 result.to,
                                 outcomeName(result.outcome),
                                 QString::number(counts.changed),
                                 QString::number(counts.lost + counts.invalid),
                                 result.newName.isEmpty() ? QString() : shownPath(result.newName),
                                 lang::escaped(result.reason)};
        m_bar.reset();
        if (m_reporter.print(fields.join(u'\t') + u'\n') != kDone)
            m_failed = true;
    } else if (!result.problem && result.outcome == Outcome::Skipped) {
        m_reporter.notice(texts::fileFailure(path, result.reason));
    }
}

void TreeJob::tick()
{
    if (!m_options.quiet && m_context.errorIsTerminal) {
        if (!m_bar)
            m_bar.emplace(m_context.errorFd);
        const std::int64_t files = static_cast<std::int64_t>(m_inputFiles.size());
        m_bar->show(convert::progressPercentage(m_doneBytes, m_totalBytes),
                    ' ' + QByteArray::number(m_doneFiles) + '/' + QByteArray::number(files));
    }
}

} // namespace

int convertTree(const Options& options, const Context& context)
{
    return TreeJob(options, context).run();
}

} // namespace trelvick::cli
