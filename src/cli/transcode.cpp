// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/transcode.h"

#include "charset/charset.h"
#include "charset/tables.h"
#include "charset/widesource.h"
#include "cli/reporter.h"
#include "files/fileconversion.h"
#include "files/fileops.h"
#include "files/posixfile.h"
#include "guess/guess.h"
#include "lang/clitexts.h"
#include "lang/errortext.h"
#include "lang/escape.h"
#include "rescue/conversions.h"

#include <cmath>
#include <optional>

namespace trelvick::cli {

using namespace Qt::StringLiterals;
namespace texts = lang::cli;

namespace {

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
        const std::optional<charset::Charset> to = findCharset(m_options.toCode, QStringLiteral("-t"));
        if (!to)
            return kBadUsage;
        if (m_options.fromCode.compare(kAutoCodepage, Qt::CaseInsensitive) == 0)
            return convertGuessed(*to);
        if (const std::optional<charset::WideForm> wide =
                charset::wideForm(files::nativePath(m_options.fromCode).toStdString()))
            return convertWide(*wide, *to);
        const std::optional<charset::Charset> from = findCharset(m_options.fromCode, QStringLiteral("-f"));
        if (!from)
            return kBadUsage;
        // A file already in the target is passed through as it is, line ends aside.
        base::Expected<convert::Converter> converter =
            from->isUtf8() && to->isUtf8() ? base::Expected<convert::Converter>(convert::ConversionTable())
                                           : charset::converter(*from, *to);
        if (!converter) {
            m_report.error(texts::codepageRefused(m_report.language(), QStringLiteral("-t"),
                                                  lang::escaped(fromBytes(to->name())),
                                                  lang::errorText(converter.error(), m_report.language()), false));
            return kBadUsage;
        }
        return convertInputs(*converter, fromBytes(from->name()), *to, m_options.files);
    }

private:
    std::optional<charset::Charset> findCharset(const QString& name, const QString& option) const
    {
        base::Expected<charset::Charset> found = charset::Charset::find(files::nativePath(name).toStdString());
        if (found)
            return std::move(*found);
        m_report.error(texts::codepageRefused(m_report.language(), option, lang::escaped(name),
                                              lang::errorText(found.error(), m_report.language()),
                                              found.error().is(base::Fault::UnknownCharset)));
        return std::nullopt;
    }

    int convertInputs(const convert::Converter& converter, const QString& from, const charset::Charset& to,
                      const QStringList& inputs, std::optional<charset::WideForm> wide = {}) const;
    int convertWide(charset::WideForm wide, const charset::Charset& to) const;
    files::FileConversion request(const QStringList& inputs) const;
    int report(const files::ConversionOutcome& outcome, const QStringList& inputs, const QString& from,
               const charset::Charset& to) const;
    int convertGuessed(const charset::Charset& to) const;
    int convertGuessedFile(const rescue::Conversions& conversions, const charset::Charset& to,
                           const QString& path) const;

    const Options& m_options;
    const Context& m_context;
    Reporter m_report;
};

// UTF-16 or UTF-32 read as UTF-8 first, through iconv, then into the target.
int Transcoder::convertWide(charset::WideForm wide, const charset::Charset& to) const
{
    base::Expected<charset::Charset> utf8 = charset::Charset::find("UTF-8");
    base::Expected<convert::Converter> converter =
        to.isUtf8() ? base::Expected<convert::Converter>(convert::ConversionTable())
                    : (utf8 ? charset::converter(*utf8, to) : base::Expected<convert::Converter>(utf8.error()));
    if (!converter) {
        m_report.error(texts::codepageRefused(m_report.language(), QStringLiteral("-t"),
                                              lang::escaped(fromBytes(to.name())),
                                              lang::errorText(converter.error(), m_report.language()), false));
        return kBadUsage;
    }
    return convertInputs(*converter, QString::fromLatin1(charset::wideFormName(wide).data()), to, m_options.files,
                         wide);
}

