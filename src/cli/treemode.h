// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/cli.h"
#include "cli/options.h"
#include "convert/conversiontable.h"

#include <optional>

namespace trelvick::cli {

// A converter of tq.ini, read for the run.
struct ConverterTable
{
    QString key;
    convert::ConversionTable table;
};

// Many files through the rescue engine: whole folders or lists of files (-r, --files-from) into
// --output-dir or in place (-i), or each file into NAME.out beside it (--batch); read in the codepage
// of -f (or each file's guess), or through the converter of -c (table).
int convertTree(const Options& options, const Context& context, const std::optional<ConverterTable>& table = {});

} // namespace trelvick::cli
