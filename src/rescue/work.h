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
    files::LeftoverSweep sweep{};
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

// How a file's new contents are made from it.
struct Writing
{
    const convert::Converter* converter = nullptr; // none: copied byte for byte, holes kept
    std::optional<charset::WideForm> wide;         // read from UTF-16 or UTF-32 first
    bool stripMark = false;                        // a UTF-8 byte-order mark at its start is left out
    bool addMark = false;                          // the new contents start with one
    std::optional<guess::Encoding> repairThrough;  // UTF-8 double-encoded through this codepage, undone first
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
    Done link(qsizetype i);
    Done predict(qsizetype i, int inputFolder, int input, Result result, const Writing& writing);
    base::Expected<std::optional<int>> outputFolder(qsizetype i) const;
    Done deliver(qsizetype i, int inputFolder, int input, Result result, const Writing& writing);
    Writing writing(int input, const Choice& choice, Result& result) const;
    void rename(int folder, const QByteArray& name, const QByteArray& newName, Result& result) const;
    base::Error makeBackup(int folder, const QByteArray& name, int input, QByteArray& made) const;
    base::Error write(int input, int output, Result& result, const Writing& writing) const;
    files::OutputRules rules() const;
    Reason refusal(qsizetype i) const;
    base::Expected<bool> markChanges(int input) const;
    QByteArray outputPath(qsizetype i) const;

    Shared& m_shared;
    InputCursor& m_input;
    OutputCursor* m_output;
};

// Whether the line ends of the file (read from its start) change under ends: a file already in the
// target is then written again, for its line ends alone.
base::Expected<bool> lineEndsChange(int fd, convert::LineEnds ends);

} // namespace trelvick::rescue