int Transcoder::convertInputs(const convert::Converter& converter, const QString& from, const charset::Charset& to,
                              const QStringList& inputs, std::optional<charset::WideForm> wide) const
{
    const lang::Language language = m_report.language();
    const QString& output = m_options.output;
    // Checked before anything is read: replacing the output would take that input with it.
    for (const QString& input : inputs) {
        if (sameFile(m_context, input, output)) {
            m_report.error(texts::sameFile(language, m_report.shown(input, true), m_report.shown(output, false)));
            return kConversionFailed;
        }
    }

    files::FileConversion conversion = request(inputs);
    charset::WideSource* decoder = nullptr;
    if (wide) {
        conversion.decode = [&](convert::ByteSource& read) {
            auto made = std::make_unique<charset::WideSource>(*wide, read);
            decoder = made.get();
            return std::unique_ptr<convert::ByteSource>(std::move(made));
        };
        conversion.decoded = [&] { return decoder ? decoder->invalid() : 0; };
    }
    const files::ConversionOutcome outcome = ConversionProgress(m_report).convert(conversion, converter);
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
int Transcoder::report(const files::ConversionOutcome& outcome, const QStringList& inputs, const QString& from,
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
        m_report.notice(texts::invalidCount(language, files, outcome.counts.invalid, lang::escaped(from), to.isUtf8()));
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
    rescue::Request request;
    request.target = to;
    request.source.minConfidence = m_options.minConfidence;
    const rescue::Codepages codepages;
    const base::Expected<rescue::Conversions> conversions = rescue::Conversions::make(request, codepages);
    if (!conversions) {
        m_report.error(texts::codepageRefused(m_report.language(), QStringLiteral("-t"),
                                              lang::escaped(fromBytes(to.name())),
                                              lang::errorText(conversions.error(), m_report.language()), false));
        return kBadUsage;
    }
    int status = kDone;
    for (const QString& input : inputs)
        status = std::max(status, convertGuessedFile(*conversions, to, input));
    return status;
}

// One file from the codepage its guess names, as the archive mode decides it; a file whose guess is
// not sure enough, or not text, is reported (status 1) and left.
int Transcoder::convertGuessedFile(const rescue::Conversions& conversions, const charset::Charset& to,
                                   const QString& path) const
{
    const lang::Language language = m_report.language();
    const QString name = m_report.shown(path, true);
    files::InputFile file;
    if (!file.open(files::nativePath(path))) {
        m_report.error(texts::fileFailure(name, lang::errorText(file.error(), language)));
        return kConversionFailed;
    }
    guess::DescriptorReader reader(file.descriptor());
    const base::Expected<guess::Guess> guessed = guess::guessFile(reader);
    if (!guessed) {
        m_report.error(texts::fileFailure(name, lang::errorText(guessed.error(), language)));
        return kConversionFailed;
    }
    file.close();
    const rescue::Choice choice = conversions.choose(*guessed);
    switch (choice.action) {
    case rescue::Action::Converted:
        return convertInputs(*choice.converter, choice.from, to, {path}, choice.wide);
    case rescue::Action::Unchanged:
        return convertInputs(conversions.identity(), choice.from, to, {path});
    case rescue::Action::Copied:
        m_report.error(texts::notText(language, name));
        break;
    case rescue::Action::Skipped:
    case rescue::Action::Failed:
        if (choice.reason.code == rescue::Reason::Code::InDoubt) {
            const guess::Likelihood* runnerUp = guessed->runnerUp();
            m_report.error(texts::autoInDoubt(
                language, name, choice.from, runnerUp ? rescue::nameOf(runnerUp->encoding) : QString(),
                static_cast<int>(std::floor(guessed->certainty() * 100)), m_options.minConfidence));
        } else {
            m_report.error(texts::notSingleByteGuess(language, name, choice.from));
        }
        break;
    }
    return kConversionFailed;
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
