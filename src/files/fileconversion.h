// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "convert/engine.h"

#include <QList>
#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace trelvick::files {

class LeftoverSweep;

// One file converted into another, the one place where files are opened, created and replaced.
//
// The input is opened and checked (not a folder) before the output is touched. A regular output is
// written to a new file in its own folder and takes the output's name only once everything was
// converted, written and flushed; until then the previous output stays as it was, and a failure or
// a killed process leaves none of the new file behind (see OutputTransaction for how). An output
// that is a symbolic link gives its result to the file it leads to and stays a link. A device, a
// FIFO, a socket or a terminal is written in place, and so is a stream: "-" (outputFd), and
// /dev/stdout, /dev/fd/N or /proc/self/fd/N, which are written through that very descriptor,
// appending where it appends, never truncated or replaced.
// A new output gets the input's permission bits under the umask (and its folder's default ACL); a
// replaced one keeps its mode, ACL and extended attributes, and its owner and group where the
// process may set them, but not its other hard links, which keep the old text. An existing regular
// output that the user may not write is refused with EACCES, as a shell would refuse it.
struct FileConversion
{
    // An input read after the first, as one stream with it.
    struct Source
    {
        QString path;          // unless fd is given
        std::optional<int> fd; // a descriptor the caller owns
    };

    QString input;               // a path, unless inputFd is given
    QString output;              // a path, unless outputFd is given
    std::optional<int> inputFd;  // a descriptor to read instead (standard input; -1 if closed)
    std::optional<int> outputFd; // a descriptor to write instead (standard output); neither is closed

    // Called once both files are open, just before the first byte is read, with the input's size
    // in bytes (-1 when it is not a regular file).
    std::function<void(std::int64_t size)> started;
    convert::ProgressCallback progress;
    std::chrono::milliseconds interval{30};

    // Where the system offers no unnamed files, a uniquely named one is used and removed on failure;
    // tests turn this off to reach that way on any file system.
    bool unnamedTemporary = true;
    // A batch refuses an existing output that is not a regular file (a FIFO would keep it waiting).
    bool regularOutputOnly = false;
    // The folders this run has already cleared of leftovers; none: each is, whenever needed.
    LeftoverSweep* sweep = nullptr;
    // Every line ends with CR LF unless told otherwise (see convert::LineEnds).
    convert::LineEnds lineEnds = convert::LineEnds::CrLf;
    // --strict: a character the target lacks (or an invalid sequence) fails the file, and a
    // regular output is left as it was.
    bool refuseLoss = false;
    // Inputs whose bytes follow the first one's, as iconv writes several inputs into one output.
    // All are opened before the output is touched; the output takes the first one's mode.
    QList<Source> moreInputs;
    // The inputs read through another layer first (UTF-16 read as UTF-8, say); decoded, when given, tells
    // how many sequences that layer replaced, for the counts.
    std::function<std::unique_ptr<convert::ByteSource>(convert::ByteSource& inputs)> decode;
    std::function<std::int64_t()> decoded;
};

struct ConversionOutcome
{
    base::Error error; // its side names the file at fault
    convert::Counts counts;
    // A replaced output's names besides the one written (hard links), which keep the old text.
    std::int64_t otherNames = 0;
    // Which input failed, when the error is on the input side: 0 the first, 1 the first of moreInputs...
    qsizetype failedInput = 0;

    bool ok() const { return !error; }
};

ConversionOutcome convertFile(const FileConversion& request, const convert::ConversionTable& table);
ConversionOutcome convertFile(const FileConversion& request, const convert::Converter& converter);

} // namespace trelvick::files
