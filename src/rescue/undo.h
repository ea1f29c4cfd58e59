// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "rescue/report.h"

#include <QByteArray>
#include <functional>
#include <vector>

// A run in place put back from its report (made with backups): every backup under its original name
// again, every renamed file and folder back under its old name, deepest first, and nothing else
// removed but the contents the run wrote.
namespace trelvick::rescue {

struct UndoStep
{
    enum class Kind
    {
        Restore, // the backup takes the original name back; the converted contents go
        RenameBack,
    };
    enum class Outcome
    {
        Done,     // (or, in a dry run, would be done)
        Changed,  // the file is no longer what the run wrote: left as it is
        NoBackup, // converted without a backup: nothing to put back
        Failed,   // error says why
    };
    Kind kind = Kind::RenameBack;
    QByteArray path; // where the entry lies now
    QByteArray to;   // the path it gets back
    Outcome outcome = Outcome::Done;
    base::Error error;
};

struct UndoTally
{
    std::int64_t restored = 0, renamed = 0, left = 0, failed = 0;
};

// Puts back what the rows say, in reverse order, and tells each step as it is taken (or, in a dry run,
// would be). Paths are read as the run wrote them: relative ones from the folder the run was made in.
UndoTally undo(const std::vector<ReportRow>& rows, bool dryRun, const std::function<void(const UndoStep&)>& tell);

} // namespace trelvick::rescue
