// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/treemode.h"

#include "charset/charset.h"
#include "charset/widesource.h"
#include "cli/reporter.h"
#include "files/fileops.h"
#include "files/posixfile.h"
#include "lang/clitexts.h"
#include "lang/errortext.h"
#include "lang/escape.h"
#include "rescue/report.h"
#include "rescue/run.h"
#include "rescue/sources.h"
#include "tree/orderedjobs.h"

#include <QStringList>
#include <QThread>

#include <csignal>
#include <optional>
#include <unistd.h>

namespace trelvick::cli {

using namespace Qt::StringLiterals;
namespace texts = lang::cli;
using rescue::Action;
using rescue::Reason;
using rescue::reasonsText;
using rescue::reasonText;
using rescue::shownPath;

namespace {

using Code = Reason::Code;
using lang::Language;

// A run over the inputs as the engine does it, told as a report, messages, a progress bar and a summary.
class TreeFace final : public rescue::Events
{
public:
    TreeFace(const Options& options, const Context& context, const std::optional<ConverterTable>& table)
        : m_options(options), m_context(context), m_reporter(context, options.quiet), m_table(table),
          m_batch(options.batch)
    {
    }

    int run();

    void done(qsizetype i, const rescue::Node& node, const rescue::Result& result) override;
    void progress(std::int64_t files, std::int64_t bytes) override;
    bool stopRequested() const override { return m_reportFailed; }

private:
    Language language() const { return m_context.language; }
    std::optional<charset::Charset> codepage(const QString& name, const QString& option) const;
    std::optional<rescue::Request> request() const;
    std::optional<QList<QByteArray>> listed() const;
    void print(const QByteArray& line);
    void clearBar()
    {
        if (m_bar)
            m_bar->clear();
    }
    void refuse(const rescue::Plan& plan);
    void told(const rescue::Node& node, const rescue::Result& result);
    int finish(const rescue::Finished& finished);

