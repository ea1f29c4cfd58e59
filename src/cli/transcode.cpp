// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/transcode.h"

#include "charset/charset.h"
#include "charset/tables.h"
#include "cli/reporter.h"
#include "files/fileconversion.h"
#include "files/fileops.h"
#include "files/posixfile.h"
#include "guess/guess.h"
#include "lang/clitexts.h"
#include "lang/errortext.h"
#include "lang/escape.h"

#include <cmath>
#include <optional>

namespace trelvick::cli {

using namespace Qt::StringLiterals;
namespace texts = lang::cli;

namespace {

constexpr std::chrono::milliseconds kProgressInterval(100);

QString fromBytes(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

class Transcoder final
{
public:
    Transcoder(const Options& options, const Context& context)
        : m_options(options), m_context(context), m_report(context, options.quiet)
    {
    }

    int run()
    {
        const std::optional<charset::Charset> to = findCharset(m_options.toCode);
        if (!to)
            return kBadUsage;
        if (m_options.fromCode.compare(kAutoCodepage, Qt::CaseInsensitive) == 0)
            return convertGuessed(*to);
        const std::optional<charset::Charset> from = findCharset(m_options.fromCode);
        if (!from)
            return kBadUsage;
        return convertInputs(*from, *to, m_options.files);
    }

private:
    std::optional<charset::Charset> findCharset(const QString& name) const
    {
        base::Expected<charset::Charset> found = charset::Charset::find(files::nativePath(name).toStdString());
        if (found)
            return std::move(*found);
        m_report.error(texts::codepageRefused(m_report.language(), lang::escaped(name),
                                              lang::errorText(found.error(), m_report.language()),
                                              found.error().is(base::Fault::UnknownCharset)));
        return std::nullopt;
    }

    int convertInputs(const charset::Charset& from, const charset::Charset& to, const QStringList& inputs) const;
    files::FileConversion request(const QStringList& inputs) const;
    int report(const files::ConversionOutcome& outcome, const QStringList& inputs, const charset::Charset& from,
               const charset::Charset& to) const;
    int convertGuessed(const charset::Charset& to) const;
    std::optional<charset::Charset> guessedCharset(const QString& path, int* status) const;

    const Options& m_options;
    const Context& m_context;
    Reporter m_report;
};

int Transcoder::convertInputs(const charset::Charset& from, const charset::Charset& to, const QStringList& inputs) const
{
    const lang::Language language = m_report.language();
    // A file already in the target is passed through as it is, line ends aside.
    base::Expected<convert::Converter> converter = from.isUtf8() && to.isUtf8()
                                                       ? base::Expected<convert::Converter>(convert::ConversionTable())
                                                       : charset::converter(from, to);
    if (!converter) {
        m_report.error(texts::codepageRefused(language, lang::escaped(fromBytes(to.name())),
                                              lang::errorText(converter.error(), language), false));
        return kBadUsage;
    }
    const QString& output = m_options.output;
    // Checked before anything is read: replacing the output would take that input with it.
    for (const QString& input : inputs) {
        if (sameFile(m_context, input, output)) {
            m_report.error(texts::sameFile(language, m_report.shown(input, true), m_report.shown(output, false)));
            return kConversionFailed;
        }
    }

    files::FileConversion conversion = request(inputs);
    std::optional<ProgressBar> bar;
    std::int64_t size = -1;
    conversion.started = [&](std::int64_t inputSize) {
        size = inputSize;
        if (m_report.wantsProgress(size))
            bar.emplace(m_context.errorFd);
    };
    conversion.progress = [&](const convert::Counts& counts) {
        if (bar)
            bar->show(convert::progressPercentage(counts.processed, size));
    };
    conversion.interval = kProgressInterval;
    const files::ConversionOutcome outcome = files::convertFile(conversion, *converter);
    bar.reset();
    return report(outcome, inputs, from, to);
}

files::FileConversion Transcoder::request(const QStringList& inputs) const
{
    auto source = [this](const QString& path) {
        return path == kStandardStream ? files::FileConversion::Source{{}, m_context.inputFd}
                                       : files::FileConversion::Source{path, std::nullopt};
    };
    files::FileConversion conversion;
    const files::FileConversion::Source first = source(inputs.front());
    conversion.input = first.path;
    conversion.inputFd = first.fd;
    for (qsizetype i = 1; i < inputs.size(); ++i)
        conversion.moreInputs << source(inputs.at(i));
    if (m_options.output == kStandardStream)
        conversion.outputFd = m_context.outputFd;
    else
        conversion.output = m_options.output;
    conversion.lineEnds = engineLineEnds(m_options.effectiveLineEnds());
    conversion.refuseLoss = m_options.strict;
    return conversion;
}

// The counts on standard error, or the failure; the exit status.
int Transcoder::report(const files::ConversionOutcome& outcome, const QStringList& inputs, const charset::Charset& from,
                       const charset::Charset& to) const
{
    const lang::Language language = m_report.language();
    QStringList inputNames;
    for (const QString& input : inputs)
        inputNames << m_report.shown(input, true);
    const QString outputName = m_report.shown(m_options.output, false);
    const QString files = inputNames.join(u", "_s) + u" -> "_s + outputName;
    const QString target = lang::escaped(fromBytes(to.name()));
    if (!outcome.ok()) {
        const bool inputFailed = outcome.error.side == base::Side::Input;
        const QString name = inputFailed ? inputNames.value(outcome.failedInput, inputNames.front()) : outputName;
        m_report.error(texts::fileFailure(name, lang::errorText(outcome.error, language)));
        if (outcome.error.is(base::Fault::CharactersLost) && outcome.counts.lost > 0)
            m_report.error(texts::lostCount(language, files, outcome.counts.lost, target));
        return kConversionFailed;
    }
    m_report.notice(texts::changedCount(language, inputNames.join(u", "_s), outputName, outcome.counts.changed));
    if (outcome.counts.lost > 0)
        m_report.notice(texts::lostCount(language, files, outcome.counts.lost, target));
    if (outcome.counts.invalid > 0)
        m_report.notice(texts::invalidCount(language, files, outcome.counts.invalid,
                                            lang::escaped(fromBytes(from.name())), to.isUtf8()));
    if (outcome.otherNames > 0)
        m_report.error(texts::otherNamesKeepOldText(language, outputName, outcome.otherNames));
    return kDone;
}

// Each file from the codepage its guess names, one after the other.
int Transcoder::convertGuessed(const charset::Charset& to) const
{
    const QStringList& inputs = m_options.files;
    if (inputs.contains(kStandardStream)) {
        m_report.error(texts::autoNeedsFiles(m_report.language()));
        return kBadUsage;
    }
    if (inputs.size() > 1 && m_options.output != kStandardStream) {
        m_report.error(texts::autoOneOutput(m_report.language()));
        return kBadUsage;
    }
    int status = kDone;
    for (const QString& input : inputs) {
        const std::optional<charset::Charset> from = guessedCharset(input, &status);
        if (from)
            status = std::max(status, convertInputs(*from, to, {input}));
    }
    return status;
}

// The codepage the guess names for a file, or nothing (reported, status 1) when it names none
// with the confidence asked for, or one that is no single-byte codepage.
std::optional<charset::Charset> Transcoder::guessedCharset(const QString& path, int* status) const
{
    const lang::Language language = m_report.language();
    const QString name = m_report.shown(path, true);
    files::InputFile file;
    if (!file.open(files::nativePath(path))) {
        m_report.error(texts::fileFailure(name, lang::errorText(file.error(), language)));
        *status = kConversionFailed;
        return std::nullopt;
    }
    guess::DescriptorReader reader(file.descriptor());
    const base::Expected<guess::Guess> guessed = guess::guessFile(reader);
    if (!guessed) {
        m_report.error(texts::fileFailure(name, lang::errorText(guessed.error(), language)));
        *status = kConversionFailed;
        return std::nullopt;
    }
    const auto encodingName = [](guess::Encoding encoding) {
        const std::string_view text = guess::encodingName(encoding);
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    };
    std::optional<charset::Charset> found;
    if (!guessed->fits()) {
        m_report.error(texts::notText(language, name));
    } else if (guessed->doubtful(m_options.minConfidence / 100.0)) {
        const guess::Likelihood* runnerUp = guessed->runnerUp();
        m_report.error(texts::autoInDoubt(language, name, encodingName(guessed->ranked.front().encoding),
                                          runnerUp ? encodingName(runnerUp->encoding) : QString(),
                                          static_cast<int>(std::floor(guessed->certainty() * 100)),
                                          m_options.minConfidence));
    } else if (base::Expected<charset::Charset> charset =
                   charset::Charset::find(std::string(guess::encodingName(guessed->ranked.front().encoding)));
               charset) {
        found = std::move(*charset);
    } else {
        m_report.error(texts::notSingleByteGuess(language, name, encodingName(guessed->ranked.front().encoding)));
    }
    if (!found)
        *status = kConversionFailed;
    return found;
}

} // namespace

int transcode(const Options& options, const Context& context)
{
    return Transcoder(options, context).run();
}

int listCodepages(const Context& context)
{
    QString text;
    for (const std::string& name : charset::codepageNames())
        text += lang::escaped(fromBytes(name)) + u'\n';
    return printResult(context, text);
}

} // namespace trelvick::cli
