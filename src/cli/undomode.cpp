// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/undomode.h"

#include "cli/reporter.h"
#include "files/posixfile.h"
#include "lang/clitexts.h"
#include "lang/errortext.h"
#include "rescue/undo.h"

namespace trelvick::cli {

namespace texts = lang::cli;

int undoRun(const Options& options, const Context& context)
{
    const Reporter reporter(context, options.quiet);
    const lang::Language language = context.language;
    const QString shownReport = reporter.shown(options.undoReport, true);
    files::InputFile file;
    if (options.undoReport != kStandardStream && !file.open(options.undoReport)) {
        reporter.error(texts::fileFailure(shownReport, lang::errorText(file.error(), language)));
        return kBadUsage;
    }
    files::DescriptorSource standardInput(context.inputFd);
    files::DescriptorSource& source = options.undoReport == kStandardStream ? standardInput : file;
    QByteArray text;
    char buffer[64 * 1024];
    for (std::int64_t got; (got = source.read(buffer, sizeof buffer)) != 0;) {
        if (got < 0) {
            reporter.error(texts::fileFailure(shownReport, lang::errorText(source.error(), language)));
            return kBadUsage;
        }
        text.append(buffer, qsizetype(got));
    }
    const base::Expected<std::vector<rescue::ReportRow>> rows = rescue::readReport(text);
    if (!rows) {
        reporter.error(texts::notAReport(language, shownReport, rows.error().key));
        return kBadUsage;
    }
    using Outcome = rescue::UndoStep::Outcome;
    const rescue::UndoTally tally = rescue::undo(*rows, options.dryRun, [&](const rescue::UndoStep& step) {
        const QString path = rescue::shownPath(step.path);
        const QString to = rescue::shownPath(step.to);
        const bool restore = step.kind == rescue::UndoStep::Kind::Restore;
        switch (step.outcome) {
        case Outcome::Done:
            reporter.notice(restore ? texts::restored(language, to, options.dryRun)
                                    : texts::renamedBack(language, path, to, options.dryRun));
            break;
        case Outcome::Changed:
            reporter.error(texts::fileFailure(path, texts::changedSinceRun(language)));
            break;
        case Outcome::NoBackup:
            reporter.error(texts::fileFailure(path, texts::noBackupToRestore(language)));
            break;
        case Outcome::Failed:
            reporter.error(texts::fileFailure(path, lang::errorText(step.error, language)));
            break;
        }
    });
    reporter.notice(texts::undoSummary(language, tally.restored, tally.renamed, tally.left, tally.failed));
    return tally.left + tally.failed > 0 ? kConversionFailed : kDone;
}

} // namespace trelvick::cli
