// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/clitexts.h"

#include "base/version.h"
#include "lang/catalog.h"

namespace trelvick::lang::cli {

using namespace Qt::StringLiterals;

namespace {

// The placeholders %1.. filled in one pass, so that a name holding "%2" stays as it is.
template <typename... Args> QString fill(const QString& format, const Args&... args)
{
    return format.arg(static_cast<const QString&>(args)...);
}

// The texts that the report of whole folders words as well: fixed English there, translated in messages.
QString inLanguage(Language language, const char* msgid)
{
    return language == Language::English ? QString::fromUtf8(msgid) : tr(msgid);
}

QString inLanguage(Language language, const char* singular, const char* plural, std::int64_t count)
{
    return language == Language::English ? QString::fromUtf8(count == 1 ? singular : plural)
                                         : trn(singular, plural, count);
}

// "tq.ini: [Μ2] 66: " — where a configuration fault lies.
QString place(const Escaped& file, const Escaped& section, const Escaped& key = {})
{
    QString text = file.text() + u": ["_s + section.text() + u']';
    if (!key.isEmpty())
        text += u' ' + key.text();
    return text + u": "_s;
}

} // namespace

QString messageLine(const QString& text)
{
    return QString::fromUtf16(kProgramName) + u": "_s + text + u'\n';
}

Escaped listOf(const QList<Escaped>& names)
{
    QStringList texts;
    for (const Escaped& name : names)
        texts << name.text();
    return ownText(texts.join(u", "_s));
}

Escaped fromTo(const Escaped& input, const Escaped& output)
{
    return input + ownText(u" -> "_s) + output;
}

QString helpStart()
{
    return tr(R"(Usage:
  trelvick-convert [OPTION]... -f FROM [-t TO] [-o OUTPUT] [INPUT]...
  trelvick-convert [OPTION]... -c CONVERTER [INPUT [OUTPUT]]
  trelvick-convert [OPTION]... (-f FROM | -c CONVERTER) --batch INPUT...
  trelvick-convert [OPTION]... (-f FROM | -c CONVERTER) [-r] [--files-from=LIST] (--output-dir=DIR | -i) [INPUT]...
  trelvick-convert [OPTION]... --undo=REPORT
  trelvick-convert [OPTION]... -l | --list-codepages | --show=CONVERTER | --guess[=FORMAT] FILE...

Converts the codepage of 8-bit text files, between codepages named as iconv names them (-f, -t) or
through the converters of tq.ini (-c), which give the same bytes as the Trelvick window, file by
file or over whole folders. INPUT "-", or none, is standard input; OUTPUT "-", or none, is
standard output.
)");
}

QString guessLists()
{
    return tr(R"(  Codepages: CP437, CP737, CP775, CP850, CP852, CP855, CP857, CP860, CP861, CP862, CP863,
    CP865, CP866, CP869, CP1125, CP1250, CP1251, CP1252, CP1253, CP1254, CP1255, CP1256,
    CP1257, ISO-8859-1, ISO-8859-2, ISO-8859-3, ISO-8859-4, ISO-8859-5, ISO-8859-6,
    ISO-8859-7, ISO-8859-8, ISO-8859-9, ISO-8859-10, ISO-8859-13, ISO-8859-14, ISO-8859-15,
    ISO-8859-16, KOI8-R, KOI8-U, MACINTOSH, MAC-CENTRALEUROPE, MAC-CYRILLIC, ASCII, UTF-8,
    and after a byte-order mark UTF-16LE, UTF-16BE, UTF-32LE, UTF-32BE
  Languages: English, Greek, German, French, Spanish, Italian, Portuguese, Dutch, Swedish,
    Danish, Norwegian, Finnish, Polish, Czech, Slovak, Hungarian, Romanian, Croatian,
    Slovenian, Serbian, Russian, Ukrainian, Bulgarian, Turkish, Lithuanian, Latvian, Estonian,
    Hebrew, Arabic
)");
}

QString helpEnd()
{
    return tr(R"(Counts of changed and lost characters go to standard error.

Exit status: 0 done, 1 a conversion failed (or input and output are the same file, or a character
was lost, with --strict, or over folders a file was left for doubt or its new name was taken),
2 bad usage or a faulty tq.ini; with --guess, 1 a file could not be read, 3 a file is not text in
a known codepage.
)");
}

QString version()
{
    return u"trelvick-convert "_s + QString::fromLatin1(base::kDisplayVersion);
}

QString tryHelp()
{
    return tr("Try 'trelvick-convert --help'.");
}

Escaped standardInput()
{
    return ownText(tr("(standard input)"));
}

Escaped standardOutput()
{
    return ownText(tr("(standard output)"));
}

QString unknownOption(const Escaped& option)
{
    return fill(tr("unknown option '%1'"), option);
}

QString missingValue(const Escaped& option)
{
    return fill(tr("option '%1' needs a value"), option);
}

QString repeatedOption(const Escaped& option)
{
    return fill(tr("option '%1' is given twice"), option);
}

namespace {

// "A, B and C".
QString listed(const QStringList& items)
{
    const QString last = items.isEmpty() ? QString() : items.back();
    if (items.size() < 2)
        return last;
    return fill(tr("%1 and %2"), items.first(items.size() - 1).join(u", "_s), last);
}

} // namespace

QString noMode(const QStringList& modes)
{
    return fill(tr("one of %1 is needed"), listed(modes));
}

QString twoModes(const QStringList& modes)
{
    return fill(tr("only one of %1"), listed(modes));
}

QString unexpectedOperand(const Escaped& operand)
{
    return fill(tr("unexpected operand '%1'"), operand);
}

QString wrongFileCount()
{
    return tr("-c takes at most one input file and one output file (or -o)");
}

QString noBatchInput()
{
    return tr("--batch needs at least one input file");
}

QString standardInputRefused(const Escaped& option)
{
    return fill(tr("%1 takes no '-': each input file needs a name"), option);
}

QString noGuessInput()
{
    return tr("--guess needs at least one file");
}

QString takesNoValue(const Escaped& option)
{
    return fill(tr("option '%1' takes no value"), option);
}

QString ambiguousOption(const Escaped& option, const QString& candidates)
{
    return fill(tr("option '%1' is ambiguous: %2"), option, candidates);
}

QString badValue(const Escaped& option, const Escaped& value, const QString& allowed)
{
    return fill(tr("'%1' is not a value of '%2': %3"), value, option, allowed);
}

QString goesWith(const Escaped& option, const QString& others)
{
    return fill(tr("%1 goes with %2 only"), option, others);
}

QString notTogether(const Escaped& option, const Escaped& other)
{
    return fill(tr("%1 and %2 cannot be used together"), option, other);
}

QString needsOneOf(const Escaped& option, const QStringList& others)
{
    return fill(tr("%1 needs %2"), option, others.join(tr(" or ")));
}

QString noTreeInput()
{
    return tr("no files or folders given, and no --files-from");
}

QString unknownConverter(const Escaped& name)
{
    return fill(tr("no converter '%1' (see --list)"), name);
}

QString ambiguousConverter(const Escaped& name, const Escaped& keys)
{
    return fill(tr("converters %1 share the description '%2': give the key"), keys, name);
}

QString sameFile(Language language, const Escaped& input, const Escaped& output)
{
    return fill(inLanguage(language, "input '%1' and output '%2' are the same file"), input, output);
}

QString outputIsAnotherInput(const Escaped& input, const Escaped& output)
{
    return fill(tr("input '%1' not converted: its output '%2' is an input too"), input, output);
}

QString sharedOutput(const Escaped& input, const Escaped& output, const Escaped& other)
{
    return fill(tr("input '%1' not converted: its output '%2' is also the output of '%3'"), input, output, other);
}

QString repeatedInput(const Escaped& input, const Escaped& first)
{
    return fill(tr("input '%1' is the same file as '%2': converted once"), input, first);
}

QString emptyFileName(const Escaped& option)
{
    if (option.isEmpty())
        return tr("a file name is empty");
    return fill(tr("the file name of '%1' is empty"), option);
}

QString missingConfig(const Escaped& file)
{
    return fill(tr("%1: no such configuration file"), file);
}

QString configTestFailed(const Escaped& file, const QString& error)
{
    return fill(tr("%1: the configuration file cannot be checked: %2"), file, error);
}

QString configUnreadable(const Escaped& file, const QString& error)
{
    return fill(tr("%1: the configuration file cannot be read: %2"), file, error);
}

QString configIsFolder(const Escaped& file)
{
    return fill(tr("%1: is a folder, not a configuration file"), file);
}

QString configNotRegular(const Escaped& file)
{
    return fill(tr("%1: not a regular file (a FIFO, a device or a socket), so not read as the configuration file"),
                file);
}

QString configHidden(const Escaped& file)
{
    return fill(tr("%1: a hidden file (its name begins with '.'), so not read as the configuration file"), file);
}

QString configTooLarge(const Escaped& file, qint64 limit)
{
    return fill(tr("%1: the configuration file is larger than %2 MiB"), file, number(limit / (1024 * 1024)));
}

QString missingEntry(const Escaped& file, const Escaped& section, const Escaped& key)
{
    return place(file, section, key) + tr("the entry is missing");
}

QString badCount(const Escaped& file, const Escaped& section, const Escaped& key, const Escaped& value)
{
    return place(file, section, key) + fill(tr("value '%1' is not a count of 1 or more"), value);
}

QString countOutOfRange(const Escaped& file, const Escaped& section, const Escaped& key, const Escaped& value)
{
    return place(file, section, key) + fill(tr("value '%1' lies outside -32768..32767"), value);
}

QString programEntryFailed(const Escaped& file, const Escaped& section, const Escaped& key, const Escaped& value,
                           const QString& error)
{
    return place(file, section, key) + fill(tr("path '%1' cannot be checked: %2"), value, error);
}

QString noConverter(const Escaped& file, const Escaped& section, const Escaped& lastKey)
{
    return place(file, section) + fill(tr("no description for the keys Μ1..%1"), lastKey);
}

QString noCodeEntries(const Escaped& file, const Escaped& section)
{
    return place(file, section) + tr("the section is missing or holds none of the keys 0..255");
}

QString faultyCode(const Escaped& file, const Escaped& section, const Escaped& key, const Escaped& value, int highest)
{
    return place(file, section, key) + fill(tr("value '%1' is not a code 0..%2"), value, QString::number(highest));
}

QString faultyEncoding(const Escaped& file, const Escaped& section, const Escaped& key, const Escaped& value)
{
    return place(file, section, key) + fill(tr("value '%1' is not UTF-8"), value);
}

QString fileFailure(const Escaped& file, const QString& error)
{
    return file.text() + u": "_s + error;
}

QString changedCount(const Escaped& input, const Escaped& output, std::int64_t changed)
{
    return fill(trn("%1 -> %2: %3 character changed", "%1 -> %2: %3 characters changed", changed), input, output,
                number(changed));
}

QString otherNamesKeepOldText(Language language, const Escaped& output, std::int64_t count)
{
    // Two sentences rather than plural forms: the singular names no count.
    if (count == 1)
        return fill(inLanguage(language, "'%1': its other name (a hard link) keeps the old text"), output);
    return fill(inLanguage(language, "'%1': its %2 other names (hard links) keep the old text"), output,
                QString::number(count));
}

QString batchFailures(std::int64_t failed, std::int64_t count)
{
    return fill(tr("%1/%2 files failed"), number(failed), number(count));
}

int percent(double confidence)
{
    return static_cast<int>(confidence * 100);
}

namespace {

// The guess's language names, by their English names; the names stay in the catalogue's list.
[[maybe_unused]] constexpr const char* kLanguageNames[] = {
    N_("English"),    N_("Greek"),   N_("German"),   N_("French"),    N_("Spanish"),   N_("Italian"),
    N_("Portuguese"), N_("Dutch"),   N_("Swedish"),  N_("Danish"),    N_("Norwegian"), N_("Finnish"),
    N_("Polish"),     N_("Czech"),   N_("Slovak"),   N_("Hungarian"), N_("Romanian"),  N_("Croatian"),
    N_("Slovenian"),  N_("Serbian"), N_("Russian"),  N_("Ukrainian"), N_("Bulgarian"), N_("Turkish"),
    N_("Lithuanian"), N_("Latvian"), N_("Estonian"), N_("Hebrew"),    N_("Arabic")};

// "CP737 (Greek)", "UTF-8, double-encoded through CP1253".
QString guessedName(const GuessedEncoding& encoding)
{
    QString text = encoding.name;
    if (!encoding.language.isEmpty())
        text = fill(tr("%1 (%2)"), text, tr(encoding.language.toUtf8().constData()));
    if (!encoding.doubleEncodedThrough.isEmpty())
        text = fill(tr("%1, double-encoded through %2"), text, encoding.doubleEncodedThrough);
    return text;
}

} // namespace

QString guessed(const Escaped& file, const GuessedEncoding& best, const std::optional<GuessedEncoding>& runnerUp,
                const QStringList& converterKeys)
{
    const auto shown = [](double confidence) { return QString::number(percent(confidence)); };
    QString text = fill(tr("%1: %2, %3% sure"), file, guessedName(best), shown(best.confidence));
    if (runnerUp)
        text +=
            fill(runnerUp->readsAlike ? tr("; runner-up %1, %2%, which reads it the same") : tr("; runner-up %1, %2%"),
                 guessedName(*runnerUp), shown(runnerUp->confidence));
    return text + (converterKeys.isEmpty() ? fill(tr("; no converter starts from %1"), best.name)
                                           : fill(tr("; converters: %1"), converterKeys.join(u", "_s)));
}

QString notText(const Escaped& file)
{
    return fill(tr("%1: not text in a known codepage"), file);
}

QString notRead(const Escaped& file)
{
    return fill(tr("%1: could not be read"), file);
}

// The codepage form (-f/-t).

QString codepageRefused(const Escaped& option, const Escaped& name, const QString& reason, bool listHint)
{
    return fill(listHint ? tr("%1 '%2': %3 (trelvick-convert --list-codepages lists the names)") : tr("%1 '%2': %3"),
                option, name, reason);
}

QString lostCount(const Escaped& files, std::int64_t lost, const QString& target)
{
    return fill(trn("%1: %2 character has no equivalent in %3 and became '?'",
                    "%1: %2 characters have no equivalent in %3 and became '?'", lost),
                files, number(lost), target);
}

QString invalidCount(const Escaped& files, std::int64_t invalid, const QString& source, bool toUtf8)
{
    const QString text = toUtf8 ? trn("%1: %2 byte is no character of %3 and became U+FFFD",
                                      "%1: %2 bytes are no character of %3 and became U+FFFD", invalid)
                                : trn("%1: %2 byte is no character of %3 and became '?'",
                                      "%1: %2 bytes are no character of %3 and became '?'", invalid);
    return fill(text, files, number(invalid), source);
}

QString autoNeedsFiles()
{
    return tr("-f auto guesses named files, not standard input");
}

QString autoOneOutput()
{
    return tr("with -f auto, several files go only to standard output or to --output-dir");
}

QString autoInDoubt(const Escaped& file, const QString& best, const QString& runnerUp, int percent, int least)
{
    const QString names = runnerUp.isEmpty() ? best : fill(tr("%1 or %2"), best, runnerUp);
    return fill(tr("%1: left as it is: %2, only %3% sure (--min-confidence %4)"), file, names, QString::number(percent),
                QString::number(least));
}

QString notSingleByteGuess(const Escaped& file, const QString& name)
{
    return fill(tr("%1: is %2, which -f auto does not convert"), file, name);
}

// --- whole folders ---------------------------------------------------------------------------------

QString outputDirInsideInput(const Escaped& folder)
{
    return fill(tr("output folder '%1' lies inside an input folder"), folder);
}

QString notTextReason(Language language)
{
    return inLanguage(language, "not text");
}

QString symbolicLinkReason(Language language)
{
    return inLanguage(language, "symbolic link: not followed");
}

QString specialFileReason(Language language)
{
    return inLanguage(language, "device, FIFO or socket: not opened");
}

QString sameFileAs(Language language, const Escaped& first)
{
    return fill(inLanguage(language, "same file as '%1'"), first);
}

QString codepageInDoubt(Language language, const QString& candidates)
{
    return fill(inLanguage(language, "codepage in doubt: %1"), candidates);
}

QString backupReason(Language language)
{
    return inLanguage(language, "a backup");
}

QString nameTaken(Language language, const Escaped& name)
{
    return fill(inLanguage(language, "name '%1' is taken"), name);
}

QString backupFailed(Language language, const Escaped& backup, const QString& reason)
{
    return fill(inLanguage(language, "backup '%1': %2"), backup, reason);
}

QString renameFailed(Language language, const Escaped& name, const QString& reason)
{
    return fill(inLanguage(language, "rename to '%1': %2"), name, reason);
}

QString wouldLose(Language language, std::int64_t count)
{
    return fill(inLanguage(language, "%1 byte would be lost", "%1 bytes would be lost", count), QString::number(count));
}

QString wouldOverwrite(Language language, const Escaped& first)
{
    return fill(inLanguage(language, "would overwrite a result of this run (from '%1')"), first);
}

QString noConversionReason(Language language, const QString& codepage, const QString& reason)
{
    return fill(inLanguage(language, "no conversion from %1: %2"), codepage, reason);
}

QString nameInDoubt(Language language, const QString& candidates)
{
    return fill(inLanguage(language, "name in doubt: %1"), candidates);
}

QString doubleEncoded(Language language, const QString& codepage, bool repaired)
{
    return fill(repaired ? inLanguage(language, "UTF-8 double-encoded through %1: repaired")
                         : inLanguage(language, "UTF-8 double-encoded through %1 (--fix-mojibake repairs it)"),
                codepage);
}

QString notAReport(const Escaped& file, const QString& line)
{
    return fill(tr("%1: line %2 is no line of a --report=tsv report"), file, line);
}

QString restored(const Escaped& file, bool wouldBe)
{
    return fill(wouldBe ? tr("%1: would be restored from its backup") : tr("%1: restored from its backup"), file);
}

QString renamedBack(const Escaped& from, const Escaped& to, bool wouldBe)
{
    return fill(wouldBe ? tr("%1: would be renamed back to '%2'") : tr("%1: renamed back to '%2'"), from, to);
}

QString changedSinceRun()
{
    return tr("changed since the run: left as it is");
}

QString noBackupToRestore()
{
    return tr("converted without a backup (--backup): left as it is");
}

QString undoSummary(std::int64_t restored, std::int64_t renamed, std::int64_t left, std::int64_t failed)
{
    return fill(tr("undo: %1 restored, %2 renamed back, %3 left, %4 failed"), number(restored), number(renamed),
                number(left), number(failed));
}

QString userSkipped(Language language)
{
    return inLanguage(language, "left as chosen");
}

QString nameInvalid(Language language)
{
    return inLanguage(language, "name does not read as a file name");
}

QString nameTooLong(Language language, const Escaped& name)
{
    return fill(inLanguage(language, "new name '%1' is too long"), name);
}

QString listTooLarge(const Escaped& list, std::int64_t bytes, qsizetype names)
{
    return fill(tr("%1: the list holds more than %2 bytes or %3 names"), list, number(bytes), number(names));
}

namespace {

QString countsText(const TreeCounts& c, bool folders)
{
    const QString format =
        folders ? trn("%1 folder: %2 converted, %3 copied, %4 unchanged, %5 skipped, %6 failed",
                      "%1 folders: %2 converted, %3 copied, %4 unchanged, %5 skipped, %6 failed", c.files)
                : trn("%1 file: %2 converted, %3 copied, %4 unchanged, %5 skipped, %6 failed",
                      "%1 files: %2 converted, %3 copied, %4 unchanged, %5 skipped, %6 failed", c.files);
    return fill(format, number(c.files), number(c.converted), number(c.copied), number(c.unchanged), number(c.skipped),
                number(c.failed));
}

} // namespace

QString treeSummary(const TreeCounts& files, const TreeCounts& folders, bool dryRun)
{
    const QString dry = dryRun ? tr("(dry run, nothing changed) ") : QString();
    return dry + countsText(files, false) + (folders.files > 0 ? u"; "_s + countsText(folders, true) : QString());
}

QString interruptedAfter(std::int64_t done, std::int64_t total)
{
    return fill(tr("interrupted after %1/%2 files: the others are as they were"), number(done), number(total));
}

QString stopped(const QString& reason)
{
    return fill(tr("stopped: %1"), reason);
}

} // namespace trelvick::lang::cli
