// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"

#include <QString>

namespace trelvick::platform {

// The two ways the program starts an external viewer or editor. No shell is involved: the
// configured command is the program and the file's full path its single argument, so names with
// blanks, quotes, "$" or ";" arrive intact. Each gives no error once the program has started.
base::Error startProgramDetached(const QString& program, const QString& argument);
// Starts the program and blocks, handling no window events, until it ends. No time-out.
base::Error runProgramAndWait(const QString& program, const QString& argument);

// Why a program could not be started, asked again of the system the way starting it asked: QProcess
// keeps only a category and its own English text. A name without "/" is looked for on PATH. Gives
//   ENOENT       no such program, or a script whose interpreter is missing ("#!/no/such")
//   EACCES, ENOTDIR, ELOOP, ENAMETOOLONG ...   as access(2) finds them for the program or interpreter
//   EACCES       a folder
//   NotStarted   an executable file that still did not start (a foreign format, no memory)
base::Error whyNotStarted(const QString& program);

} // namespace trelvick::platform
