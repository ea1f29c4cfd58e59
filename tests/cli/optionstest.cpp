// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/options.h"
#include "cli/optiontable.h"
#include "lang/clitexts.h"
#include "testsupport.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace trelvick;
using namespace Qt::StringLiterals;
using cli::Options;
using testsupport::PrintTo;

namespace {

// A parse as one line: the usage fault, or the mode followed by what it carries.
QString summary(const cli::ParsedOptions& parsed)
{
    if (!parsed.error.isEmpty())
        return parsed.error;
    const Options& o = parsed.options;
    const char* const modes[] = {"help",    "version",   "list",  "codepages", "show",
                                 "convert", "transcode", "guess", "undo"};
    QString text = QString::fromLatin1(modes[int(o.mode)]);
    const auto add = [&text](bool given, const QString& what) {
        if (given)
            text += u' ' + what;
    };
    add(o.configFile.has_value(), u"config="_s + o.configFile.value_or(QString()));
    add(!o.converter.isEmpty(), u"converter="_s + o.converter);
    add(o.mode == Options::Mode::Transcode, o.fromCode + u"->"_s + o.toCode + u" o="_s + o.output);
    add(o.lineEnds.has_value(), u"eol="_s + QString::number(int(o.lineEnds.value_or(cli::LineEnds::Keep))));
    add(o.guessFormat != cli::GuessFormat::Prose, u"format="_s + QString::number(int(o.guessFormat)));
    add(o.batch, u"batch"_s);
    add(o.quiet, u"quiet"_s);
    add(o.strict, u"strict"_s);
    add(o.recursive, u"recursive"_s);
    add(o.outputDir.has_value(), u"dir="_s + o.outputDir.value_or(QString()));
    add(o.inPlace, u"in-place"_s);
    add(o.backupSuffix.has_value(), u"backup="_s + o.backupSuffix.value_or(QString()));
    add(o.filesFrom.has_value(),
        u"from-list="_s + o.filesFrom.value_or(QString()) + (o.nulSeparated ? u"\\0"_s : u""_s));
    add(o.convertNames, u"names="_s + o.namesFrom);
    add(o.tsvReport, u"tsv"_s);
    add(o.jobs > 0, u"jobs="_s + QString::number(o.jobs));
    add(o.minConfidence != 90, u"min="_s + QString::number(o.minConfidence));
    add(o.dryRun, u"dry-run"_s);
    add(!o.preserveTimes, u"no-times"_s);
    add(o.bom != cli::Bom::Keep, u"bom="_s + QString::number(int(o.bom)));
    add(o.fixMojibake, u"fix-mojibake"_s);
    add(!o.undoReport.isEmpty(), u"undo="_s + o.undoReport);
    for (const QString& file : o.files)
        text += u" ["_s + file + u']';
    return text;
}

struct ParseCase
{
    const char* name;
    QString arguments; // parted at spaces
    QString expected;  // summary() of the parse
};

using Parse = testing::TestWithParam<ParseCase>;

TEST_P(Parse, ArgumentsMisread)
{
    EXPECT_EQ(summary(cli::parseArguments(GetParam().arguments.split(u' '))), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, Parse,
    testing::Values(
        ParseCase{"HelpLostAmongFaults", u"--bogus --help"_s, u"help"_s},
        ParseCase{"VersionLostAmongFaults", u"--list a -V"_s, u"version"_s},
        ParseCase{"ShortHelpMisread", u"-qh"_s, u"help"_s},
        ParseCase{"HelpAfterDoubleDashAnswered", u"-c1 -- --help b"_s, u"convert converter=1 [--help] [b]"_s},
        ParseCase{"ListMisread", u"-l"_s, u"list"_s}, ParseCase{"PrefixRefused", u"--lis --qui"_s, u"list quiet"_s},
        ParseCase{"AmbiguousPrefixGuessed", u"--n"_s,
                  u"option '--n' is ambiguous: --null, --names, --names-from, --no-preserve"_s},
        ParseCase{"ShowAttachedMisread", u"--show=Μ3"_s, u"show converter=Μ3"_s},
        ParseCase{"ShowSeparateMisread", u"--show same"_s, u"show converter=same"_s},
        ParseCase{"ConfigSeparateMisread", u"--list --config -t"_s, u"list config=-t"_s},
        ParseCase{"ConverterAttachedMisread", u"-cΜ3 a b"_s, u"convert converter=Μ3 [a] [b]"_s},
        ParseCase{"OperandsAmongOptionsMisread", u"a -c 1 b -q"_s, u"convert converter=1 quiet [a] [b]"_s},
        ParseCase{"DoubleDashNotEndingOptions", u"-c 1 -- -x"_s, u"convert converter=1 [-x] [-]"_s},
        ParseCase{"ConverterWithoutFilesNotAStream", u"-c 1"_s, u"convert converter=1 [-] [-]"_s},
        ParseCase{"ConverterOutputOptionLost", u"-c 1 a -o b --eol=lf"_s, u"convert converter=1 eol=1 [a] [b]"_s},
        ParseCase{"ConverterOutputGivenTwice", u"-c 1 a b -o c"_s,
                  u"-c takes at most one input file and one output file (or -o)"_s},
        ParseCase{"ConverterThirdFileTaken", u"-c 1 a b c"_s,
                  u"-c takes at most one input file and one output file (or -o)"_s},
        ParseCase{"BatchMisread", u"--quiet -c1 --batch a b"_s, u"convert converter=1 batch quiet [a] [b]"_s},
        ParseCase{"GuessMisread", u"--guess a -"_s, u"guess [a] [-]"_s},
        ParseCase{"GuessFormatMisread", u"--guess=tsv a"_s, u"guess format=2 [a]"_s},
        ParseCase{"GuessFormatUnchecked", u"--guess=json a"_s, u"'json' is not a value of '--guess': name, tsv"_s},
        ParseCase{"CodepagesWithoutInputNotAStream", u"-f CP737"_s, u"transcode CP737->UTF-8 o=- [-]"_s},
        ParseCase{"CodepagesMisread", u"--from-code=737 -t koi8-r a b -o out --strict"_s,
                  u"transcode 737->koi8-r o=out strict [a] [b]"_s},
        ParseCase{"ToWithoutFromAccepted", u"-t UTF-8 a"_s, u"-t goes with -f only"_s},
        ParseCase{"ConverterWithCodepagesAccepted", u"-c 1 -f CP737"_s,
                  u"only one of -f, --list-codepages, --undo, -c, -l, --show and --guess"_s},
        ParseCase{"StrictWithConverterAccepted", u"-c 1 --strict"_s, u"--strict goes with -f only"_s},
        ParseCase{"EolValueUnchecked", u"-f x --eol=dos"_s, u"'dos' is not a value of '--eol': keep, lf, crlf"_s},
        ParseCase{"TreeMisread", u"-f auto -t CP1253 -r old --output-dir=new -j 3 --names --report=tsv"_s,
                  u"transcode auto->CP1253 o=- recursive dir=new names= tsv jobs=3 [old]"_s},
        ParseCase{"InPlaceMisread", u"-f auto -ri --backup --min-confidence 75 a"_s,
                  u"transcode auto->UTF-8 o=- recursive in-place backup=~ min=75 [a]"_s},
        ParseCase{"FileListMisread", u"-f auto --files-from=- -0 -i --backup=.orig"_s,
                  u"transcode auto->UTF-8 o=- in-place backup=.orig from-list=-\\0"_s},
        ParseCase{"TreeWithoutDestinationAccepted", u"-f auto -r a"_s, u"-r needs --output-dir or -i"_s},
        ParseCase{"InPlaceWithOutputDirAccepted", u"-f auto -r -i --output-dir=x a"_s,
                  u"-i and --output-dir cannot be used together"_s},
        ParseCase{"TreeWithOutputFileAccepted", u"-f auto -i -o x a"_s, u"-o and -i cannot be used together"_s},
        ParseCase{"BackupWithoutInPlaceAccepted", u"-f auto -r --output-dir=x --backup a"_s,
                  u"--backup goes with -i only"_s},
        ParseCase{"JobsOnStreamAccepted", u"-f auto -j 2 a"_s,
                  u"-j goes with -r, -i, --output-dir, --files-from only"_s},
        ParseCase{"ConfidenceWithoutAutoAccepted", u"-f CP737 --min-confidence=50"_s,
                  u"--min-confidence goes with -f auto only"_s},
        ParseCase{"ZeroJobsAccepted", u"-f auto -i -j 0 a"_s, u"'0' is not a value of '-j': 1..1024"_s},
        ParseCase{"TreeWithoutInputAccepted", u"-f auto -r -i"_s, u"no files or folders given, and no --files-from"_s},
        ParseCase{"NoModeAccepted", u"a"_s,
                  u"one of -f, --list-codepages, --undo, -c, -l, --show and --guess is needed"_s},
        ParseCase{"RepeatedConverterAccepted", u"-c 1 -c2 a b"_s, u"option '-c' is given twice"_s},
        ParseCase{"RepeatedConfigAccepted", u"--config=a --config b --list"_s, u"option '--config' is given twice"_s},
        ParseCase{"RepeatedBatchAccepted", u"-c1 --batch --batch a"_s, u"option '--batch' is given twice"_s},
        ParseCase{"RepeatedConfidenceAccepted",
                  u"-f auto -r --output-dir o --min-confidence 50 --min-confidence=60 a"_s,
                  u"option '--min-confidence' is given twice"_s},
        ParseCase{"RepeatedEolAccepted", u"-f x --eol=lf --eol crlf"_s, u"option '--eol' is given twice"_s},
        ParseCase{"RepeatedJobsAccepted", u"-f auto -i -j 2 -j3 a"_s, u"option '-j' is given twice"_s},
        ParseCase{"ConfidenceOutOfRangeAccepted", u"-f auto -i --min-confidence=101 a"_s,
                  u"'101' is not a value of '--min-confidence': 0..100"_s},
        ParseCase{"BatchWithListAccepted", u"--list --batch"_s, u"--batch goes with -c, -f only"_s},
        ParseCase{"ThreeFilesAccepted", u"-c1 a b c"_s,
                  u"-c takes at most one input file and one output file (or -o)"_s},
        ParseCase{"EmptyBatchAccepted", u"-c 1 --batch"_s, u"--batch needs at least one input file"_s},
        ParseCase{"StandardInputInBatchAccepted", u"-c1 --batch a -"_s,
                  u"--batch takes no '-': each input file needs a name"_s},
        ParseCase{"GuessWithoutFileAccepted", u"--guess"_s, u"--guess needs at least one file"_s},
        ParseCase{"UnknownOptionAccepted", u"--list --verbose"_s, u"unknown option '--verbose'"_s},
        ParseCase{"UnknownShortInBundleAccepted", u"--list -qx"_s, u"unknown option '-x'"_s},
        ParseCase{"OutputValueTakenForAnOption", u"-f x -o --lis"_s, u"transcode x->UTF-8 o=--lis [-]"_s},
        ParseCase{"LongValueTakenForAnOption", u"--config --lis --lis"_s, u"list config=--lis"_s},
        ParseCase{"UnknownShortShownRaw", u"-f x -\x1b"_s, u"unknown option '-\\x1b'"_s},
        ParseCase{"UnknownShortByteShownAsLatin1", u"-f x -\xdcce"_s, u"unknown option '-\\xce'"_s},
        ParseCase{"ValueOfFlagAccepted", u"--list=yes"_s, u"option '--list' takes no value"_s},
        ParseCase{"ValueOfShortenedFlagAccepted", u"--qui=yes"_s, u"option '--qui' takes no value"_s},
        ParseCase{"ConfigWithoutValueAccepted", u"--list --config"_s, u"option '--config' needs a value"_s},
        ParseCase{"ConverterWithoutValueAccepted", u"-c"_s, u"option '-c' needs a value"_s},
        ParseCase{"ListWithOperandAccepted", u"--list a"_s, u"unexpected operand 'a'"_s},
        ParseCase{"EmptyConfigNameAccepted", u"--config= --list"_s, u"the file name of '--config' is empty"_s},
        ParseCase{"EmptyOperandAccepted", u"-c 1 a "_s, u"a file name is empty"_s},
        // Every converter with every delivery.
        ParseCase{"ConverterTreeRefused", u"-c M3 -r --output-dir OUT DIR"_s,
                  u"convert converter=M3 recursive dir=OUT [DIR]"_s},
        ParseCase{"ConverterInPlaceRefused", u"-c M3 -i a b"_s, u"convert converter=M3 in-place [a] [b]"_s},
        ParseCase{"CodepageBatchRefused", u"-f 737 --batch a b"_s, u"transcode 737->UTF-8 o=- batch [a] [b]"_s},
        ParseCase{"StandardInputInPlaceAccepted", u"-c 1 -i a -"_s, u"-i takes no '-': each input file needs a name"_s},
        ParseCase{"BatchWithTreeAccepted", u"-c 1 --batch -r a"_s, u"--batch and -r cannot be used together"_s},
        ParseCase{"BatchWithOutputAccepted", u"-f x -o y --batch a"_s, u"--batch and -o cannot be used together"_s},
        ParseCase{"ListWithoutDestinationAccepted", u"-f x --files-from l"_s,
                  u"--files-from needs --output-dir or -i"_s},
        ParseCase{"NullWithoutListAccepted", u"-f x -i -0 a"_s, u"-0 goes with --files-from only"_s},
        ParseCase{"NamesFromWithoutNamesAccepted", u"-f x -i --names-from=737 a"_s, u"--names-from needs --names"_s},
        ParseCase{"NamesFromWithConverterAccepted", u"-c 1 -i --names --names-from=737 a"_s,
                  u"--names-from goes with -f only"_s},
        // The options of the dry run, the times, the byte-order mark, the repair and the undo.
        ParseCase{"DryRunMisread", u"-f auto -n -i a"_s, u"transcode auto->UTF-8 o=- in-place dry-run [a]"_s},
        ParseCase{"DryRunOnStreamAccepted", u"-f x --dry-run a"_s,
                  u"-n goes with -i, --output-dir, --batch, --undo only"_s},
        ParseCase{"NoPreserveMisread", u"-c 1 --output-dir o --no-preserve=TIMES a"_s,
                  u"convert converter=1 dir=o no-times [a]"_s},
        ParseCase{"NoPreserveValueUnchecked", u"-f x -i --no-preserve=mode a"_s,
                  u"'mode' is not a value of '--no-preserve': times"_s},
        ParseCase{"NoPreserveInBatchAccepted", u"-f x --batch --no-preserve=times a"_s,
                  u"--no-preserve goes with -i, --output-dir only"_s},
        ParseCase{"BomMisread", u"-f x --bom=strip a"_s, u"transcode x->UTF-8 o=- bom=1 [a]"_s},
        ParseCase{"BomAddMisread", u"-f x -i --bom add a"_s, u"transcode x->UTF-8 o=- in-place bom=2 [a]"_s},
        ParseCase{"BomWithConverterAccepted", u"-c 1 --bom=add"_s, u"--bom goes with -f only"_s},
        ParseCase{"FixMojibakeMisread", u"-f AUTO --fix-mojibake a"_s, u"transcode AUTO->UTF-8 o=- fix-mojibake [a]"_s},
        ParseCase{"FixMojibakeWithoutAutoAccepted", u"-f 1253 --fix-mojibake a"_s,
                  u"--fix-mojibake goes with -f auto only"_s},
        ParseCase{"UndoMisread", u"--undo - -n -q"_s, u"undo quiet dry-run undo=-"_s},
        ParseCase{"UndoWithConversionOptionAccepted", u"--undo r --eol=lf"_s, u"--eol goes with -c, -f only"_s},
        ParseCase{"UndoInPlaceAccepted", u"--undo=r -i"_s, u"-i goes with -c, -f only"_s},
        ParseCase{"UndoWithOperandAccepted", u"--undo r a"_s, u"unexpected operand 'a'"_s},
        ParseCase{"UndoWithCodepagesAccepted", u"--undo r -f x"_s,
                  u"only one of -f, --list-codepages, --undo, -c, -l, --show and --guess"_s},
        ParseCase{"EmptyUndoReportAccepted", u"--undo="_s, u"the file name of '--undo' is empty"_s}),
    [](const auto& info) { return std::string(info.param.name); });

// --eol=crlf makes every line end CR LF for -f, and keeps the window's rule for -c.
TEST(LineEnds, CrLfOfTheOtherFormTaken)
{
    using enum convert::LineEnds;
    const struct
    {
        QString arguments;
        convert::LineEnds expected;
    } cases[] = {
        {u"-c 1 --eol=crlf"_s, CrLf},     {u"-c 1"_s, CrLf}, {u"-c 1 --eol=keep"_s, Keep},
        {u"-f x --eol=crlf"_s, CrLfEach}, {u"-f x"_s, Keep}, {u"-f x --eol=lf -r -i a"_s, Lf},
    };
    for (const auto& c : cases) {
        const cli::ParsedOptions parsed = cli::parseArguments(c.arguments.split(u' '));
        EXPECT_EQ(cli::engineLineEnds(parsed.options.effectiveLineEnds()), c.expected) << c.arguments.toStdString();
    }
}

// A rule that names an option the table lacks ("--ouput-dir") would never hold, and two rows with one
// name would leave one of them unreachable.
TEST(OptionTable, RuleNamesNoOption)
{
    QStringList names{u"-f auto"_s};
    QByteArrayList longNames;
    for (const cli::OptionEntry& entry : cli::optionTable()) {
        EXPECT_FALSE(names.contains(cli::optionName(entry))) << entry.name;
        EXPECT_FALSE(longNames.contains(entry.name)) << entry.name;
        names << cli::optionName(entry);
        longNames << entry.name;
    }
    for (const cli::OptionEntry& entry : cli::optionTable()) {
        for (const char* rule : {entry.with, entry.notWith, entry.needs}) {
            for (const QString& name : QString::fromLatin1(rule).split(u", "_s, Qt::SkipEmptyParts))
                EXPECT_TRUE(names.contains(name)) << entry.name << ": " << name.toStdString();
        }
    }
}

// An option's value given twice would silently lose the first: each option that takes one is refused the
// second time, whatever else the line holds.
TEST(OptionTable, SecondValueTakenSilently)
{
    for (const cli::OptionEntry& entry : cli::optionTable()) {
        if (entry.arg == cli::OptionEntry::Arg::None)
            continue;
        const QString values = QString::fromLatin1(entry.values);
        const QString value = entry.values ? values.section(u'|', 0, 0).section(u".."_s, 0, 0) : u"x"_s;
        const QString given = u"--"_s + QLatin1StringView(entry.name) + u'=' + value;
        EXPECT_EQ(cli::parseArguments({given, given}).error,
                  lang::cli::repeatedOption(lang::escaped(cli::optionName(entry))))
            << entry.name;
    }
}

// A file name that is empty names no file: refused for every option that takes one.
TEST(OptionTable, EmptyFileNameTaken)
{
    for (const QString& option :
         {u"-o"_s, u"--output-dir"_s, u"--backup"_s, u"--files-from"_s, u"--config"_s, u"--undo"_s}) {
        const QStringList arguments = option.startsWith(u"--"_s) ? QStringList{option + u'='} : QStringList{option, {}};
        EXPECT_EQ(cli::parseArguments(arguments).error, u"the file name of '"_s + option + u"' is empty"_s)
            << option.toStdString();
    }
}

// The manual page names every option, the long form and the short one, as roff writes them ("\-\-dry\-run").
TEST(OptionTable, ManPageLacksAnOption)
{
    QFile file(QStringLiteral(TRELVICK_MAN_PAGE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());
    const auto named = [&page](const QString& option) {
        const QString roff = QString(option).replace(u'-', u"\\-"_s);
        return page.contains(
            QRegularExpression(u"(^|[^-])"_s + QRegularExpression::escape(roff) + u"(?![\\w]|\\\\-\\w)"_s));
    };
    for (const cli::OptionEntry& entry : cli::optionTable()) {
        EXPECT_TRUE(named(u"--"_s + QLatin1StringView(entry.name))) << entry.name;
        EXPECT_TRUE(!entry.letter || named(u"-"_s + QLatin1Char(entry.letter))) << entry.letter;
    }
}

// The rows of --help stay within 99 columns and under their option (the Greek rows: tests/cli/localetest.cpp).
TEST(Help, RowOverflowsOrLosesItsOption)
{
    const QStringList lines = cli::helpText().split(u'\n');
    for (const QString& line : lines) {
        // the usage lines aside
        EXPECT_TRUE(line.startsWith(u"  trelvick-convert"_s) || line.size() <= 99) << line.toStdString();
    }
    for (const cli::OptionEntry& entry : cli::optionTable()) {
        const QString start = (entry.letter ? u"  -"_s + QLatin1Char(entry.letter) + u", --"_s : u"      --"_s) +
                              QLatin1StringView(entry.name);
        const auto row =
            std::find_if(lines.begin(), lines.end(), [&start](const QString& line) { return line.startsWith(start); });
        ASSERT_NE(row, lines.end()) << entry.name;
        // The text begins in column 27, on the row or, after a long name, on the next line.
        const QString text = row->size() > 27 && row->at(26) == u' ' ? *row : *std::next(row);
        EXPECT_TRUE(text.at(26) == u' ' && text.at(27) != u' ') << entry.name;
    }
}

// One and more than one: the singular is its own sentence (the Greek forms come from po/el.po).
TEST(CountTexts, SingularOrPluralWrong)
{
    namespace texts = lang::cli;
    const lang::Escaped a = lang::escaped(u"a"_s);
    const struct
    {
        QString text;
        QString expected;
    } cases[] = {
        {texts::lostCount(a, 1, u"CP737"_s), u"a: 1 character has no equivalent in CP737 and became '?'"_s},
        {texts::lostCount(a, 2, u"CP737"_s), u"a: 2 characters have no equivalent in CP737 and became '?'"_s},
        {texts::invalidCount(a, 1, u"CP737"_s, true), u"a: 1 byte is no character of CP737 and became U+FFFD"_s},
        {texts::invalidCount(a, 2, u"CP737"_s, false), u"a: 2 bytes are no character of CP737 and became '?'"_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, c.expected);
}

// Μ2 is missing from the list, as a gap in tq.ini leaves it; two descriptions are shared.
const QList<config::Converter> kConverters = {{u"737 -> 1253"_s, u"Μ1"_s},
                                              {u"1253 -> 737"_s, u"Μ3"_s},
                                              {u"same"_s, u"Μ4"_s},
                                              {u"same"_s, u"Μ5"_s},
                                              {u"1"_s, u"Μ12"_s}};

TEST(ConverterName, WrongConverterPicked)
{
    const struct
    {
        QString given;
        int expected; // index, or -1 for none
    } cases[] = {
        {u"Μ3"_s, 1},    {u"M3"_s, 1},          {u"μ3"_s, 1},
        {u"3"_s, 1},     {u"1"_s, 0}, // a key beats a description
        {u"03"_s, -1},                // keys are written without leading zeros
        {u"M2"_s, -1},   {u"1253 -> 737"_s, 1}, {u"1253 -> 737 "_s, -1},
        {u"same"_s, -1}, {u""_s, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cli::findConverter(kConverters, c.given).value_or(-1), c.expected) << c.given.toStdString();

    QStringList keys;
    EXPECT_FALSE(cli::findConverter(kConverters, u"same"_s, &keys));
    EXPECT_EQ(keys, (QStringList{u"Μ4"_s, u"Μ5"_s}));
}

} // namespace
