// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/platform.h"
#include "rescueapp/controls.h"
#include "rescueapp/jobs.h"
#include "rescueapp/jobthread.h"
#include "rescueapp/planfilter.h"
#include "rescueapp/planmodel.h"
#include "rescueapp/progressmeter.h"
#include "rescueapp/statusboard.h"

#include <QWidget>
#include <functional>

namespace trelvick::rescueapp {

class ChoicePanel;

// The rescue of a whole archive: the folders and files added, the plan the scan makes of them (a dry
// run of the engine, off this thread), the user's choices, the conversion and its undo. The window
// holds the state and shows it; the jobs run on a JobThread and tell it what they find. Everything
// modal goes through the platform.
class RescueWindow final : public QWidget
{
    Q_OBJECT

public:
    enum class Stage
    {
        Empty,       // nothing to convert: no inputs, or the plan could not be made
        Scanning,    // the plan is being made
        Planned,     // a whole plan, ready to convert
        ScanStopped, // a plan cut short: scan again before converting
        Converting,
        Converted, // the plan is spent: scan again for another conversion, or undo this one
        Undoing,
        Undone,
    };
    Q_ENUM(Stage)

    RescueWindow(platform::Platform& platform, const Phrasebook& words, QWidget* parent = nullptr);
    ~RescueWindow() override;

    // Absolute paths of folders or files; each new one joins the plan, which is made again.
    void addInputs(const QList<QByteArray>& paths);
    void setLanguage(Language language);
    Language language() const { return m_words.language(); }
    Stage stage() const { return m_stage; }
    PlanModel& plan() { return m_plan; }
    // Worker threads of the jobs; 0: one per processor.
    void setJobs(int jobs) { m_jobs = jobs; }

signals:
    void stageChanged(trelvick::rescueapp::RescueWindow::Stage stage);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Options options() const;
    void connectControls();
    void scanNow();
    void startConvert();
    void startUndo();
    void chooseInput();
    bool chooseOutput();
    void optionsChanged();
    void setStage(Stage stage);
    void notify(const QString& text);
    void setStatus(Wording text);
    std::optional<QByteArray> chosenFolder(const QString& title, const QByteArray& near);
    void showInputs();
    void retranslate();
    bool setupFailed(const JobEnd& end);

    void planned(std::shared_ptr<Session> session);
    void progressed(std::int64_t files, std::int64_t bytes);
    void scanEnded(const JobEnd& end);
    void resultsCame(std::vector<std::pair<qsizetype, Outcome>> results);
    void convertEnded(const JobEnd& end, const QByteArray& undoLines, const base::Error& reportFailed);
    void undoStepsCame(const std::vector<rescue::UndoStep>& steps);
    void undoEnded(const rescue::UndoTally& tally);

    platform::Platform& m_platform;
    Phrasebook m_words;
    Controls m_controls;
    PlanModel m_plan;
    PlanFilter m_filter;
    StatusBoard m_board;
    ChoicePanel* m_choices = nullptr;
    JobThread m_job;
    Stage m_stage = Stage::Empty;
    QList<QByteArray> m_inputs;
    QByteArray m_outputDir;
    std::shared_ptr<Session> m_session;
    QByteArray m_undoLines;
    QByteArray m_reportPath;
    ProgressMeter m_meter;
    int m_jobs = 0;
    bool m_scanAgain = false; // the options changed while a scan ran
    bool m_closing = false;   // closed while a job ran: the window goes once it has ended
};

} // namespace trelvick::rescueapp
