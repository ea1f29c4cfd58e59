// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lang/escape.h"
#include "lang/texts.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// The texts of the command-line converter, through gettext (lang/catalog.h): the English text is the
// catalogue's key, po/ holds the other languages. Each is one line without the program's name in
// front and without a line end; the caller adds both. Every name, option, key and value is an
// Escaped, made by lang::escaped. The reasons that the report of whole folders words as well (src/rescue)
// take the language: English for the report, which is never translated, messageLanguage() for messages.
namespace trelvick::lang::cli {

inline constexpr char16_t kProgramName[] = u"trelvick-convert";

// The one way a message reaches standard error: "trelvick-convert: TEXT" and a line end.
QString messageLine(const QString& text);

// --help: the usage and what the program does; the lists of codepages and languages a guess names;
// the counts and the exit statuses. The options' rows in between come from the option table.
QString helpStart();
QString guessLists();
QString helpEnd();
QString version();
QString tryHelp();

// How "-" is named in messages.
Escaped standardInput();
Escaped standardOutput();

// "a.txt, b.txt" and "a.txt -> b.txt", as the counts name what was converted.
Escaped listOf(const QList<Escaped>& names);
Escaped fromTo(const Escaped& input, const Escaped& output);

// --- bad usage (exit status 2) -----------------------------------------------------------------
QString unknownOption(const Escaped& option);
QString missingValue(const Escaped& option);
QString repeatedOption(const Escaped& option);
// modes: the options that choose what a run does ("-f", "-c", ...).
QString noMode(const QStringList& modes);
QString twoModes(const QStringList& modes);
QString unexpectedOperand(const Escaped& operand);
QString wrongFileCount();
QString noBatchInput();
// option: what takes the inputs ("--batch", "-i").
QString standardInputRefused(const Escaped& option);
QString noGuessInput();
QString takesNoValue(const Escaped& option);
QString ambiguousOption(const Escaped& option, const QString& candidates);
// allowed: the values or the range the option takes ("keep, lf, crlf", "1..1024").
QString badValue(const Escaped& option, const Escaped& value, const QString& allowed);
// others: the options it needs, comma-separated ("-c, -f").
QString goesWith(const Escaped& option, const QString& others);
QString notTogether(const Escaped& option, const Escaped& other);
QString needsOneOf(const Escaped& option, const QStringList& others);
QString noTreeInput();
QString unknownConverter(const Escaped& name);
QString ambiguousConverter(const Escaped& name, const Escaped& keys);
// option: the option whose file name is empty, or empty for a file operand.
QString emptyFileName(const Escaped& option);

// --- a faulty configuration (exit status 2); file, [section] and key name where the fault lies ----
// Every name, key and value comes escaped (lang::escaped) by the caller.
QString missingConfig(const Escaped& file);
QString configTestFailed(const Escaped& file, const QString& error);
QString configUnreadable(const Escaped& file, const QString& error);
QString configIsFolder(const Escaped& file);
QString configNotRegular(const Escaped& file);
QString configHidden(const Escaped& file);
QString configTooLarge(const Escaped& file, qint64 limit);
QString missingEntry(const Escaped& file, const Escaped& section, const Escaped& key);
QString badCount(const Escaped& file, const Escaped& section, const Escaped& key, const Escaped& value);
QString countOutOfRange(const Escaped& file, const Escaped& section, const Escaped& key, const Escaped& value);
QString programEntryFailed(const Escaped& file, const Escaped& section, const Escaped& key, const Escaped& value,
                           const QString& error);
// lastKey: the last of the keys looked for, Μn.
QString noConverter(const Escaped& file, const Escaped& section, const Escaped& lastKey);
QString noCodeEntries(const Escaped& file, const Escaped& section);
// highest: 255, or the highest code point in a UTF-8 section.
QString faultyCode(const Escaped& file, const Escaped& section, const Escaped& key, const Escaped& value, int highest);
// The encoding key's value names no output this program writes.
QString faultyEncoding(const Escaped& file, const Escaped& section, const Escaped& key, const Escaped& value);

// --- the run -----------------------------------------------------------------------------------
// A conversion failure (exit status 1): the file and the system's reason.
QString fileFailure(const Escaped& file, const QString& error);
// Input and output that are the same file (exit status 1, in a batch too).
QString sameFile(Language language, const Escaped& input, const Escaped& output);
// A batch input whose output would replace another input of the same batch.
QString outputIsAnotherInput(const Escaped& input, const Escaped& output);
// A batch input whose output is also the output of another input (a link between them).
QString sharedOutput(const Escaped& input, const Escaped& output, const Escaped& other);
// A batch input given again, under this name or another: a notice, converted once.
QString repeatedInput(const Escaped& input, const Escaped& first);
QString changedCount(const Escaped& input, const Escaped& output, std::int64_t changed);
// A warning after a replaced output that has other names (hard links): they keep the old text.
QString otherNamesKeepOldText(Language language, const Escaped& output, std::int64_t count);
QString batchFailures(std::int64_t failed, std::int64_t count);

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
QString guessed(const Escaped& file, const GuessedEncoding& best, const std::optional<GuessedEncoding>& runnerUp,
                const QStringList& converterKeys);
// Exit status 3.
QString notText(const Escaped& file);
// The line of a file that could not be read; the reason goes to standard error.
QString notRead(const Escaped& file);
// A confidence as the lines show it: rounded down, so that a guess not quite certain never shows as 100.
int percent(double confidence);

// The codepage form (-f/-t).
// A codepage name that -f, -t or --names-from cannot take (exit status 2):
// "-f 'CP999': Unknown codepage (trelvick-convert --list-codepages lists the names)".
QString codepageRefused(const Escaped& option, const Escaped& name, const QString& reason, bool listHint);
// "a.txt -> b.txt: 3 characters have no equivalent in CP737 and became '?'".
QString lostCount(const Escaped& files, std::int64_t lost, const QString& target);
// "a.txt -> b.txt: 2 bytes are no character of ISO-8859-7 and became U+FFFD".
QString invalidCount(const Escaped& files, std::int64_t invalid, const QString& source, bool toUtf8);
QString autoNeedsFiles();
QString autoOneOutput();
// "a.txt: left as it is: CP1253 or ISO-8859-7, only 55% sure (--min-confidence 90)".
QString autoInDoubt(const Escaped& file, const QString& best, const QString& runnerUp, int percent, int least);
QString notSingleByteGuess(const Escaped& file, const QString& name);

// --- whole folders (-r, --files-from): reasons in messages and in the report's last field --------
QString outputDirInsideInput(const Escaped& folder);
QString notTextReason(Language language);
QString symbolicLinkReason(Language language);
QString specialFileReason(Language language);
// A file met again under another name (a hard link) or given twice: done once, as first.
QString sameFileAs(Language language, const Escaped& first);
// The candidates read the file differently and none is sure enough: "CP737 60%, CP869 40%".
QString codepageInDoubt(Language language, const QString& candidates);
QString backupReason(Language language);
QString nameTaken(Language language, const Escaped& name);
QString backupFailed(Language language, const Escaped& backup, const QString& reason);
QString renameFailed(Language language, const Escaped& name, const QString& reason);
// A file left as it was because converting it would lose or replace characters (no --lossy).
QString wouldLose(Language language, std::int64_t count);
// A later input whose output lands where an earlier one's did, in the same run.
QString wouldOverwrite(Language language, const Escaped& first);
QString noConversionReason(Language language, const QString& codepage, const QString& reason);
// A name left as it was although names are converted.
QString nameInDoubt(Language language, const QString& candidates);
QString nameInvalid(Language language);
QString userSkipped(Language language);
// --undo
QString notAReport(const Escaped& file, const QString& line);
QString restored(const Escaped& file, bool wouldBe);
QString renamedBack(const Escaped& from, const Escaped& to, bool wouldBe);
QString changedSinceRun();
QString noBackupToRestore();
QString undoSummary(std::int64_t restored, std::int64_t renamed, std::int64_t left, std::int64_t failed);
// UTF-8 once read as codepage and saved again: repaired, or noted (--fix-mojibake repairs it).
QString doubleEncoded(Language language, const QString& codepage, bool repaired);
QString nameTooLong(Language language, const Escaped& name);
// A list of names (--files-from) past what the program takes.
QString listTooLarge(const Escaped& list, std::int64_t bytes, qsizetype names);
// "20000 files: 19000 converted, 500 copied, 400 unchanged, 50 skipped, 50 failed"
struct TreeCounts
{
    std::int64_t files = 0, converted = 0, copied = 0, unchanged = 0, skipped = 0, failed = 0;
};
// folders: the folders with a row of their own in the report, told after the files when there are any;
// dryRun: "would be" counts.
QString treeSummary(const TreeCounts& files, const TreeCounts& folders, bool dryRun);
QString interruptedAfter(std::int64_t done, std::int64_t total);

// The system refused the program what it needs to go on, memory or a thread (exit status 2): the
// system's reason, "stopped: Resource temporarily unavailable".
QString stopped(const QString& reason);

} // namespace trelvick::lang::cli
