// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/cli.h"
#include "cli/options.h"

namespace trelvick::cli {

// -f FROM -t TO: the inputs (standard input when none) one after the other into -o or standard
// output, as iconv does; characters the target lacks become '?' and are counted.
int transcode(const Options& options, const Context& context);

// --list-codepages
int listCodepages(const Context& context);

} // namespace trelvick::cli