    const Options& m_options;
    const Context& m_context;
    Reporter m_reporter;
    std::int64_t m_totalFiles = 0;
    std::int64_t m_totalBytes = 0;
    bool m_reportFailed = false;
    std::optional<JobBar> m_bar;
    const bool m_outputIsTerminal = ::isatty(m_context.outputFd) == 1; // the report shares the bar's line
    const std::optional<ConverterTable>& m_table;
    const bool m_batch;        // --batch: NAME.out beside each input, told as one file into another
    std::int64_t m_failed = 0; // --batch: the inputs refused or failed
    QString m_codepageShown;   // --batch with -f: the target, for the counts of lost characters
};

std::optional<charset::Charset> TreeFace::codepage(const QString& name, const QString& option) const
{
    base::Expected<charset::Charset> found = charset::Charset::find(files::nativePath(name).toStdString());
    if (found)
        return std::move(*found);
    m_reporter.error(texts::codepageRefused(language(), option, lang::escaped(name),
                                            lang::errorText(found.error(), language()),
                                            found.error().is(base::Fault::UnknownCharset)));
    return std::nullopt;
}

std::optional<rescue::Request> TreeFace::request() const
{
    rescue::Request request;
    if (m_table) {
        request.source.table = m_table->table;
        request.source.tableName = m_table->key;
    } else if (std::optional<charset::Charset> target = codepage(m_options.toCode, u"-t"_s); !target) {
        return std::nullopt;
    } else {
        request.target = std::move(*target);
    }
    const std::optional<charset::WideForm> wide =
        charset::wideForm(files::nativePath(m_options.fromCode).toStdString());
    if (wide) {
        request.source.wide = wide;
    } else if (!m_table && m_options.fromCode.compare(kAutoCodepage, Qt::CaseInsensitive) != 0) {
        request.source.codepage = codepage(m_options.fromCode, u"-f"_s);
        if (!request.source.codepage)
            return std::nullopt;
    }
    request.source.minConfidence = m_options.minConfidence;
    if (m_options.convertNames && !m_options.namesFrom.isEmpty()) {
        request.namesFrom = codepage(m_options.namesFrom, u"--names-from"_s);
        if (!request.namesFrom)
            return std::nullopt;
    }
    request.convertNames = m_options.convertNames;
    request.dryRun = m_options.dryRun;
    request.preserveTimes = m_options.preserveTimes;
    request.fixMojibake = m_options.fixMojibake;
    request.bom = m_options.bom == Bom::Strip ? rescue::Request::Bom::Strip
                  : m_options.bom == Bom::Add ? rescue::Request::Bom::Add
                                              : rescue::Request::Bom::Keep;
    request.recursive = m_options.recursive;
    request.lineEnds = engineLineEnds(m_options.effectiveLineEnds());
    // A batch is one file converted into another, many times: what is lost is counted, as iconv users expect.
    request.lossy = m_options.lossy || (m_batch && !m_options.strict);
    request.delivery = m_batch             ? rescue::Delivery::Batch
                       : m_options.inPlace ? rescue::Delivery::InPlace
                                           : rescue::Delivery::OutputDir;
    if (m_options.outputDir)
        request.outputDir = files::nativePath(*m_options.outputDir);
    if (m_options.backupSuffix)
        request.backupSuffix = files::nativePath(*m_options.backupSuffix);
    request.jobs = m_options.jobs > 0 ? m_options.jobs : std::max(1, QThread::idealThreadCount());
    for (const QString& file : m_options.files)
        request.inputs.append({files::nativePath(file), true});
    const std::optional<QList<QByteArray>> list = listed();
    if (!list)
        return std::nullopt;
    for (const QByteArray& path : *list)
        request.inputs.append({path, false});
    return request;
}

// The inputs of --files-from.
std::optional<QList<QByteArray>> TreeFace::listed() const
{
    if (!m_options.filesFrom)
        return QList<QByteArray>();
    const QString& from = *m_options.filesFrom;
    files::InputFile file;
    if (from != kStandardStream && !file.open(from)) {
        m_reporter.error(texts::fileFailure(m_reporter.shown(from, true), lang::errorText(file.error(), language())));
        return std::nullopt;
    }
    base::Expected<QList<QByteArray>> names =
        rescue::readNameList(from == kStandardStream ? m_context.inputFd : file.descriptor(), m_options.nulSeparated);
    if (names)
        return std::move(*names);
    const QString shown = m_reporter.shown(from, true);
    if (names.error().is(base::Fault::TooLarge))
        m_reporter.error(texts::listTooLarge(language(), shown, rescue::kListMaxBytes, rescue::kListMaxNames));
    else
        m_reporter.error(texts::fileFailure(shown, lang::errorText(names.error(), language())));
    return std::nullopt;
}

int TreeFace::run()
{
    std::optional<rescue::Request> request = this->request();
    if (!request)
        return kBadUsage;
    rescue::Codepages codepages;
    base::Expected<rescue::Conversions> conversions = rescue::Conversions::make(*request, codepages);
    if (!conversions) {
        m_reporter.error(texts::codepageRefused(language(), u"-t"_s, lang::escaped(m_options.toCode),
                                                lang::errorText(conversions.error(), language()), false));
        return kBadUsage;
    }
    const rescue::NameConverter names(codepages, request->namesFrom ? &*request->namesFrom : nullptr,
                                      m_options.minConfidence);
    rescue::Walked walked = rescue::walk(*request);
    const rescue::NameHints hints =
        request->convertNames && !request->namesFrom ? rescue::NameHints::gather(walked) : rescue::NameHints();
    const rescue::Plan plan(*request, std::move(walked), request->convertNames ? &names : nullptr, &hints);
    m_totalFiles = plan.fileCount();
    m_totalBytes = plan.totalBytes();
    if (request->target)
        m_codepageShown = lang::escaped(QString::fromStdString(request->target->name()));
    if (m_batch)
        refuse(plan);

    // A report nobody reads any more ends the run with one message, rather than the program unannounced.
    struct sigaction ignore = {};
    struct sigaction previous = {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    const rescue::Finished finished = rescue::run(*request, plan, *conversions, *this);
    ::sigaction(SIGPIPE, &previous, nullptr);
    m_bar.reset();
    return finish(finished);
}

int TreeFace::finish(const rescue::Finished& finished)
{
    switch (finished.setup) {
    case rescue::Finished::Setup::Ready:
        break;
    case rescue::Finished::Setup::OutputInsideInput:
        m_reporter.error(texts::outputDirInsideInput(language(), lang::escaped(*m_options.outputDir)));
        return kBadUsage;
    case rescue::Finished::Setup::OutputFolder:
        m_reporter.error(
            texts::fileFailure(lang::escaped(*m_options.outputDir), lang::errorText(finished.error, language())));
        return kConversionFailed;
    }
    for (const auto& [folder, failed] : finished.folderFailures)
        m_reporter.error(texts::fileFailure(shownPath(folder), lang::errorText(failed, language())));
    if (finished.error)
        m_reporter.error(
            texts::fileFailure(lang::escaped(*m_options.outputDir), lang::errorText(finished.error, language())));
    const auto counts = [](const rescue::Tally::Counts& c) {
        return texts::TreeCounts{c.total, c.converted, c.copied, c.unchanged, c.skipped, c.failed};
    };
    if (m_batch && m_failed > 0 && m_options.files.size() > 1)
        m_reporter.error(texts::batchFailures(language(), m_failed, m_options.files.size()));
    else if (!m_batch)
        m_reporter.notice(texts::treeSummary(language(), counts(finished.tally.files), counts(finished.tally.folders),
                                             m_options.dryRun));
    if (finished.signal != 0) {
        m_reporter.error(texts::interruptedAfter(language(), finished.filesDone, m_totalFiles));
        tree::endBySignal(finished.signal);
    }
    return finished.problem || m_reportFailed ? kConversionFailed : kDone;
}

// A batch tells the inputs it will not convert before it converts any: those whose output would
// destroy an input or another's output, those given again, those whose output is no regular file.
void TreeFace::refuse(const rescue::Plan& plan)
{
    using Refusal = rescue::Place::Refusal;
    for (qsizetype i = 0; i < plan.size(); ++i) {
        const rescue::Node& node = plan.node(i);
        const rescue::Place& place = plan.place(i);
        const QString input = shownPath(node.path);
        const QString output = shownPath(rescue::batchOutput(node.path));
        const QString other = place.refusedFor >= 0 ? shownPath(plan.node(place.refusedFor).path) : QString();
        if (node.kind == rescue::Node::Kind::File && node.sameAs >= 0) {
            m_reporter.error(texts::repeatedInput(language(), input, shownPath(plan.node(node.sameAs).path)));
            continue;
        }
        switch (place.refusal) {
        case Refusal::None:
            continue;
        case Refusal::OwnInput:
            m_reporter.error(texts::sameFile(language(), input, output));
            break;
        case Refusal::OtherInput:
            m_reporter.error(texts::outputIsAnotherInput(language(), input, output));
            break;
        case Refusal::SharedOutput:
            m_reporter.error(texts::sharedOutput(language(), input, output, other));
            break;
        case Refusal::OutputNotRegular:
            m_reporter.error(texts::fileFailure(output, lang::errorText(base::Fault::NotRegularFile, language())));
            break;
        }
        ++m_failed;
    }
}

// A batch's result: its counts as one file converted into another tells them, or its failure.
void TreeFace::told(const rescue::Node& node, const rescue::Result& result)
{
    const QString input = shownPath(node.path);
    const QString output = shownPath(rescue::batchOutput(node.path));
    const bool refused = result.reasons.value(0).code == Code::SharedOutput ||
                         result.reasons.value(0).code == Code::OutputIsInput ||
                         result.reasons.value(0).code == Code::OutputIsAnotherInput ||
                         (result.reasons.value(0).code == Code::Failure &&
                          result.reasons.value(0).error.is(base::Fault::NotRegularFile));
    if (refused || result.reasons.value(0).code == Code::SameFileAs)
        return; // told before the batch began
    if (result.problem) {
        ++m_failed;
        const Reason& reason = result.reasons.value(0);
        const bool outputSide = reason.error.side == base::Side::Output;
        const QString text =
            reason.code == Code::Failure ? lang::errorText(reason.error, language()) : reasonText(reason, language());
        m_reporter.error(texts::fileFailure(outputSide ? output : input, text));
        if (reason.error.is(base::Fault::CharactersLost) || reason.code == Code::WouldLose)
            m_reporter.error(texts::lostCount(language(), input + u" -> "_s + output, reason.number, m_codepageShown));
        return;
    }
    m_reporter.notice(texts::changedCount(language(), input, output, result.counts.changed));
    const QString files = input + u" -> "_s + output;
    if (result.counts.lost > 0)
        m_reporter.notice(texts::lostCount(language(), files, result.counts.lost, m_codepageShown));
    if (result.counts.invalid > 0 && !m_table)
        m_reporter.notice(
            texts::invalidCount(language(), files, result.counts.invalid, result.from, m_codepageShown == u"UTF-8"_s));
    for (const Reason& warning : result.reasons) {
        if (warning.code == Code::OtherNamesKeepOldText)
            m_reporter.error(texts::otherNamesKeepOldText(language(), output, warning.number));
    }
}

void TreeFace::done(qsizetype, const rescue::Node& node, const rescue::Result& result)
{
    if (m_batch)
        return told(node, result);
    const QString path = shownPath(node.path);
    const QString reason = reasonsText(result, language());
    if (result.problem) {
        clearBar();
        m_reporter.error(texts::fileFailure(path, reason));
    }
    for (const Reason& warning : result.reasons) {
        if (warning.code == Code::OtherNamesKeepOldText) {
            clearBar();
            m_reporter.error(texts::otherNamesKeepOldText(language(), path, warning.number));
        }
    }
    if (result.again) {
        m_reporter.notice(texts::fileFailure(path, reason));
        return;
    }
    if (m_options.tsvReport && rescue::hasRow(node, result)) {
        print(rescue::reportLine(node, result));
    } else if (!result.problem && result.action == Action::Skipped) {
        m_reporter.notice(texts::fileFailure(path, reason));
    }
}

void TreeFace::print(const QByteArray& line)
{
    if (m_reportFailed)
        return;
    if (m_outputIsTerminal)
        clearBar();
    if (const base::Error failed = writeAll(m_context.outputFd, line)) {
        m_reporter.error(texts::fileFailure(texts::standardOutput(language()), lang::errorText(failed, language())));
        m_reportFailed = true;
    }
}

void TreeFace::progress(std::int64_t files, std::int64_t bytes)
{
    if (m_options.quiet || !m_context.errorIsTerminal)
        return;
    if (!m_bar)
        m_bar.emplace(m_context.errorFd, m_totalFiles, m_totalBytes);
    m_bar->show(files, bytes);
}

} // namespace

int convertTree(const Options& options, const Context& context, const std::optional<ConverterTable>& table)
{
    return TreeFace(options, context, table).run();
}

} // namespace trelvick::cli
