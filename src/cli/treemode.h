// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/cli.h"
#include "cli/options.h"

namespace trelvick::cli {

// -f/-t over whole folders or lists of files (-r, --files-from) into --output-dir or in place (-i).
int convertTree(const Options& options, const Context& context);

} // namespace trelvick::cli
