// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"

#include "cli/guessmode.h"
#include "cli/options.h"
#include "cli/optiontable.h"
#include "cli/reporter.h"
#include "cli/transcode.h"
#include "cli/treemode.h"
#include "cli/undomode.h"
#include "config/codesection.h"
#include "convert/engine.h"
#include "files/fileconversion.h"
#include "files/fileops.h"
#include "files/outputtransaction.h"
#include "files/posixfile.h"
#include "lang/clitexts.h"
#include "lang/errortext.h"
#include "lang/escape.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <utility>

namespace trelvick::cli {

using namespace Qt::StringLiterals;
using lang::Language;
namespace texts = lang::cli;

namespace {

class Runner final
{
public:
    Runner(const Options& options, const Context& context) : m_options(options), m_context(context) {}

    int run();

private:
    Language language() const { return m_context.language; }
    void error(const QString& text) const
    {
        writeAll(m_context.errorFd, (QString::fromUtf16(texts::kProgramName) + u": "_s + text + u'\n').toUtf8());
    }
    void notice(const QString& text) const
    {
        if (!m_options.quiet)
            writeAll(m_context.errorFd, (text + u'\n').toUtf8());
    }
    int print(const QString& text) const { return printResult(m_context, text); }

    std::optional<config::Configuration> loadConfiguration() const;
    void reportConfigFailure(const QString& configFile, const base::Error& failure) const;
    std::optional<config::Converter> chooseConverter(const config::Configuration& config) const;
    std::optional<convert::ConversionTable> loadTable(const config::Configuration& config,
                                                      const config::Converter& converter) const;
    bool sameFile(const QString& input, const QString& output) const;
    bool convertFile(const QString& input, const QString& output, const convert::ConversionTable& table) const;
    QString shown(const QString& path, bool isInput) const
    {
        if (path != kStandardStream)
            return lang::escaped(path);
        return isInput ? texts::standardInput(language()) : texts::standardOutput(language());
    }

