// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "files/descriptor.h"
#include "files/destination.h"
#include "files/fileid.h"
#include "files/signalguard.h"

#include <QByteArray>
#include <QSet>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

namespace trelvick::files {

// The folders that a run has already cleared of leftovers, so that a batch writing many outputs into
// one folder reads it once, and the age a leftover must have to go. Any number of threads may ask at once.
//
// A leftover is a temporary file of ours (see temporaryName) that no run holds any more. Its name
// alone cannot tell: a run in another PID namespace (a container) or on another machine (NFS) has a
// process id that means nothing here. A running transaction holds locks of both kinds on its
// temporary file from its making to its end (files::lockEachKind), so a file that the sweep can
// lock both ways (files::tryLockBoth) is no running transaction's. Only one that is also old goes:
// a file changed (its data or its inode, as a link or a rename does) less than a minute before the
// sweep began may have been named a moment ago by a run that has not locked it yet.
class LeftoverSweep final
{
public:
    explicit LeftoverSweep(std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

    // True the first time it is asked about a folder.
    bool firstVisit(const struct stat& folder);
    // Whether a file of that status is old enough to go.
    bool isOld(const struct stat& file) const;

private:
    std::mutex m_mutex;
    QSet<FileId> m_visited;
    std::chrono::system_clock::time_point m_youngFrom;
};

// ".trelvick-<pid>-<random>.tmp": whose it is, so that a later run into its folder can tell a leftover
// and remove it.
QByteArray temporaryName();

struct OutputRules
{
    bool unnamedTemporary = true;   // tests turn it off, to reach the named way on any file system
    bool regularOnly = false;       // an output that exists and is no regular file is refused
    LeftoverSweep* sweep = nullptr; // none: a folder is swept whenever a new file is named in it
    // A replaced output must still be this file (device and inode), else FileChanged: the one a job
    // read, so that nothing swapped into its place meanwhile is replaced instead.
    std::optional<FileId> expected;
    // Many replacements committed together: commit neither flushes the new file nor the folder. The
    // caller makes the new files durable first (one syncfs for them all) and flushes each folder once
    // after their renames, so that a crash still leaves every output old or new.
    bool groupCommit = false;
    // The caller holds the termination signals and SIGXFSZ back for its whole run (a job over many
    // files on several threads), so the transaction leaves the signal mask alone and may end on
    // another thread than the one that began it.
    bool callerHoldsSignals = false;
};

// The writing of one output, from open to commit:
//
//     OutputTransaction output(std::move(destination), rules);
//     if (const base::Error error = output.open(mode))
//         return error;
//     ... write to output.descriptor() ...
//     return output.commit();
//
// A regular output is written to a new file in its folder: unnamed where the system allows, so that
// nothing of it outlives the process, else named .trelvick-<pid>-<random>.tmp, which a later run
// into the folder removes once that process is gone (see LeftoverSweep: the new file stays locked
// until the transaction ends, and a locked one is left alone). Only commit gives the new file the
// output's name. A new output is linked under it, which fails rather than replaces should a file have taken
// the name meanwhile. A replaced output hands its owner, mode, ACL and extended attributes on to
// the new file before the first byte is written (one that cannot be copied stops the replacement),
// and is replaced by a rename once the new file is flushed to the disk; the folder is flushed after
// it, so that a crash leaves the old output or the new one, never an empty file.
// Devices, FIFOs, terminals and streams are written in place.
// Going out of scope uncommitted aborts: the new file goes, then the signals held back meanwhile
// (see SignalGuard) take their course.
class OutputTransaction final
{
public:
    OutputTransaction(Destination destination, const OutputRules& rules);
    ~OutputTransaction();
    OutputTransaction(const OutputTransaction&) = delete;
    OutputTransaction& operator=(const OutputTransaction&) = delete;

    // newMode: the permission bits of a new output, before the umask.
    base::Error open(mode_t newMode);
    int descriptor() const;
    base::Error commit();

    // Whether a termination signal held back meanwhile is waiting (never, under callerHoldsSignals).
    bool terminationPending() const { return m_signals && m_signals->terminationPending(); }
    bool holdsTermination() const { return m_signals && m_signals->holdsTermination(); }
    // The names of a replaced output besides the one written (hard links), which keep the old text.
    std::int64_t otherNames() const;

private:
    base::Error openInPlace();
    base::Error openReplacement();
    base::Error openTemporary(mode_t mode);
    base::Error commitNew();
    base::Error commitReplacement();
    base::Error withFreshName(const std::function<bool(const char* name)>& place);
    void sweepLeftovers() const;
    void lockTemporary();
    int folder() const { return m_destination.folder.get(); }
    const char* name() const { return m_destination.name.constData(); }

    std::optional<SignalGuard> m_signals; // first, so that it ends last, once the temporary file is gone
    const OutputRules m_rules;
    Destination m_destination;
    Descriptor m_lockHolder;    // the new file, open until its name is gone: its locks last as long
    Descriptor m_file;          // the new contents, or the file written in place
    QByteArray m_procPath;      // the unnamed new file as /proc/self/fd/N, for linking it
    QByteArray m_temporaryName; // while the new file carries a name of its own
    struct stat m_replaced = {};
};

} // namespace trelvick::files
