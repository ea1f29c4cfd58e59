// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/optiontable.h"

#include "lang/catalog.h"
#include "lang/clitexts.h"

namespace trelvick::cli {

using namespace Qt::StringLiterals;
using Arg = OptionEntry::Arg;
using Group = OptionEntry::Group;
using Mode = Options::Mode;
using Value = OptionValue;

namespace {

// The options that make a job over many files of one that converts.
constexpr char kTree[] = "-r, -i, --output-dir, --files-from";

// A row an option, its rules on its first lines, laid out by hand. The help texts are whole sentences
// without line breaks: --help wraps them.
// clang-format off
constexpr OptionEntry kOptions[] = {
    {.name = "from-code", .letter = 'f', .arg = Arg::Required, .mode = Mode::Transcode, .group = Group::Codepages,
     .valueName = N_("NAME"),
     .help = N_("the input's codepage: any single-byte codepage iconv knows, under any of its names (CP737, 737, "
              "IBM737, ISO-8859-7, WINDOWS-1253, KOI8-R...), UTF-8, or auto to guess each file's"),
     .apply = [](Options& o, const Value& v) { o.fromCode = v.text; }},
    {.name = "to-code", .letter = 't', .arg = Arg::Required, .once = true, .with = "-f", .group = Group::Codepages,
     .valueName = N_("NAME"),
     .help = N_("the output's codepage (UTF-8 unless given)"),
     .apply = [](Options& o, const Value& v) { o.toCode = v.text; }},
    {.name = "output", .letter = 'o', .arg = Arg::Required, .once = true, .fileName = true, .with = "-c, -f",
     .notWith = "-i, --output-dir", .group = Group::Codepages, .valueName = N_("FILE"),
     .help = N_("write to FILE, replaced only once it is whole; several inputs are written one after the other"),
     .apply = [](Options& o, const Value& v) { o.output = v.text; }},
    {.name = "eol", .arg = Arg::Required, .values = "keep|lf|crlf", .once = true, .with = "-c, -f",
     .group = Group::Codepages, .valueName = N_("KIND"),
     .help = N_("line ends: keep (as they come; the default with -f), lf, or crlf (LF, CR LF and lone CR each become "
              "CR LF; with -c, its default there, the window's rule: every line ends with CR LF)"),
     .apply = [](Options& o, const Value& v) { o.lineEnds = LineEnds(v.number); }},
    {.name = "strict", .with = "-f", .group = Group::Codepages,
     .help = N_("a character the target lacks fails the file (exit status 1) instead of becoming '?'"),
     .apply = [](Options& o, const Value&) { o.strict = true; }},
    {.name = "bom", .arg = Arg::Required, .values = "keep|strip|add", .once = true, .with = "-f",
     .group = Group::Codepages,
     .help = N_("with -f, the byte-order mark of what is written in UTF-8: keep it where a file has one (the "
              "default), strip it from every file, or add it to every file, those already in UTF-8 or ASCII too"),
     .apply = [](Options& o, const Value& v) { o.bom = Bom(v.number); }},
    {.name = "list-codepages", .mode = Mode::ListCodepages, .group = Group::Codepages,
     .help = N_("print the codepage names -f and -t take")},

    {.name = "recursive", .letter = 'r', .with = "-c, -f", .needs = "--output-dir, -i", .group = Group::ManyFiles,
     .help = N_("convert the files of the folders given, and of the folders in them"),
     .apply = [](Options& o, const Value&) { o.recursive = true; }},
    {.name = "output-dir", .arg = Arg::Required, .once = true, .fileName = true, .with = "-c, -f",
     .group = Group::ManyFiles, .valueName = N_("DIR"),
     .help = N_("write each result at the same path under DIR, folders made as needed"),
     .apply = [](Options& o, const Value& v) { o.outputDir = v.text; }},
    {.name = "in-place", .letter = 'i', .with = "-c, -f", .notWith = "--output-dir", .group = Group::ManyFiles,
     .help = N_("replace each file with its result"),
     .apply = [](Options& o, const Value&) { o.inPlace = true; }},
    {.name = "backup", .arg = Arg::Optional, .once = true, .fileName = true, .with = "-i", .group = Group::ManyFiles,
     .valueName = N_("SUFFIX"),
     .help = N_("with -i, keep each original beside it as NAME~ (or NAME SUFFIX)"),
     .apply = [](Options& o, const Value& v) { o.backupSuffix = v.given ? v.text : u"~"_s; }},
    {.name = "files-from", .arg = Arg::Required, .once = true, .fileName = true, .with = "-c, -f",
     .needs = "--output-dir, -i", .group = Group::ManyFiles, .valueName = N_("LIST"),
     .help = N_("take the inputs from the file LIST (\"-\": standard input), one a line"),
     .apply = [](Options& o, const Value& v) { o.filesFrom = v.text; }},
    {.name = "null", .letter = '0', .with = "--files-from", .group = Group::ManyFiles,
     .help = N_("the names in LIST end with NUL bytes, as find -print0 writes them"),
     .apply = [](Options& o, const Value&) { o.nulSeparated = true; }},
    {.name = "batch", .once = true, .with = "-c, -f", .notWith = "-i, --output-dir, -r, --files-from, -o",
     .group = Group::ManyFiles,
     .help = N_("convert each INPUT into INPUT.out beside it; a file that fails is reported and the others are still "
              "converted"),
     .apply = [](Options& o, const Value&) { o.batch = true; }},
    {.name = "names", .with = kTree, .group = Group::ManyFiles,
     .help = N_("convert file and folder names to UTF-8 too"),
     .apply = [](Options& o, const Value&) { o.convertNames = true; }},
    {.name = "names-from", .arg = Arg::Required, .once = true, .with = "-f", .needs = "--names",
     .group = Group::ManyFiles, .valueName = N_("NAME"),
     .help = N_("the codepage of the names (guessed unless given)"),
     .apply = [](Options& o, const Value& v) { o.namesFrom = v.text; }},
    {.name = "report", .arg = Arg::Required, .values = "tsv", .once = true, .with = kTree, .group = Group::ManyFiles,
     .help = N_("print a line for each file: path, from, to, what happened (converted, copied, unchanged, skipped, "
              "failed), changed, lost, new name, reason"),
     .apply = [](Options& o, const Value&) { o.tsvReport = true; }},
    {.name = "jobs", .letter = 'j', .arg = Arg::Required, .values = "1..1024", .once = true, .with = kTree,
     .group = Group::ManyFiles, .valueName = N_("N"),
     .help = N_("convert N files at a time (one per processor unless given)"),
     .apply = [](Options& o, const Value& v) { o.jobs = v.number; }},
    {.name = "min-confidence", .arg = Arg::Required, .values = "0..100", .once = true, .with = "-f auto",
     .group = Group::ManyFiles, .valueName = N_("P"),
     .help = N_("with -f auto, leave a file whose guess is less than P % sure (90)"),
     .apply = [](Options& o, const Value& v) { o.minConfidence = v.number; }},
    {.name = "fix-mojibake", .with = "-f auto", .group = Group::ManyFiles,
     .help = N_("with -f auto, repair UTF-8 that was once read as another codepage and saved again (Î‘Î¸Î®Î½Î± for "
              "Αθήνα)"),
     .apply = [](Options& o, const Value&) { o.fixMojibake = true; }},
    {.name = "lossy", .with = kTree, .group = Group::ManyFiles,
     .help = N_("convert a file even when it loses characters the target lacks or bytes the source leaves undefined "
              "(else it is left as it is and reported)"),
     .apply = [](Options& o, const Value&) { o.lossy = true; }},
    {.name = "dry-run", .letter = 'n', .with = "-i, --output-dir, --batch, --undo", .group = Group::ManyFiles,
     .help = N_("decide and report everything as a real run would, and change nothing on the disk (with -i, "
              "--output-dir, --batch or --undo)"),
     .apply = [](Options& o, const Value&) { o.dryRun = true; }},
    {.name = "no-preserve", .arg = Arg::Required, .values = "times", .once = true, .with = "-i, --output-dir",
     .group = Group::ManyFiles,
     .help = N_("with -i or --output-dir, give each result, and each folder made, the time of the run instead of its "
              "source's modification and access times"),
     .apply = [](Options& o, const Value&) { o.preserveTimes = false; }},
    {.name = "undo", .arg = Arg::Required, .fileName = true, .mode = Mode::Undo, .group = Group::ManyFiles,
     .valueName = N_("REPORT"),
     .help = N_("put back what a run in place (-i) changed, from the report it printed with --report=tsv (\"-\": "
              "standard input)"),
     .apply = [](Options& o, const Value& v) { o.undoReport = v.text; }},

    {.name = "converter", .letter = 'c', .arg = Arg::Required, .mode = Mode::Convert, .group = Group::Converters,
     .valueName = N_("CONVERTER"),
     .help = N_("convert through a converter: its key (Μ3, M3 or 3) or its exact description"),
     .apply = [](Options& o, const Value& v) { o.converter = v.text; }},
    {.name = "list", .letter = 'l', .mode = Mode::List, .group = Group::Converters,
     .help = N_("print the converters, key and description, one a line")},
    {.name = "show", .arg = Arg::Required, .mode = Mode::Show, .group = Group::Converters,
     .valueName = N_("CONVERTER"),
     .help = N_("print a converter's table, one \"source=target\" line a code (a converter to UTF-8 shows Unicode code "
              "points as targets)"),
     .apply = [](Options& o, const Value& v) { o.converter = v.text; }},
    {.name = "config", .arg = Arg::Required, .once = true, .fileName = true, .group = Group::Converters,
     .valueName = N_("FILE"),
     .help = N_("read the converters from FILE, not from ~/.config/trelvick/tq.ini or, when that is missing, tq.ini "
              "in the program's folder"),
     .apply = [](Options& o, const Value& v) { o.configFile = v.text; }},

    {.name = "guess", .arg = Arg::Optional, .values = "name|tsv", .mode = Mode::Guess, .group = Group::Guessing,
     .valueName = N_("FORMAT"),
     .help = N_("name the codepage and the language of each FILE from its first 64 KiB, or when those are ASCII from "
              "its first bytes beyond ASCII, how sure the guess is, and the converters that start from it; one line "
              "per file on standard output, failures too; FORMAT name prints only the codepage's name per line "
              "(\"unknown\" when there is none), tsv the file, name, confidence, runner-up, its confidence, "
              "converters and language, tab-separated; neither format is ever translated"),
     .apply =
         [](Options& o, const Value& v) {
             if (v.given)
                 o.guessFormat = v.number == 0 ? GuessFormat::Name : GuessFormat::Tsv;
         }},

    {.name = "quiet", .letter = 'q',
     .help = N_("print nothing but errors"),
     .apply = [](Options& o, const Value&) { o.quiet = true; }},
    {.name = "help", .letter = 'h', .mode = Mode::Help, .help = N_("show this help")},
     {.name = "version", .letter = 'V', .mode = Mode::Version, .help = N_("show the version")},
};
// clang-format on

// The titles of --help's groups, in their order.
constexpr const char* kGroupTitles[] = {
    N_("Codepages by name:"),
    N_("Whole folders and many files (with -f or -c):"),
    N_("Converters of tq.ini:"),
    N_("Guessing:"),
    nullptr,
};

// "  -f, --from-code=NAME     the input's codepage: ...", the text wrapped under itself.
QString helpRow(const OptionEntry& entry)
{
    constexpr qsizetype kIndent = 27;
    constexpr qsizetype kWidth = 99;
    QString row = entry.letter ? u"  -"_s + QLatin1Char(entry.letter) + u", --"_s : u"      --"_s;
    row += QLatin1StringView(entry.name);
    if (entry.arg != Arg::None) {
        const QString value = entry.valueName ? lang::tr(entry.valueName) : QString::fromLatin1(entry.values);
        row += entry.arg == Arg::Optional ? u"[="_s + value + u']' : u'=' + value;
    }
    const QString indent(kIndent, u' ');
    row += row.size() < kIndent ? QString(kIndent - row.size(), u' ') : u'\n' + indent;
    qsizetype column = kIndent;
    for (const QString& word : lang::tr(entry.help).split(u' ')) {
        if (column > kIndent && column + 1 + word.size() > kWidth) {
            row += u'\n' + indent;
            column = kIndent;
        } else if (column > kIndent) {
            row += u' ';
            ++column;
        }
        row += word;
        column += word.size();
    }
    return row + u'\n';
}

} // namespace

std::span<const OptionEntry> optionTable()
{
    return kOptions;
}

QString optionName(const OptionEntry& entry)
{
    return entry.letter ? u"-"_s + QLatin1Char(entry.letter) : u"--"_s + QLatin1StringView(entry.name);
}

QString helpText()
{
    QString text = lang::cli::helpStart();
    for (int group = 0; group <= int(Group::Common); ++group) {
        text += u'\n';
        if (kGroupTitles[group])
            text += lang::tr(kGroupTitles[group]) + u'\n';
        for (const OptionEntry& entry : kOptions) {
            if (entry.group == Group(group))
                text += helpRow(entry);
        }
        if (Group(group) == Group::Guessing)
            text += lang::cli::guessLists();
    }
    return text + u'\n' + lang::cli::helpEnd();
}

} // namespace trelvick::cli
