// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"

#include "cli/guessmode.h"
#include "cli/options.h"
#include "config/codesection.h"
#include "convert/engine.h"
#include "files/fileconversion.h"
#include "files/fileops.h"
#include "files/posixfile.h"
#include "lang/clitexts.h"
#include "lang/escape.h"

#include <QFileInfo>

#include <algorithm>
#include <sys/stat.h>
#include <utility>

namespace trelvick::cli {

using namespace Qt::StringLiterals;
using lang::Language;
namespace texts = lang::cli;

namespace {

// Below this size a conversion is over before a bar would be worth drawing.
constexpr std::int64_t kProgressThreshold = std::int64_t(16) * 1024 * 1024;
constexpr std::chrono::milliseconds kProgressInterval(100);
constexpr int kBarWidth = 40;

// Texts go out through the same descriptor writes as converted bytes; *error gets the system's reason.
bool writeAll(int fd, const QByteArray& bytes, QString* error = nullptr)
{
    files::DescriptorSink sink(fd);
    if (sink.write(bytes.constData(), bytes.size()))
        return true;
    if (error)
        *error = sink.errorString();
    return false;
}

// The one write of --list, --show, --help and --version: a full disk or a closed pipe is reported
// like any failed output, not passed over.
int printResult(const Context& context, const QString& text)
{
    QString reason;
    if (writeAll(context.outputFd, text.toUtf8(), &reason))
        return kDone;
    writeAll(context.errorFd, (QString::fromUtf16(texts::kProgramName) + u": "_s +
                               texts::fileFailure(texts::standardOutput(context.language), reason) + u'\n')
                                  .toUtf8());
    return kConversionFailed;
}

// Device and inode of a path, or of a standard stream given as "-". Only a regular file behind a
// standard stream counts: a terminal or a pipe on both sides is no danger.
std::optional<std::pair<quint64, quint64>> identity(const QString& path, int fd)
{
    if (path == kStandardStream) {
        struct stat info;
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
            return std::nullopt;
        return std::pair{static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino)};
    }
    const std::optional<files::FileStat> stat = files::statFile(path);
    if (!stat)
        return std::nullopt;
    return std::pair{stat->device, stat->inode};
}

// A bar redrawn in place on the terminal: "[#######---------]  42%".
class ProgressBar final
{
public:
    explicit ProgressBar(int fd) : m_fd(fd) {}
    ~ProgressBar() { clear(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void show(int percentage)
    {
        if (percentage == m_shown)
            return;
        m_shown = percentage;
        const int filled = percentage * kBarWidth / 100;
        const QByteArray line = "\r[" + QByteArray(filled, '#') + QByteArray(kBarWidth - filled, '-') + "] " +
                                QByteArray::number(percentage).rightJustified(3) + '%';
        writeAll(m_fd, line);
    }
    void clear()
    {
        if (m_shown >= 0)
            writeAll(m_fd, "\r\x1b[K");
        m_shown = -1;
    }

private:
    int m_fd;
    int m_shown = -1;
};

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
    void reportConfigFailure(const config::LoadResult& result) const;
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
    config::LoadResult result =
        m_options.configFile ? config::loadConfigurationFile(*m_options.configFile)
                             : config::loadConfiguration(m_context.programFolder, m_context.personalConfigFolder);
    if (result.failure != config::ConfigFailure::None) {
        reportConfigFailure(result);
        return std::nullopt;
    }
    return std::move(result.config);
}

void Runner::reportConfigFailure(const config::LoadResult& result) const
{
    const QString& file = result.config.configFile;
    const QString mainSection = QString::fromUtf16(config::kMainSection);
    // Every entry of a file that could not be read looks missing; the reason is what helps.
    if (!result.readError.isEmpty()) {
        error(texts::configUnreadable(language(), file, result.readError));
        return;
    }
    switch (result.failure) {
    case config::ConfigFailure::None:
        return;
    case config::ConfigFailure::MissingFile:
        if (QFileInfo(file).isDir())
            error(texts::configIsFolder(language(), file));
        else
            error(texts::missingConfig(language(), file));
        return;
    case config::ConfigFailure::TooLarge:
        error(texts::configTooLarge(language(), file, config::kMaxConfigFileSize));
        return;
    case config::ConfigFailure::MissingCount:
        error(texts::missingEntry(language(), file, mainSection, result.faultyKey));
        return;
    case config::ConfigFailure::BadCount:
        error(texts::badCount(language(), file, mainSection, result.faultyKey, result.faultyValue));
        return;
    case config::ConfigFailure::NoConverter:
        error(texts::noConverter(language(), file, QString::fromUtf16(config::kListSection),
                                 result.config.converterCount));
        return;
    case config::ConfigFailure::Other:
        if (result.faultyKey == QString::fromUtf16(config::kCountKey))
            error(texts::countOutOfRange(language(), file, mainSection, result.faultyKey, result.faultyValue));
        else if (!result.faultyKey.isEmpty())
            error(texts::programEntryFailed(language(), file, mainSection, result.faultyKey, result.faultyValue,
                                            result.errorText));
        else
            error(texts::configTestFailed(language(), file, result.errorText));
        return;
    }
}

std::optional<config::Converter> Runner::chooseConverter(const config::Configuration& config) const
{
    QStringList ambiguous;
    const std::optional<qsizetype> index = findConverter(config.converters, m_options.converter, &ambiguous);
    if (index)
        return config.converters.at(*index);
    if (!ambiguous.isEmpty())
        error(texts::ambiguousConverter(language(), m_options.converter, ambiguous.join(u", "_s)));
    else
        error(texts::unknownConverter(language(), m_options.converter));
    return std::nullopt;
}

std::optional<convert::ConversionTable> Runner::loadTable(const config::Configuration& config,
                                                          const config::Converter& converter) const
{
    // The file as the configuration load read it: tq.ini is read once per run.
    auto loaded = config::loadCodeSection(config.profile, converter.key);
    switch (loaded.failure) {
    case config::CodeSection::Failure::None:
        return std::move(loaded.table);
    case config::CodeSection::Failure::NoEntries:
        error(texts::noCodeEntries(language(), config.configFile, converter.key));
        break;
    case config::CodeSection::Failure::Faulty:
        error(texts::faultyCode(language(), config.configFile, converter.key, loaded.faultyKey, loaded.faultyValue,
                                convert::ConversionTable::highestCode(loaded.output)));
        break;
    }
    return std::nullopt;
}

bool Runner::sameFile(const QString& input, const QString& output) const
{
    if (input != kStandardStream && input == output)
        return true;
    const auto in = identity(input, m_context.inputFd);
    const auto out = identity(output, m_context.outputFd);
    return in && out && *in == *out;
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

    std::optional<ProgressBar> bar;
    std::int64_t size = -1;
    conversion.started = [&](std::int64_t inputSize) {
        size = inputSize;
        if (m_context.errorIsTerminal && !m_options.quiet && size > kProgressThreshold)
            bar.emplace(m_context.errorFd);
    };
    conversion.progress = [&](const convert::Counts& counts) {
        if (bar)
            bar->show(convert::progressPercentage(counts.processed, size));
    };
    conversion.interval = kProgressInterval;
    const files::ConversionOutcome outcome = files::convertFile(conversion, table);
    bar.reset();

    if (!outcome.ok()) {
        const bool inputFailed = outcome.failed == files::ConversionOutcome::Failed::Input;
        error(texts::fileFailure(inputFailed ? inputName : outputName, outcome.error));
        return false;
    }
    notice(texts::changedCount(language(), inputName, outputName, outcome.counts.changed));
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
            text += converter.key + u'\t' + converter.description + u'\n';
        return print(text);
    }
    if (m_options.mode == Options::Mode::Guess)
        return guessFiles(m_options, m_context, *config);

