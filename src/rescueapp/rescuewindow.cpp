// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescueapp/rescuewindow.h"

#include "files/fileops.h"
#include "lang/errortext.h"
#include "rescue/report.h"
#include "rescueapp/choicepanel.h"
#include "rescueapp/reportfile.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTableView>

namespace trelvick::rescueapp {

using namespace Qt::StringLiterals;
using rescue::shownPath;

namespace {

constexpr convert::LineEnds kLineEnds[kLineEndsChoices] = {convert::LineEnds::Keep, convert::LineEnds::Lf,
                                                           convert::LineEnds::CrLfEach};

// The controls made, and the board over their status, report and problems.
StatusBoard built(Controls& controls, QWidget* window)
{
    controls.build(window);
    return StatusBoard(*controls.status, *controls.report, *controls.problems);
}

} // namespace

RescueWindow::RescueWindow(platform::Platform& platform, const Phrasebook& words, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_words(words), m_filter(m_plan), m_board(built(m_controls, this))
{
    m_controls.showPlan(&m_filter);
    m_choices = new ChoicePanel(m_controls, m_plan, m_filter, this);
    connectControls();
    retranslate();
    setStatus(noInputs);
    setStage(Stage::Empty);
    resize(1100, 640);
}

RescueWindow::~RescueWindow()
{
    m_job.requestStop();
    m_job.wait();
}

void RescueWindow::connectControls()
{
    const Controls& c = m_controls;
    connect(c.addFolder, &QPushButton::clicked, this, &RescueWindow::chooseInput);
    connect(c.rescan, &QPushButton::clicked, this, &RescueWindow::scanNow);
    connect(c.convert, &QPushButton::clicked, this, &RescueWindow::startConvert);
    connect(c.undo, &QPushButton::clicked, this, &RescueWindow::startUndo);
    connect(c.cancel, &QPushButton::clicked, this, [this] { m_job.requestStop(); });
    connect(c.inPlace, &QRadioButton::toggled, this, &RescueWindow::optionsChanged);
    connect(c.convertNames, &QCheckBox::toggled, this, &RescueWindow::optionsChanged);
    connect(c.lineEnds, &QComboBox::currentIndexChanged, this, &RescueWindow::optionsChanged);
    connect(c.chooseOutput, &QPushButton::clicked, this, [this] {
        if (chooseOutput() && m_controls.intoFolder->isChecked())
            optionsChanged();
        else if (!m_outputDir.isEmpty())
            m_controls.intoFolder->setChecked(true);
    });
    connect(c.onlyInDoubt, &QCheckBox::toggled, this, [this](bool only) { m_filter.setOnlyInDoubt(only); });
    connect(c.language, &QComboBox::currentIndexChanged, this,
            [this](int index) { setLanguage(index == 0 ? Language::Greek : Language::English); });
    connect(&m_job, &JobThread::finished, this, [this] {
        if (m_closing)
            close();
    });
}

Options RescueWindow::options() const
{
    Options options;
    options.inputs = m_inputs;
    options.inPlace = !m_controls.intoFolder->isChecked();
    options.outputDir = m_outputDir;
    options.convertNames = m_controls.convertNames->isChecked();
    options.lineEnds = kLineEnds[std::clamp(m_controls.lineEnds->currentIndex(), 0, kLineEndsChoices - 1)];
    options.jobs = m_jobs;
    return options;
}

void RescueWindow::addInputs(const QList<QByteArray>& paths)
{
    for (const QByteArray& path : paths) {
        if (!path.isEmpty() && !m_inputs.contains(path))
            m_inputs << path;
    }
    showInputs();
    scanNow();
}

void RescueWindow::showInputs()
{
    QStringList shown;
    for (const QByteArray& input : m_inputs)
        shown << shownPath(input);
    m_controls.inputs->setText(shown.join(u", "_s));
}

// A folder from the platform's chooser, as bytes; nothing when cancelled (or failed, which is told).
std::optional<QByteArray> RescueWindow::chosenFolder(const QString& title, const QByteArray& near)
{
    platform::FileDialogRequest request;
    request.title = title;
    request.folder = near.isEmpty() ? QDir::homePath() : files::decodeNativePath(near.constData());
    request.language = m_words.language();
    const platform::FileDialogResult chosen = m_platform.chooseFolder(request);
    if (chosen.outcome == platform::FileDialogResult::Failed)
        notify(dialogFailure(m_words, lang::errorText(chosen.error, m_words.language())));
    if (chosen.outcome != platform::FileDialogResult::Chosen || chosen.names.isEmpty())
        return std::nullopt;
    return files::nativePath(QDir::cleanPath(chosen.names.front()));
}

void RescueWindow::chooseInput()
{
    if (const std::optional<QByteArray> folder =
            chosenFolder(chooseInputTitle(m_words), m_inputs.isEmpty() ? QByteArray() : m_inputs.back()))
        addInputs({*folder});
}

// True when a new folder was chosen.
bool RescueWindow::chooseOutput()
{
    const std::optional<QByteArray> folder = chosenFolder(chooseOutputTitle(m_words), m_outputDir);
    if (!folder)
        return false;
    m_outputDir = *folder;
    m_controls.outputFolder->setText(shownPath(m_outputDir));
    return true;
}

// Any option makes another plan. Into a new folder needs the folder first: without one chosen, the
// choice goes back to in place.
void RescueWindow::optionsChanged()
{
    if (m_controls.intoFolder->isChecked() && m_outputDir.isEmpty() && !chooseOutput()) {
        m_controls.inPlace->setChecked(true);
        return;
    }
    if (!m_inputs.isEmpty())
        scanNow();
}

void RescueWindow::scanNow()
{
    if (m_job.running()) {
        // A scan under way ends first; a conversion or an undo is never cut short for a new plan.
        m_scanAgain = m_stage == Stage::Scanning;
        if (m_scanAgain)
            m_job.requestStop();
        return;
    }
    m_session.reset();
    m_plan.reset(nullptr);
    m_board.clearProblems();
    m_board.setReport({}, {});
    m_controls.progress->setValue(0);
    if (m_inputs.isEmpty()) {
        setStatus(noInputs);
        return setStage(Stage::Empty);
    }
    setStatus(walking);
    setStage(Stage::Scanning);
    const ScanEvents events{
        [this](std::shared_ptr<Session> session) { planned(std::move(session)); },
        [this](std::vector<PlanRow> rows) { m_plan.append(std::move(rows)); },
        [this](std::int64_t files, std::int64_t bytes) { progressed(files, bytes); },
        [this](const JobEnd& end) { scanEnded(end); },
    };
    m_job.start([options = options(), events](JobThread& thread) { scan(thread, options, events); });
}

void RescueWindow::planned(std::shared_ptr<Session> session)
{
    m_session = std::move(session);
    m_plan.reset(m_session);
    m_meter.start(m_session->plan().fileCount(), m_session->plan().totalBytes());
    progressed(0, 0);
}

void RescueWindow::progressed(std::int64_t files, std::int64_t bytes)
{
    m_meter.update(files, bytes);
    m_controls.progress->setValue(m_meter.permille());
    const std::int64_t total = m_meter.totalFiles();
    if (m_stage == Stage::Scanning) {
        setStatus([files, total](const Phrasebook& l) { return scanning(l, files, total); });
        return;
    }
    const std::optional<std::int64_t> left = m_meter.secondsLeft();
    const std::int64_t totalBytes = m_meter.totalBytes();
    setStatus([files, total, bytes, totalBytes, left](const Phrasebook& l) {
        const QString amount = byteSize(bytes, l) + u" / "_s + byteSize(totalBytes, l);
        return converting(l, files, total, amount, left ? duration(*left, l) : QString());
    });
}

// A job that could not begin says why, in the status line and, for a folder the user must choose again,
// in a box.
bool RescueWindow::setupFailed(const JobEnd& end)
{
    const QString output = shownPath(m_outputDir);
    if (end.setupError) {
        const base::Error error = end.setupError;
        setStatus([error](const Phrasebook& l) { return noTargetCodepage(l, lang::errorText(error, l.language())); });
    } else if (end.finished.setup == rescue::Finished::Setup::OutputInsideInput) {
        setStatus([output](const Phrasebook& l) { return outputInsideInput(l, output); });
        notify(m_board.status(m_words));
    } else if (end.finished.setup == rescue::Finished::Setup::OutputFolder) {
        const base::Error error = end.finished.error;
        m_board.addProblem(output, error);
        setStatus(
            [output, error](const Phrasebook& l) { return problem(output, lang::errorText(error, l.language())); });
    } else {
        return false;
    }
    m_session.reset();
    m_plan.reset(nullptr);
    setStage(Stage::Empty);
    return true;
}

void RescueWindow::scanEnded(const JobEnd& end)
{
    if (m_scanAgain) {
        m_scanAgain = false;
        setStage(Stage::Empty);
        return scanNow();
    }
    if (setupFailed(end))
        return;
    if (end.stopped || end.failure) {
        const std::int64_t done = end.finished.filesDone;
        const std::int64_t total = m_meter.totalFiles();
        const base::Error failure = end.failure;
        setStatus([done, total, failure](const Phrasebook& l) {
            return failure ? jobFailed(l, lang::errorText(failure, l.language())) : scanStopped(l, done, total);
        });
        return setStage(Stage::ScanStopped);
    }
    m_meter.finish();
    m_controls.progress->setValue(1000);
    for (int r = 0; r < m_plan.rowCount(); ++r) {
        const PlanRow& row = m_plan.row(r);
        if (row.planned.action == rescue::Action::Failed) {
            const QList<rescue::Reason> reasons = row.planned.reasons;
            m_board.addProblem(m_plan.shownName(r), reasons);
        }
    }
    const PlanCounts counts = m_plan.counts();
    setStatus([counts](const Phrasebook& l) { return planSummary(l, counts); });
    setStage(Stage::Planned);
}

void RescueWindow::startConvert()
{
    if (m_stage != Stage::Planned || !m_session)
        return;
    rescue::Request& request = m_session->request();
    request.dryRun = false;
    request.overrides = m_plan.overrides();
    m_board.clearProblems();
    m_undoLines.clear();
    m_meter.start(m_session->plan().fileCount(), m_session->plan().totalBytes());
    setStage(Stage::Converting);
    progressed(0, 0);
    const ConvertEvents events{
        [this](const QByteArray& path, const base::Error& failed) {
            m_reportPath = path;
            m_board.setReport(shownPath(path), failed);
        },
        [this](std::vector<std::pair<qsizetype, Outcome>> results) { resultsCame(std::move(results)); },
        [this](std::int64_t files, std::int64_t bytes) { progressed(files, bytes); },
        [this](const JobEnd& end, const QByteArray& lines, const base::Error& failed) {
            convertEnded(end, lines, failed);
        },
    };
    m_job.start([session = m_session, folder = reportFolder(), events](JobThread& thread) {
        convert(thread, session, folder, events);
    });
}

// Every result that is not what was asked (a failure, a file left in doubt or that would lose
// characters) goes to the problems list with its name: nothing is skipped without a word.
void RescueWindow::resultsCame(std::vector<std::pair<qsizetype, Outcome>> results)
{
    QList<std::pair<qsizetype, QList<rescue::Reason>>> problems;
    for (const auto& [node, outcome] : results) {
        if (outcome.problem)
            problems.append({node, outcome.reasons});
    }
    m_plan.setDone(std::move(results));
    for (const auto& [node, reasons] : problems)
        m_board.addProblem(m_plan.shownName(m_plan.rowOfNode(node)), reasons);
}

void RescueWindow::convertEnded(const JobEnd& end, const QByteArray& undoLines, const base::Error& reportFailed)
{
    m_undoLines = undoLines;
    if (setupFailed(end))
        return;
    for (const auto& [folder, error] : end.finished.folderFailures)
        m_board.addProblem(shownPath(folder), error);
    if (const base::Error error = end.finished.error)
        m_board.addProblem(shownPath(m_outputDir), error);
    if (reportFailed) {
        m_board.setReport(shownPath(m_reportPath), reportFailed);
        m_board.addProblem(shownPath(m_reportPath), reportFailed);
    }
    // Folders that failed are in the problems list by name; the summary counts files.
    const rescue::Tally::Counts& t = end.finished.tally.files;
    const DoneCounts counts{t.total, t.converted, t.copied, t.unchanged, t.skipped, t.failed};
    const std::int64_t done = end.finished.filesDone;
    const std::int64_t total = m_meter.totalFiles();
    if (const base::Error failure = end.failure)
        setStatus([failure](const Phrasebook& l) { return jobFailed(l, lang::errorText(failure, l.language())); });
    else if (end.stopped)
        setStatus([done, total](const Phrasebook& l) { return convertStopped(l, done, total); });
    else
        setStatus([counts](const Phrasebook& l) { return convertSummary(l, counts); });
    m_controls.progress->setValue(end.stopped || end.failure ? m_meter.permille() : 1000);
    setStage(Stage::Converted);
}

void RescueWindow::startUndo()
{
    if (m_stage != Stage::Converted || m_undoLines.isEmpty())
        return;
    m_board.clearProblems();
    setStatus(undoing);
    setStage(Stage::Undoing);
    const UndoEvents events{
        [this](const std::vector<rescue::UndoStep>& steps) { undoStepsCame(steps); },
        [this](const rescue::UndoTally& tally) { undoEnded(tally); },
    };
    m_job.start([lines = m_undoLines, events](JobThread& thread) { undo(thread, lines, events); });
}

void RescueWindow::undoStepsCame(const std::vector<rescue::UndoStep>& steps)
{
    for (const rescue::UndoStep& step : steps)
        m_board.addProblem(step);
}

void RescueWindow::undoEnded(const rescue::UndoTally& tally)
{
    m_undoLines.clear();
    m_session.reset();
    m_plan.reset(nullptr);
    setStatus([tally](const Phrasebook& l) {
        return undoSummary(l, tally.restored, tally.renamed, tally.left, tally.failed);
    });
    setStage(Stage::Undone);
}

void RescueWindow::setStage(Stage stage)
{
    m_stage = stage;
    const bool writing = stage == Stage::Converting || stage == Stage::Undoing;
    const Controls& c = m_controls;
    for (QWidget* option : std::initializer_list<QWidget*>{c.addFolder, c.inPlace, c.intoFolder, c.chooseOutput,
                                                           c.convertNames, c.lineEnds})
        option->setEnabled(!writing);
    c.rescan->setEnabled(!writing && !m_inputs.isEmpty());
    c.convert->setEnabled(stage == Stage::Planned);
    c.cancel->setEnabled(stage == Stage::Scanning || stage == Stage::Converting);
    c.undo->setEnabled(stage == Stage::Converted && !m_undoLines.isEmpty());
    m_choices->setOpen(stage == Stage::Planned);
    emit stageChanged(stage);
}

void RescueWindow::notify(const QString& text)
{
    m_platform.messageBox({rescueTitle(m_words), text, platform::Icon::Exclamation, platform::Buttons::Ok,
                           lang::buttonTexts(m_words.language())});
}

void RescueWindow::setStatus(Wording text)
{
    m_board.setStatus(std::move(text));
}

void RescueWindow::setLanguage(Language language)
{
    if (language == m_words.language())
        return;
    m_words = m_words.in(language);
    retranslate();
}

void RescueWindow::retranslate()
{
    setWindowTitle(rescueTitle(m_words));
    m_controls.setTexts(m_words);
    m_plan.setLanguage(m_words);
    m_choices->setLanguage(m_words);
    m_board.setLanguage(m_words);
}

// Closed while a job runs: the job is asked to stop, and the window goes once the files under way are done.
void RescueWindow::closeEvent(QCloseEvent* event)
{
    if (!m_job.running())
        return event->accept();
    m_closing = true;
    m_job.requestStop();
    event->ignore();
}

} // namespace trelvick::rescueapp
