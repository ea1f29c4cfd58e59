// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lang/texts.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// The texts of the command-line converter, in Greek and in English. Each is one line without the
// program's name in front and without a line end; the caller adds both.
namespace trelvick::lang::cli {

inline constexpr char16_t kProgramName[] = u"trelvick-convert";

// --help: the usage and what the program does; the lists of codepages and languages a guess names;
// the counts and the exit statuses. The options' rows in between come from the option table.
QString helpStart(Language language);
QString guessLists(Language language);
QString helpEnd(Language language);
QString version();
QString tryHelp(Language language);

// How "-" is named in messages.
QString standardInput(Language language);
QString standardOutput(Language language);

// --- bad usage (exit status 2) -----------------------------------------------------------------
QString unknownOption(Language language, const QString& option);
QString missingValue(Language language, const QString& option);
QString repeatedOption(Language language, const QString& option);
// modes: the options that choose what a run does ("-f", "-c", ...).
QString noMode(Language language, const QStringList& modes);
QString twoModes(Language language, const QStringList& modes);
QString unexpectedOperand(Language language, const QString& operand);
QString wrongFileCount(Language language);
QString noBatchInput(Language language);
// option: what takes the inputs ("--batch", "-i").
QString standardInputRefused(Language language, const QString& option);
QString noGuessInput(Language language);
QString takesNoValue(Language language, const QString& option);
QString ambiguousOption(Language language, const QString& option, const QString& candidates);
// allowed: the values or the range the option takes ("keep, lf, crlf", "1..1024").
QString badValue(Language language, const QString& option, const QString& value, const QString& allowed);
// others: the options it needs, comma-separated ("-c, -f").
QString goesWith(Language language, const QString& option, const QString& others);
QString notTogether(Language language, const QString& option, const QString& other);
QString needsOneOf(Language language, const QString& option, const QStringList& others);
QString noTreeInput(Language language);
QString unknownConverter(Language language, const QString& name);
QString ambiguousConverter(Language language, const QString& name, const QString& keys);
// option: the option whose file name is empty, or empty for a file operand.
QString emptyFileName(Language language, const QString& option);

// --- a faulty configuration (exit status 2); file, [section] and key name where the fault lies ----
// Every name, key and value comes escaped (lang::escaped) by the caller.
QString missingConfig(Language language, const QString& file);
QString configTestFailed(Language language, const QString& file, const QString& error);
QString configUnreadable(Language language, const QString& file, const QString& error);
QString configIsFolder(Language language, const QString& file);
QString configNotRegular(Language language, const QString& file);
QString configHidden(Language language, const QString& file);
QString configTooLarge(Language language, const QString& file, qint64 limit);
QString missingEntry(Language language, const QString& file, const QString& section, const QString& key);
QString badCount(Language language, const QString& file, const QString& section, const QString& key,
                 const QString& value);
QString countOutOfRange(Language language, const QString& file, const QString& section, const QString& key,
                        const QString& value);
QString programEntryFailed(Language language, const QString& file, const QString& section, const QString& key,
                           const QString& value, const QString& error);
// lastKey: the last of the keys looked for, Μn.
QString noConverter(Language language, const QString& file, const QString& section, const QString& lastKey);
QString noCodeEntries(Language language, const QString& file, const QString& section);
// highest: 255, or the highest code point in a UTF-8 section.
QString faultyCode(Language language, const QString& file, const QString& section, const QString& key,
                   const QString& value, int highest);
// The encoding key's value names no output this program writes.
QString faultyEncoding(Language language, const QString& file, const QString& section, const QString& key,
                       const QString& value);

// --- the run -----------------------------------------------------------------------------------
// A conversion failure (exit status 1): the file and the system's reason.
QString fileFailure(const QString& file, const QString& error);
// Input and output that are the same file (exit status 1, in a batch too).
QString sameFile(Language language, const QString& input, const QString& output);
// A batch input whose output would replace another input of the same batch.
QString outputIsAnotherInput(Language language, const QString& input, const QString& output);
// A batch input whose output is also the output of another input (a link between them).
QString sharedOutput(Language language, const QString& input, const QString& output, const QString& other);
// A batch input given again, under this name or another: a notice, converted once.
QString repeatedInput(Language language, const QString& input, const QString& first);
QString changedCount(Language language, const QString& input, const QString& output, std::int64_t changed);
// A warning after a replaced output that has other names (hard links): they keep the old text.
QString otherNamesKeepOldText(Language language, const QString& output, std::int64_t count);
QString batchFailures(Language language, std::int64_t failed, std::int64_t count);

// --guess: "notes.txt: CP737, 97% sure; runner-up CP869, 3%; converters: Μ1, Μ7", or where the two read
// the file alike "notes.txt: CP1253, 50% sure; runner-up ISO-8859-7, 50%, which reads it the same; ...".
struct GuessedEncoding
{
    QString name;
    double confidence = 0;             // 0..1
    bool readsAlike = false;           // a runner-up that decodes the file as the best does
    QString language = {};             // in English ("Greek"), empty when none was judged: "CP737 (Greek)"
    QString doubleEncodedThrough = {}; // "UTF-8, double-encoded through CP1253"
};
QString guessed(Language language, const QString& file, const GuessedEncoding& best,
                const std::optional<GuessedEncoding>& runnerUp, const QStringList& converterKeys);
// Exit status 3.
QString notText(Language language, const QString& file);
// The line of a file that could not be read; the reason goes to standard error.
QString notRead(Language language, const QString& file);
// A confidence as the lines show it: rounded down, so that a guess not quite certain never shows as 100.
int percent(double confidence);

// The codepage form (-f/-t).
// A codepage name that -f, -t or --names-from cannot take (exit status 2):
// "-f 'CP999': Unknown codepage (trelvick-convert --list-codepages lists the names)".
QString codepageRefused(Language language, const QString& option, const QString& name, const QString& reason,
                        bool listHint);
// "a.txt -> b.txt: 3 characters have no equivalent in CP737 and became '?'".
QString lostCount(Language language, const QString& files, std::int64_t lost, const QString& target);
// "a.txt -> b.txt: 2 bytes are no character of ISO-8859-7 and became U+FFFD".
QString invalidCount(Language language, const QString& files, std::int64_t invalid, const QString& source, bool toUtf8);
QString autoNeedsFiles(Language language);
QString autoOneOutput(Language language);
// "a.txt: left as it is: CP1253 or ISO-8859-7, only 55% sure (--min-confidence 90)".
QString autoInDoubt(Language language, const QString& file, const QString& best, const QString& runnerUp, int percent,
                    int least);
QString notSingleByteGuess(Language language, const QString& file, const QString& name);

// --- whole folders (-r, --files-from): reasons in messages and in the report's last field --------
QString outputDirInsideInput(Language language, const QString& folder);
QString notTextReason(Language language);
QString symbolicLinkReason(Language language);
QString specialFileReason(Language language);
// A file met again under another name (a hard link) or given twice: done once, as first.
QString sameFileAs(Language language, const QString& first);
// The candidates read the file differently and none is sure enough: "CP737 60%, CP869 40%".
QString codepageInDoubt(Language language, const QString& candidates);
QString backupReason(Language language);
QString nameTaken(Language language, const QString& name);
QString backupFailed(Language language, const QString& backup, const QString& reason);
QString renameFailed(Language language, const QString& name, const QString& reason);
// A file left as it was because converting it would lose or replace characters (no --lossy).
QString wouldLose(Language language, std::int64_t count);
// A later input whose output lands where an earlier one's did, in the same run.
QString wouldOverwrite(Language language, const QString& first);
QString noConversionReason(Language language, const QString& codepage, const QString& reason);
// A name left as it was although names are converted.
QString nameInDoubt(Language language, const QString& candidates);
QString nameInvalid(Language language);
QString userSkipped(Language language);
// --undo
QString notAReport(Language language, const QString& file, const QString& line);
QString restored(Language language, const QString& file, bool wouldBe);
QString renamedBack(Language language, const QString& from, const QString& to, bool wouldBe);
QString changedSinceRun(Language language);
QString noBackupToRestore(Language language);
QString undoSummary(Language language, std::int64_t restored, std::int64_t renamed, std::int64_t left,
                    std::int64_t failed);
// UTF-8 once read as codepage and saved again: repaired, or noted (--fix-mojibake repairs it).
QString doubleEncoded(Language language, const QString& codepage, bool repaired);
QString nameTooLong(Language language, const QString& name);
// A list of names (--files-from) past what the program takes.
QString listTooLarge(Language language, const QString& list, std::int64_t bytes, qsizetype names);
// "20000 files: 19000 converted, 500 copied, 400 unchanged, 50 skipped, 50 failed"
struct TreeCounts
{
    std::int64_t files = 0, converted = 0, copied = 0, unchanged = 0, skipped = 0, failed = 0;
};
// folders: the folders with a row of their own in the report, told after the files when there are any;
// dryRun: "would be" counts.
QString treeSummary(Language language, const TreeCounts& files, const TreeCounts& folders, bool dryRun);
QString interruptedAfter(Language language, std::int64_t done, std::int64_t total);

// The system refused the program what it needs to go on, memory or a thread (exit status 2): the
// system's reason, "stopped: Resource temporarily unavailable".
QString stopped(Language language, const QString& reason);

} // namespace trelvick::lang::cli
