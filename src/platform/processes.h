// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/platform.h"

namespace trelvick::platform {

// The two ways the program starts an external viewer or editor. No shell is involved: the
// configured command is the program and the file's full path its single argument, so names with
// blanks, quotes, "$" or ";" arrive intact.
StartResult startProgramDetached(const QString& program, const QString& argument);
// Starts the program and blocks, handling no window events, until it ends. No time-out.
StartResult runProgramAndWait(const QString& program, const QString& argument);

} // namespace trelvick::platform
