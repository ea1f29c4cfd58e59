// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/conversionrun.h"

#include "app/boxes.h"
#include "config/codesection.h"
#include "convert/engine.h"
#include "files/fileconversion.h"
#include "files/fileops.h"
#include "lang/errortext.h"
#include "rescue/plan.h"

#include <algorithm>

namespace trelvick::app {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

class SingleRun final : public RunPolicy
{
public:
    explicit SingleRun(const WindowState& state) : m_state(state) {}

    QList<Job> jobs() const override { return {{m_state.InputFilePath, m_state.OutputFilePath}}; }
    // Two names for one file (a link, "./a" beside "a"): the input would be replaced by its result.
    bool namesClash() const override
    {
        return m_state.InputFilePath == m_state.OutputFilePath ||
               files::sameFile(m_state.InputFilePath, m_state.OutputFilePath);
    }
    bool asksBeforeReplacing() const override { return !m_state.OutputFileChanged; }
    QString fileLabel(lang::Language, qsizetype, qsizetype) const override { return {}; }
    bool reportsResult() const override { return true; }

private:
    const WindowState& m_state;
};

class BatchRun final : public RunPolicy
{
public:
    explicit BatchRun(const WindowState& state) : m_state(state) {}

    QList<Job> jobs() const override
    {
        QList<Job> jobs;
        for (const QString& input : m_state.ListOfFilenames)
            jobs.append({input, files::decodeNativePath(rescue::batchOutput(files::nativePath(input)).constData())});
        return jobs;
    }
    // Refused as a whole, as one file under two names is: converting the first would replace another's input.
    bool namesClash() const override
    {
        QList<QByteArray> inputs;
        for (const QString& input : m_state.ListOfFilenames)
            inputs << files::nativePath(input);
        return rescue::batchRefuses(inputs);
    }
    // The user was told that existing outputs are replaced.
    bool asksBeforeReplacing() const override { return false; }
    QString fileLabel(lang::Language language, qsizetype number, qsizetype count) const override
    {
        return lang::batchLabel(language, number, count);
    }
    bool reportsResult() const override { return false; }

private:
    const WindowState& m_state;
};

} // namespace

ConversionRun::ConversionRun(platform::Platform& platform, WindowState& state, ProgressView& view)
    : m_platform(platform), m_state(state), m_view(view)
{
}

void ConversionRun::run(int converter)
{
    const SingleRun single(m_state);
    const BatchRun batch(m_state);
    const RunPolicy& policy = m_state.ListOfFilenames.isEmpty() ? static_cast<const RunPolicy&>(single) : batch;
    const QList<Job> jobs = policy.jobs();
    if (!passesChecks(policy, jobs))
        return;
    const config::Converter chosen = converter >= 0 && converter < m_state.ConverterList.size()
                                         ? m_state.ConverterList.at(converter)
                                         : config::Converter{};
    for (qsizetype i = 0; i < jobs.size(); ++i)
        if (!convert(policy, jobs.at(i), i + 1, jobs.size(), chosen))
            return;
}

bool ConversionRun::refuse(const lang::Message& message)
{
    m_platform.beep();
    showBox(m_platform, m_state, message, Icon::Information);
    return false;
}

bool ConversionRun::passesChecks(const RunPolicy& policy, const QList<Job>& jobs)
{
    const lang::Language language = m_state.InterfaceLanguage;
    // A name that came from the file system in bytes Qt could not decode holds U+FFFD in their place:
    // opened or created under that name it would be another file.
    for (const Job& job : jobs)
        for (const QString& name : {job.input, job.output})
            if (name.contains(QChar::ReplacementCharacter))
                return refuse(lang::unrepresentableName(language, name));
    if (policy.namesClash())
        return refuse(lang::wrongNames(language));
    if (!policy.asksBeforeReplacing())
        return true;
    m_platform.beep();
    return showBox(m_platform, m_state, lang::previousResults(language), Icon::Question, Buttons::YesNo) == Answer::Yes;
}

void ConversionRun::fail(const lang::Message& message)
{
    m_platform.beep();
    showBox(m_platform, m_state, message, Icon::Stop);
    m_state.ConversionRunning = false;
    endProgram(m_platform, m_state, 1);
}

bool ConversionRun::convert(const RunPolicy& policy, const Job& job, qsizetype number, qsizetype count,
                            const config::Converter& converter)
{
    const lang::Language language = m_state.InterfaceLanguage;
    m_state.ConverterSection = converter.key;
    // Read afresh for every file: the user may have mended tq.ini meanwhile.
    // A file that cannot be read has no sections, as it had none for the classic reader.
    const auto profile = config::ProfileReader::fromFile(m_state.configFile);
    const auto loaded = config::loadCodeSection(profile ? *profile : config::ProfileReader(), m_state.ConverterSection);
    if (!loaded) {
        fail(lang::missingCodeSection(language, converter.description));
        return false;
    }

    files::FileConversion conversion;
    conversion.input = job.input;
    conversion.output = job.output;
    std::int64_t size = 0;
    conversion.started = [&](std::int64_t inputSize) {
        size = inputSize;
        if (const QString label = policy.fileLabel(language, number, count); !label.isNull())
            m_view.showStatusLine(label);
        m_state.ConversionRunning = true;
        m_view.showState();
        m_view.showProgress(0);
    };
    conversion.progress = [&](const convert::Counts& counts) {
        m_view.showProgress(convert::progressPercentage(counts.processed, size));
        m_platform.processEvents();
    };
    const files::ConversionOutcome result = files::convertFile(conversion, *loaded);
    if (!result.ok()) {
        fail(lang::conversionFailure(language, lang::errorText(result.error, language)));
        return false;
    }
    if (policy.reportsResult()) {
        m_view.showProgress(100);
        m_platform.beep();
        showBox(m_platform, m_state, lang::endOfConversion(language, converter.description, result.counts.changed),
                Icon::Information);
    }
    m_view.showProgress(0);
    m_state.OutputFileChanged = false;
    m_state.ConversionRunning = false;
    m_view.showState();
    return true;
}

} // namespace trelvick::app
