// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <functional>

namespace trelvick::tree {

struct JobCallbacks
{
    // Does job i; runs on a worker thread, several at once, each i once. Keeps its result itself.
    std::function<void(qsizetype i)> run;
    // Takes the result of job i; runs on the calling thread, for 0, 1, 2 ... in order, as soon as job i
    // and every job before it are done.
    std::function<void(qsizetype i)> deliver;
    // Runs on the calling thread about every interval while jobs run (a progress bar); may be empty.
    std::function<void()> tick;
    // Set as soon as a stop signal comes, so that the jobs under way can give up early; may be null.
    std::atomic<bool>* interrupted = nullptr;
    // Asked on the calling thread after each delivery and tick: true stops the run from starting more
    // jobs, as a signal does, but lets those under way end (a Cancel, a report nobody reads); may be empty.
    std::function<bool()> shouldStop = {};
    // How far the workers may run ahead of delivery: job i starts only once job i - aheadLimit is
    // delivered, so that what the delivered results hold (descriptors, memory) stays bounded. 0: no bound.
    qsizetype aheadLimit = 0;
};

struct JobsOutcome
{
    qsizetype delivered = 0; // jobs 0 .. delivered - 1 are done and delivered; none after them started
    int signal = 0;          // the signal that stopped the run early, or 0
};

// Runs count jobs on workers threads (1 or more; fewer where the system lets no more start, and
// when not even one starts, that failure, a std::system_error, comes out here with the signal mask
// as it was), in index order as far as starting goes, and delivers them in index order. SIGXFSZ is
// held back meanwhile on every thread of the run, so that a file-size limit fails a write with EFBIG
// instead of ending the program. SIGINT, SIGTERM and SIGHUP (those not ignored) are held back too:
// one of them stops the run from starting more jobs; the jobs under way end and are delivered, and the
// signal is returned so that the caller can report how far the run got and then end as the signal
// would have ended it (endBySignal). A job that throws stops the run too: it and the jobs after it
// are not delivered, and its exception comes out here once every worker has ended; so does an
// exception of deliver or tick, once the jobs under way have ended.
//
//     std::vector<Result> results(n);
//     runInOrder(n, 4, {[&](qsizetype i) { results[i] = convert(i); },
//                       [&](qsizetype i) { report(results[i]); }, {}});
JobsOutcome runInOrder(qsizetype count, int workers, const JobCallbacks& callbacks,
                       std::chrono::milliseconds interval = std::chrono::milliseconds(100));

// Ends the process by signal, as if it had not been held back: the parent sees the usual status.
[[noreturn]] void endBySignal(int signal);

} // namespace trelvick::tree
