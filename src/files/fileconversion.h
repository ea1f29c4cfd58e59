// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/engine.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>

namespace trelvick::files {

// One file converted into another, the one place where files are opened, created and replaced.
//
// The input is opened and checked (not a folder) before the output is touched. A regular output is
// written to a new, unnamed file in its own folder and only named and renamed over the output once
// everything was converted, written and closed; until then the previous output stays as it was,
// and a failure or a killed process leaves no trace. An output that is a symbolic link gives its
// result to the file it leads to and stays a link. An output that is not a regular file (a device
// such as /dev/full, a FIFO, a terminal, a pipe behind /dev/stdout) is written in place.
// A new output gets the input's permission bits under the umask; a replaced one keeps its own mode,
// and its owner and group where the process may set them.
struct FileConversion
{
    QString input;     // a path, unless inputFd is set
    QString output;    // a path, unless outputFd is set
    int inputFd = -1;  // a descriptor to read instead (standard input); not closed
    int outputFd = -1; // a descriptor to write instead (standard output); not closed

    // Called once both files are open, just before the first byte is read, with the input's size
    // in bytes (-1 when it is not a regular file).
    std::function<void(std::int64_t size)> started;
    convert::ProgressCallback progress;
    std::chrono::milliseconds interval{30};

    // Where the system offers no unnamed files, a uniquely named one is used and removed on failure;
    // tests turn this off to reach that way on any file system.
    bool unnamedTemporary = true;
};

struct ConversionOutcome
{
    enum class Failed
    {
        Nothing,
        Input,
        Output,
    } failed = Failed::Nothing;
    QString error; // the system's description of the failure
    convert::Counts counts;

    bool ok() const { return failed == Failed::Nothing; }
};

ConversionOutcome convertFile(const FileConversion& request, const convert::ConversionTable& table);

// For a batch, where each input's output is its name followed by ".out": for every input, the index
// of an input that its output would replace (its own included), by name or as the same file, or -1.
QList<qsizetype> batchConflicts(const QStringList& inputs);

} // namespace trelvick::files
