// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/treemode.h"

#include "cli/reporter.h"

namespace trelvick::cli {

int convertTree(const Options& options, const Context& context)
{
    Reporter(context, options.quiet).error(QStringLiteral("folder conversion is not built yet"));
    return kBadUsage;
}

} // namespace trelvick::cli
