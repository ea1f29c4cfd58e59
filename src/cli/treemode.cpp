// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/treemode.h"

#include "charset/charset.h"
#include "cli/reporter.h"
#include "cli/treefile.h"
#include "cli/treenames.h"
#include "cli/treeplan.h"
#include "files/fileops.h"
#include "files/posixfile.h"
#include "lang/clitexts.h"
#include "lang/errortext.h"
#include "lang/escape.h"
#include "tree/orderedjobs.h"
#include "tree/walk.h"

#include <QThread>

#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace trelvick::cli {

using namespace Qt::StringLiterals;
namespace texts = lang::cli;
using tree::Node;

namespace {

constexpr std::chrono::milliseconds kProgressInterval(100);

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

// A run over the inputs: the plan made first, the nodes then converted by the workers and delivered
// here in order, with the report, the progress and the summary.
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
    bool findNames();
    std::optional<QList<QByteArray>> inputs() const;
    std::optional<QByteArray> outputDir(const std::vector<Node>& nodes) const;
    int convertAll();
    void deliver(qsizetype i);
    void tally(const Result& result);
    void report(const Node& node, const Result& result);
    void tick();

    const Options& m_options;
    const Context& m_context;
    Reporter m_reporter;
    std::optional<NameConverter> m_names;
    std::optional<TreePlan> m_plan;
    std::optional<TreeFile> m_file;
    std::vector<Result> m_results;
    texts::TreeCounts m_counts;
    bool m_failed = false;
    std::int64_t m_totalBytes = 0;
    std::int64_t m_doneBytes = 0;
    std::int64_t m_doneFiles = 0;
    std::optional<ProgressBar> m_bar;
};

bool TreeJob::findNames()
{
    if (!m_options.convertNames)
        return true;
    std::optional<charset::Charset> namesFrom;
    if (!m_options.namesFrom.isEmpty()) {
        namesFrom = findCodepage(m_options.namesFrom, u"--names-from"_s, m_reporter, language());
        if (!namesFrom)
            return false;
    }
    m_names.emplace(std::move(namesFrom));
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

// The native --output-dir, empty with -i; nothing when it cannot be used.
std::optional<QByteArray> TreeJob::outputDir(const std::vector<Node>& nodes) const
{
    if (!m_options.outputDir)
        return QByteArray();
    const QByteArray outputDir = files::nativePath(*m_options.outputDir);
    // Its results would be walked as inputs on the next run, or even on this one.
    if (tree::liesInside(outputDir, nodes)) {
        m_reporter.error(texts::outputDirInsideInput(language(), lang::escaped(*m_options.outputDir)));
        return std::nullopt;
    }
    return outputDir;
}

int TreeJob::run()
{
    std::optional<Conversions> conversions = TreeFile::findConversions(m_options, m_reporter, language());
    if (!conversions || !findNames())
        return kBadUsage;
    const std::optional<QList<QByteArray>> given = inputs();
    if (!given)
        return kBadUsage;
    std::vector<Node> nodes = tree::walk(*given, m_options.recursive);
    const std::optional<QByteArray> outputDir = this->outputDir(nodes);
    if (!outputDir)
        return kBadUsage;
    for (const Node& node : nodes) {
        if (node.kind == Node::Kind::File && node.sameAs < 0)
            m_totalBytes += node.info.st_size;
    }
    if (m_options.outputDir) {
        if (const base::Error failed = makeFolders(*outputDir)) {
            m_reporter.error(
                texts::fileFailure(lang::escaped(*m_options.outputDir), lang::errorText(failed, language())));
            return kConversionFailed;
        }
    }
    m_plan.emplace(m_options, language(), std::move(nodes), *outputDir);
    m_results.resize(m_plan->nodes().size());
    m_plan->plan(m_names);
    m_plan->settleFolders(m_results);
    m_file.emplace(m_options, language(), std::move(*conversions), *m_plan);
    return convertAll();
}

// The workers convert the nodes; each result is delivered in the order of the nodes.
int TreeJob::convertAll()
{
    const std::vector<Node>& nodes = m_plan->nodes();
    const int workers = m_options.jobs > 0 ? m_options.jobs : std::max(1, QThread::idealThreadCount());
    const auto count = static_cast<qsizetype>(nodes.size());
    const tree::JobsOutcome outcome =
        tree::runInOrder(count, workers,
                         {[this, &nodes](qsizetype i) {
                              if (nodes[std::size_t(i)].kind != Node::Kind::Folder || nodes[std::size_t(i)].sameAs >= 0)
                                  m_results[std::size_t(i)] = m_file->convertOne(i);
                          },
                          [this](qsizetype i) { deliver(i); }, [this] { tick(); }},
                         kProgressInterval);
    m_bar.reset();

    m_reporter.notice(texts::treeSummary(language(), m_counts));
    if (outcome.signal != 0) {
        std::int64_t files = 0;
        for (const Node& node : nodes)
            files += node.kind != Node::Kind::Folder;
        m_reporter.error(texts::interruptedAfter(language(), m_counts.files, files));
        tree::endBySignal(outcome.signal);
    }
    return m_failed ? kConversionFailed : kDone;
}

void TreeJob::deliver(qsizetype i)
{
    const Node& node = m_plan->node(i);
    Result& result = m_results[std::size_t(i)];
    if (node.kind == Node::Kind::File && node.sameAs >= 0)
        result = m_file->repeat(i, m_results[std::size_t(node.sameAs)]);
    const bool folder = node.kind == Node::Kind::Folder && node.sameAs < 0;
    if (!folder)
        tally(result);
    if (node.kind == Node::Kind::File && node.sameAs < 0) {
        ++m_doneFiles;
        m_doneBytes += node.info.st_size;
    }
    m_failed = m_failed || result.problem;
    report(node, result);
}

// The summary's counts, for a file or any other node but a folder.
void TreeJob::tally(const Result& result)
{
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

void TreeJob::report(const Node& node, const Result& result)
{
    const bool folder = node.kind == Node::Kind::Folder && node.sameAs < 0;
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
        const std::int64_t files = static_cast<std::int64_t>(m_plan->inputFileCount());
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
