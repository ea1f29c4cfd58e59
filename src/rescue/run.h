// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rescue/conversions.h"
#include "rescue/outcome.h"
#include "rescue/plan.h"

#include <cstdint>

namespace trelvick::rescue {

// What a job tells its face while it runs; every call comes on the thread that called run().
class Events
{
public:
    virtual ~Events() = default;
    // Entry i's result, in the order walked (abandoned ones are not told).
    virtual void done(qsizetype i, const Node& node, const Result& result) = 0;
    // About ten times a second while the files are done: how many of them and of their bytes so far.
    virtual void progress(std::int64_t files, std::int64_t bytes) = 0;
    // Asked after each result and tick: true lets the files under way end and starts no more.
    virtual bool stopRequested() const { return false; }
};

struct Finished
{
    enum class Setup
    {
        Ready,
        OutputInsideInput, // the output folder lies inside an input folder: its results would be walked
        OutputFolder,      // the output folder cannot be made or opened (error says why)
    };
    Setup setup = Setup::Ready;
    base::Error error;
    Tally tally;
    bool problem = false;       // some entry was not done as asked
    int signal = 0;             // the stop signal that cut the job short; the caller ends by it after its report
    std::int64_t filesDone = 0; // the files (each counted once) whose results were told
    // Folders whose mode or times could not be given at the end, once their contents were done.
    QList<std::pair<QByteArray, base::Error>> folderFailures;
};

// The job: the output folder made, the folders settled (made in the output tree, or renamed in place),
// the files done on request.jobs threads while their results come in the order walked, replacements
// committed in groups, and, under an output folder, everything made durable once at the end. SIGINT,
// SIGTERM and SIGHUP stop it: the file under way is given up (its temporary file removed), what is
// done is committed and told, and Finished::signal says which came.
Finished run(const Request& request, const Plan& plan, const Conversions& conversions, Events& events);

} // namespace trelvick::rescue
