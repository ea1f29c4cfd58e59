// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/cli.h"
#include "cli/options.h"

namespace trelvick::cli {

// --undo REPORT: a run in place put back from its report (-n: only told).
int undoRun(const Options& options, const Context& context);

} // namespace trelvick::cli
