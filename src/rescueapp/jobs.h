// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rescue/run.h"
#include "rescue/undo.h"
#include "rescueapp/planrow.h"
#include "rescueapp/session.h"

#include <functional>
#include <memory>
#include <vector>

// The three jobs of the window, each run on a JobThread: the scan (the plan and its dry run), the
// conversion and the undo. What they tell comes in batches a few times a second, on the window's
// thread; a hundred thousand results one by one would flood its event queue.
namespace trelvick::rescueapp {

class JobThread;

struct JobEnd
{
    rescue::Finished finished;
    base::Error setupError; // the job could not begin: this system cannot convert into UTF-8
    base::Error failure;    // the system refused the job memory or threads: it stopped there
    bool stopped = false;   // cancelled; finished.filesDone tells how far it got
};

struct ScanEvents
{
    // The walk is done: the plan the rows that follow refer to.
    std::function<void(std::shared_ptr<Session>)> planned;
    std::function<void(std::vector<PlanRow>)> rows;
    std::function<void(std::int64_t files, std::int64_t bytes)> progress;
    std::function<void(const JobEnd&)> finished;
};

// The session made from options, its walk and plan, and the dry run of the plan: every entry told with
// what its guess decides and the first bytes of its file.
void scan(JobThread& thread, const Options& options, const ScanEvents& events);

struct ConvertEvents
{
    // The report's file, or why it could not be made (the conversion goes on without it).
    std::function<void(const QByteArray& path, const base::Error& failed)> reportOpened;
    std::function<void(std::vector<std::pair<qsizetype, Outcome>>)> results;
    std::function<void(std::int64_t files, std::int64_t bytes)> progress;
    // undoLines: the report's lines an undo needs (each file given a backup or a new name);
    // reportFailed: why the report is not whole, if it is not.
    std::function<void(const JobEnd&, const QByteArray& undoLines, const base::Error& reportFailed)> finished;
};

// The plan of the session run for real, as its request now says (dryRun off, the user's choices in
// overrides), with its report written into reportFolder.
void convert(JobThread& thread, const std::shared_ptr<Session>& session, const QByteArray& reportFolder,
             const ConvertEvents& events);

struct UndoEvents
{
    std::function<void(std::vector<rescue::UndoStep>)> steps;
    std::function<void(const rescue::UndoTally&)> finished;
};

// A conversion in place put back from its report's lines.
void undo(JobThread& thread, const QByteArray& report, const UndoEvents& events);

} // namespace trelvick::rescueapp