    const Options& m_options;
    const Context& m_context;
};

std::optional<config::Configuration> Runner::loadConfiguration() const
{
    const config::ConfigLocation location =
        m_options.configFile ? config::namedConfiguration(*m_options.configFile)
                             : config::locateConfiguration(m_context.programFolder, m_context.personalConfigFolder);
    base::Expected<config::Configuration> loaded = config::loadConfiguration(location);
    if (!loaded) {
        reportConfigFailure(location.configFile, loaded.error());
        return std::nullopt;
    }
    return std::move(*loaded);
}

// The cases are those that configuration.h lists for loadConfiguration.
void Runner::reportConfigFailure(const QString& configFile, const base::Error& failure) const
{
    const QString file = lang::escaped(configFile);
    const QString key = lang::escaped(failure.key);
    const QString value = lang::escaped(failure.value);
    const QString reason = lang::errorText(failure, language());
    const QString mainSection = QString::fromUtf16(config::kMainSection);

    if (failure.is(base::Fault::NoConverter)) {
        error(texts::noConverter(language(), file, QString::fromUtf16(config::kListSection), key));
    } else if (failure.key.isEmpty()) { // the file itself
        if (failure.is(ENOENT) || failure.is(ENOTDIR))
            error(texts::missingConfig(language(), file));
        else if (failure.is(EISDIR))
            error(texts::configIsFolder(language(), file));
        else if (failure.is(base::Fault::NotRegularFile))
            error(texts::configNotRegular(language(), file));
        else if (failure.is(base::Fault::HiddenName))
            error(texts::configHidden(language(), file));
        else if (failure.is(EFBIG))
            error(texts::configTooLarge(language(), file, config::kMaxConfigFileSize));
        else
            error(texts::configTestFailed(language(), file, reason));
    } else if (failure.key == QStringView(config::kCountKey)) {
        if (failure.is(base::Fault::EntryMissing))
            error(texts::missingEntry(language(), file, mainSection, key));
        else if (failure.is(base::Fault::BadValue))
            error(texts::badCount(language(), file, mainSection, key, value));
        else if (failure.is(base::Fault::Overflow))
            error(texts::countOutOfRange(language(), file, mainSection, key, value));
        else // every entry of a file that could not be read is missing; the reason is what helps
            error(texts::configUnreadable(language(), file, reason));
    } else { // a program entry whose path cannot be tested
        error(texts::programEntryFailed(language(), file, mainSection, key, value, reason));
    }
}

std::optional<config::Converter> Runner::chooseConverter(const config::Configuration& config) const
{
    QStringList ambiguous;
    const std::optional<qsizetype> index = findConverter(config.converters, m_options.converter, &ambiguous);
    if (index)
        return config.converters.at(*index);
    const QString name = lang::escaped(m_options.converter);
    if (!ambiguous.isEmpty())
        error(texts::ambiguousConverter(language(), name, ambiguous.join(u", "_s)));
    else
        error(texts::unknownConverter(language(), name));
    return std::nullopt;
}

std::optional<convert::ConversionTable> Runner::loadTable(const config::Configuration& config,
                                                          const config::Converter& converter) const
{
    // The file as the configuration load read it: tq.ini is read once per run.
    base::Expected<convert::ConversionTable> table = config::loadCodeSection(config.profile, converter.key);
    if (table)
        return std::move(*table);
    const base::Error& failure = table.error();
    const QString file = lang::escaped(config.configFile);
    const QString section = lang::escaped(converter.key);
    const QString key = lang::escaped(failure.key);
    const QString value = lang::escaped(failure.value);
    using convert::ConversionTable;
    const ConversionTable::Output output =
        failure.is(base::Fault::BadCodePoint) ? ConversionTable::Output::Utf8 : ConversionTable::Output::Bytes;
    if (failure.is(base::Fault::EntryMissing))
        error(texts::noCodeEntries(language(), file, section));
    else if (failure.key == QStringView(config::kEncodingKey))
        error(texts::faultyEncoding(language(), file, section, key, value));
    else
        error(texts::faultyCode(language(), file, section, key, value, ConversionTable::highestCode(output)));
    return std::nullopt;
}

bool Runner::sameFile(const QString& input, const QString& output) const
{
    return cli::sameFile(m_context, input, output);
}

bool Runner::convertFile(const QString& input, const QString& output, const convert::ConversionTable& table) const
{
    const QString inputName = shown(input, true);
    const QString outputName = shown(output, false);

    files::FileConversion conversion;
    if (input == kStandardStream)
        conversion.inputFd = m_context.inputFd;
    else
        conversion.input = input;
    if (output == kStandardStream)
        conversion.outputFd = m_context.outputFd;
    else
        conversion.output = output;
    conversion.lineEnds = engineLineEnds(m_options.effectiveLineEnds());

    const files::ConversionOutcome outcome =
        ConversionProgress(Reporter(m_context, m_options.quiet)).convert(conversion, table);

    if (!outcome.ok()) {
        const bool inputFailed = outcome.error.side == base::Side::Input;
        error(texts::fileFailure(inputFailed ? inputName : outputName, lang::errorText(outcome.error, language())));
        return false;
    }
    notice(texts::changedCount(language(), inputName, outputName, outcome.counts.changed));
    // Not a failure, but the user should know, --quiet or not.
    if (outcome.otherNames > 0)
        error(texts::otherNamesKeepOldText(language(), outputName, outcome.otherNames));
    return true;
}

int Runner::run()
{
    const std::optional<config::Configuration> config = loadConfiguration();
    if (!config)
        return kBadUsage;

    if (m_options.mode == Options::Mode::List) {
        QString text;
        for (const config::Converter& converter : config->converters)
            text += converter.key + u'\t' + lang::escaped(converter.description) + u'\n';
        return print(text);
    }
    if (m_options.mode == Options::Mode::Guess)
        return guessFiles(m_options, m_context, *config);

    const std::optional<config::Converter> converter = chooseConverter(*config);
    if (!converter)
        return kBadUsage;

    if (m_options.mode == Options::Mode::Convert && !m_options.batch && !m_options.overTree()) {
        const QString& input = m_options.files.at(0);
        const QString& output = m_options.files.at(1);
        // Checked before anything is read: the output's deletion would take the input with it.
        if (sameFile(input, output)) {
            error(texts::sameFile(language(), shown(input, true), shown(output, false)));
            return kConversionFailed;
        }
    }

    // Read once for the whole run: a batch of small files would otherwise spend its time in tq.ini.
    const std::optional<convert::ConversionTable> table = loadTable(*config, *converter);
    if (!table)
        return kBadUsage;

    if (m_options.mode == Options::Mode::Show) {
        QString text = u"; "_s + lang::escaped(converter->description) + u"\n["_s + converter->key + u"]\n"_s;
        if (table->output() == convert::ConversionTable::Output::Utf8)
            text += QString::fromUtf16(config::kEncodingKey) + u"=UTF-8\n"_s; // the values are code points
        for (const auto& [source, target] : table->pairs())
            text += QString::number(source) + u'=' + QString::number(target) + u'\n';
        return print(text);
    }

    if (m_options.batch || m_options.overTree())
        return convertTree(m_options, m_context, ConverterTable{converter->key, *table});
    return convertFile(m_options.files.at(0), m_options.files.at(1), *table) ? kDone : kConversionFailed;
}

} // namespace

int run(const QStringList& arguments, const Context& context)
{
    const ParsedOptions parsed = parseArguments(arguments, context.language);
    const QString programName = QString::fromUtf16(texts::kProgramName);
    if (!parsed.error.isEmpty()) {
        writeAll(context.errorFd,
                 (programName + u": "_s + parsed.error + u'\n' + texts::tryHelp(context.language) + u'\n').toUtf8());
        return kBadUsage;
    }
    switch (parsed.options.mode) {
    case Options::Mode::Help:
        return printResult(context, helpText(context.language));
    case Options::Mode::Version:
        return printResult(context, texts::version() + u'\n');
    case Options::Mode::ListCodepages:
        return listCodepages(context);
    case Options::Mode::Undo:
        return undoRun(parsed.options, context);
    case Options::Mode::Transcode: // no tq.ini: the codepages come from iconv
        return parsed.options.overTree() || parsed.options.batch ? convertTree(parsed.options, context)
                                                                 : transcode(parsed.options, context);
    default:
        return Runner(parsed.options, context).run();
    }
}

} // namespace trelvick::cli
