// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/cli.h"
#include "cli/options.h"
#include "config/configuration.h"

namespace trelvick::cli {

// --guess: names the codepage of each of options.files, one line per file, with the converters of
// config that start from it. Returns the exit status: a file that cannot be read (kConversionFailed)
// outweighs one that is no text (kNotText).
int guessFiles(const Options& options, const Context& context, const config::Configuration& config);

} // namespace trelvick::cli