    const std::optional<config::Converter> converter = chooseConverter(*config);
    if (!converter)
        return kBadUsage;

    if (m_options.mode == Options::Mode::Convert && !m_options.batch) {
        const QString& input = m_options.files.at(0);
        const QString& output = m_options.files.at(1);
        // Checked before anything is read: the output's deletion would take the input with it.
        if (sameFile(input, output)) {
            error(texts::sameFile(language(), shown(input, true), shown(output, false)));
            return kBadUsage;
        }
    }

    // Read once for the whole run: a batch of small files would otherwise spend its time in tq.ini.
    const std::optional<convert::ConversionTable> table = loadTable(*config, *converter);
    if (!table)
        return kBadUsage;

    if (m_options.mode == Options::Mode::Show) {
        QString text = u"; "_s + converter->description + u"\n["_s + converter->key + u"]\n"_s;
        if (table->output() == convert::ConversionTable::Output::Utf8)
            text += QString::fromUtf16(config::kEncodingKey) + u"=UTF-8\n"_s; // the values are code points
        for (const auto& [source, target] : table->pairs())
            text += QString::number(source) + u'=' + QString::number(target) + u'\n';
        return print(text);
    }

    if (!m_options.batch)
        return convertFile(m_options.files.at(0), m_options.files.at(1), *table) ? kDone : kConversionFailed;

    // Unlike the window, which stops at the first failure, a script gets every file that can be
    // converted and learns of the others from the messages and the exit status. A file whose output
    // would replace an input of the batch is left out before anything is converted.
    const QList<qsizetype> conflicts = files::batchConflicts(m_options.files);
    qsizetype failed = 0;
    for (qsizetype i = 0; i < m_options.files.size(); ++i) {
        const QString& input = m_options.files.at(i);
        if (conflicts.at(i) < 0)
            continue;
        const QString output = shown(input + u".out"_s, false);
        error(conflicts.at(i) == i ? texts::sameFile(language(), shown(input, true), output)
                                   : texts::outputIsAnotherInput(language(), shown(input, true), output));
        ++failed;
    }
    for (qsizetype i = 0; i < m_options.files.size(); ++i) {
        const QString& input = m_options.files.at(i);
        if (conflicts.at(i) < 0 && !convertFile(input, input + u".out"_s, *table))
            ++failed;
    }
    if (failed == 0)
        return kDone;
    if (m_options.files.size() > 1)
        error(texts::batchFailures(language(), failed, m_options.files.size()));
    return kConversionFailed;
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
        return printResult(context, texts::help(context.language));
    case Options::Mode::Version:
        return printResult(context, texts::version() + u'\n');
    default:
        return Runner(parsed.options, context).run();
    }
}

} // namespace trelvick::cli
