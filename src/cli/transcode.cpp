// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/transcode.h"

#include "cli/reporter.h"

namespace trelvick::cli {

int transcode(const Options& options, const Context& context)
{
    Reporter(context, options.quiet).error(QStringLiteral("not built yet"));
    return kBadUsage;
}

int listCodepages(const Context& context)
{
    return printResult(context, {});
}

} // namespace trelvick::cli
