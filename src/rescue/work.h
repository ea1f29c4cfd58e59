// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/descriptor.h"
#include "files/outputtransaction.h"
#include "rescue/conversions.h"
#include "rescue/cursor.h"
#include "rescue/outcome.h"
#include "rescue/plan.h"

#include <atomic>
#include <memory>

namespace trelvick::rescue {

// What the workers of one job share. Only the sweep and the stop flag change while they run.
struct Shared
{
    const Request& request;
    const Plan& plan;
    const Folders& folders;
    const Conversions& conversions;
    int outputRoot = -1; // OutputDir: the output folder, opened once
    files::LeftoverSweep sweep;
    std::atomic<bool> abandon{false}; // a stop signal came: the file under way is given up
};

// A replacement written in full and waiting for its group's commit: the old file stays in place, and
// its backup (if made) beside it, until the group's data is on the disk.
struct Pending
{
    std::unique_ptr<files::OutputTransaction> output;
    files::Descriptor folder; // where it lies
    FileId folderId;
    QByteArray name;     // its name there
    QByteArray renameTo; // InPlace with names: the new name, given once the contents are in place
    QByteArray backup;   // the backup this job made, which goes again if the commit fails
    FileId original;     // the file the backup names
};

struct Done
{
    Result result;
    std::unique_ptr<Pending> pending;
};

// The work on one entry of a plan, on a worker thread: its file is opened from its folder's
// descriptor, checked to be the file the walk saw, guessed, and converted, copied or left alone.
// A new output is in place when this returns; a replacement is Pending.
class Work final
{
public:
    Work(Shared& shared, InputCursor& input, OutputCursor* output) : m_shared(shared), m_input(input), m_output(output)
    {
    }

    Done entry(qsizetype i);

private:
    Done file(qsizetype i);
    Done deliver(qsizetype i, int inputFolder, int input, Result result, const convert::Converter* converter);
    void rename(int folder, const QByteArray& name, const QByteArray& newName, Result& result) const;
    base::Error makeBackup(int folder, const QByteArray& name, int input, QByteArray& made) const;
    base::Error write(int input, int output, Result& result, const convert::Converter* converter) const;
    files::OutputRules rules() const;
    Reason refusal(qsizetype i) const;
    QByteArray outputPath(qsizetype i) const;

    Shared& m_shared;
    InputCursor& m_input;
    OutputCursor* m_output;
};

// Whether the line ends of the file (read from its start) change under ends: a file already in the
// target is then written again, for its line ends alone.
base::Expected<bool> lineEndsChange(int fd, convert::LineEnds ends);

} // namespace trelvick::rescue
