// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"
#include "config/codesection.h"
#include "referenceconverter.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace trelvick;
using namespace Qt::StringLiterals;

namespace {

const QString kProgram = QStringLiteral(TRELVICK_CONVERT_PATH);

// Μ1 maps letters and has no entry for LF; Μ3 also maps LF, the case where CR LF must be split
// before the lookup. Μ2 is a gap in the list.
const QStringList kIni = {u"[Trelvick]"_s,
                          u"ΠλήθοςΜετατροπέων=3"_s,
                          u"[ΠεριγραφήΜετατροπέων]"_s,
                          u"Μ1=letters"_s,
                          u"Μ3=letters and LF"_s,
                          u"[Μ1]"_s,
                          u"97=65"_s,
                          u"128=193"_s,
                          u"200=200"_s,
                          u"[Μ3]"_s,
                          u"10=124"_s,
                          u"97=65"_s};

using testsupport::PrintTo;

struct Outcome
{
    int status = -1;
    QByteArray out;
    QString err;
};

class Cli : public testing::Test, protected testsupport::TempFolder
{
protected:
    void SetUp() override { writeIni(kIni); }

    QString config() const { return path(u"tq.ini"_s); }
    void writeIni(const QStringList& lines, const QString& name = u"tq.ini"_s) const
    {
        write(name, windows1253(lines.join(u"\r\n")));
    }
    // %d in an argument or an expected text stands for the temporary folder.
    QString expand(QString text) const { return text.replace(u"%d"_s, folder()); }

    Outcome run(const QStringList& arguments, const QByteArray& input = {}, const QString& lang = u"C"_s,
                const QString& program = kProgram, QProcess* preparedProcess = nullptr) const
    {
        QProcess local;
        QProcess& process = preparedProcess ? *preparedProcess : local;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"LC_ALL"_s);
        environment.remove(u"LC_MESSAGES"_s);
        environment.insert(u"LANG"_s, lang);
        // The developer's own ~/.config/trelvick/tq.ini would win over the program folder's.
        environment.insert(u"XDG_CONFIG_HOME"_s, path(u"config"_s));
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        if (!process.waitForStarted())
            return {};
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(120000);
        Outcome outcome;
        outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        outcome.out = process.readAllStandardOutput();
        outcome.err = QString::fromUtf8(process.readAllStandardError());
        return outcome;
    }
    Outcome runWithConfig(const QStringList& arguments, const QByteArray& input = {},
                          const QString& lang = u"C"_s) const
    {
        return run(QStringList{u"--config"_s, config()} + arguments, input, lang);
    }
};

// --- the same bytes as the reference conversion -------------------------------------------------

// The line rules belong to the engine; here one mixed text through files and through the pipe, with
// and without an LF entry, and every byte value once.
class LineEnds : public Cli, public testing::WithParamInterface<const char*>
{
};

TEST_P(LineEnds, BytesDifferFromReference)
{
    const char* key = GetParam();
    QByteArray input = "a\r\n\rb\nc\r\r\na";
    for (int c = 0; c < 256; ++c)
        input.append(static_cast<char>(c));
    const auto table =
        config::loadCodeSection(config::ProfileReader::fromFile(config()), QString::fromUtf8(key));
    ASSERT_TRUE(table.ok());
    const auto reference = testsupport::referenceConvert(input.toStdString(), table.table);
    const QByteArray expected = QByteArray::fromStdString(reference.output);
    const QString count = QString::number(reference.changed) + u" characters changed"_s;

    write(u"in"_s, input);
    const Outcome files = runWithConfig({u"-c"_s, QString::fromUtf8(key), path(u"in"_s), path(u"out"_s)});
    EXPECT_EQ(files.status, 0) << files.err.toStdString();
    EXPECT_EQ(read(u"out"_s), expected);
    EXPECT_TRUE(files.err.contains(path(u"in"_s) + u" -> "_s + path(u"out"_s) + u": "_s + count))
        << files.err.toStdString();

    const Outcome pipe = runWithConfig({u"-c"_s, QString::fromUtf8(key), u"-"_s, u"-"_s}, input);
    EXPECT_EQ(pipe.status, 0);
    EXPECT_EQ(pipe.out, expected);
    EXPECT_TRUE(pipe.err.contains(u"(standard input) -> (standard output): "_s + count)) << pipe.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cli, LineEnds, testing::Values("Μ1", "Μ3"), [](const auto& info) {
    return std::strcmp(info.param, "Μ1") == 0 ? "WithoutLfEntry" : "WithLfEntry";
});

// --- exit status and message ---------------------------------------------------------------------

struct StatusCase
{
    const char* name;
    QStringList arguments; // after --config
    int status;
    QString message; // in standard output and error together
    QString lang = u"C"_s;
};

class ExitStatus : public Cli, public testing::WithParamInterface<StatusCase>
{
};

TEST_P(ExitStatus, WrongStatusOrMessage)
{
    write(u"in.txt"_s, "abc\r\n");
    ASSERT_TRUE(QDir(path({})).mkdir(u"folder"_s));
    ASSERT_EQ(::link(QFile::encodeName(path(u"in.txt"_s)).constData(), QFile::encodeName(path(u"alias"_s)).constData()),
              0);
    QStringList arguments;
    for (const QString& argument : GetParam().arguments)
        arguments << expand(argument);
    const Outcome outcome = runWithConfig(arguments, {}, GetParam().lang);
    EXPECT_EQ(outcome.status, GetParam().status);
    const QString all = QString::fromUtf8(outcome.out) + outcome.err;
    EXPECT_TRUE(all.contains(expand(GetParam().message))) << all.toStdString();
    EXPECT_EQ(read(u"in.txt"_s), "abc\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cli, ExitStatus,
    testing::Values(
        StatusCase{
            "FolderInputUnnamed", {u"-c"_s, u"1"_s, u"%d/folder"_s, u"%d/out"_s}, 1, u"%d/folder: Is a directory"_s},
        StatusCase{"SameNameConverted",
                   {u"-c"_s, u"1"_s, u"%d/in.txt"_s, u"%d/in.txt"_s},
                   2,
                   u"input '%d/in.txt' and output '%d/in.txt' are the same file"_s},
        StatusCase{"CountNotSingular",
                   {u"-c"_s, u"1"_s, u"%d/in.txt"_s, u"%d/out"_s},
                   0,
                   u"%d/in.txt -> %d/out: 1 character changed\n"_s},
        StatusCase{"HardLinkConverted", {u"-c"_s, u"1"_s, u"%d/in.txt"_s, u"%d/alias"_s}, 2, u"are the same file"_s},
        StatusCase{"UnknownConverterAccepted",
                   {u"-c"_s, u"2"_s, u"%d/in.txt"_s, u"%d/out"_s},
                   2,
                   u"no converter '2' (see --list)"_s},
        StatusCase{"UsageFaultWithoutHint",
                   {u"-c"_s, u"1"_s, u"%d/in.txt"_s},
                   2,
                   u"-c needs one input file and one output file\nTry 'trelvick-convert --help'."_s},
        StatusCase{"HelpMissing", {u"--help"_s}, 0, u"Exit status: 0 done, 1 a conversion failed, 2 bad usage"_s},
        StatusCase{"VersionWrong", {u"--version"_s}, 0, u"trelvick-convert 2001.0009.0012\n"_s},
        StatusCase{"ListWrong", {u"--list"_s}, 0, u"Μ1\tletters\nΜ3\tletters and LF\n"_s},
        StatusCase{"GreekCount",
                   {u"-c"_s, u"1"_s, u"%d/in.txt"_s, u"%d/out"_s},
                   0,
                   u"%d/in.txt -> %d/out: άλλαξε 1 χαρακτήρας"_s,
                   u"el_GR.UTF-8"_s},
        StatusCase{"GreekHelp", {u"--help"_s}, 0, u"Κατάσταση εξόδου: 0 επιτυχία"_s, u"el_GR.UTF-8"_s},
        StatusCase{"ShowWrong", {u"--show=letters and LF"_s}, 0, u"; letters and LF\n[Μ3]\n10=124\n97=65\n"_s}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Cli, QuietSilencingErrorsOrNotSilencingCounts)
{
    write(u"in"_s, "a");
    EXPECT_EQ(runWithConfig({u"--quiet"_s, u"-c"_s, u"1"_s, path(u"in"_s), path(u"out"_s)}).err, u""_s);
    EXPECT_TRUE(
        runWithConfig({u"--quiet"_s, u"-c"_s, u"1"_s, path(u"no"_s), path(u"out"_s)}).err.contains(path(u"no"_s)));
}

// --- a faulty tq.ini names the file, the section and the key --------------------------------------

struct IniCase
{
    const char* name;
    QStringList lines;
    QString message; // %f: the configuration file
    QString lang = u"C"_s;
};

class BadIni : public Cli, public testing::WithParamInterface<IniCase>
{
};

TEST_P(BadIni, FaultNotLocated)
{
    writeIni(GetParam().lines, u"bad.ini"_s);
    write(u"a.txt"_s, "a");
    const Outcome outcome =
        run({u"--config"_s, path(u"bad.ini"_s), u"-c"_s, u"1"_s, u"--batch"_s, path(u"a.txt"_s)}, {}, GetParam().lang);
    EXPECT_EQ(outcome.status, 2);
    const QString expected = u"trelvick-convert: "_s + QString(GetParam().message).replace(u"%f"_s, path(u"bad.ini"_s));
    EXPECT_TRUE(outcome.err.contains(expected)) << outcome.err.toStdString();
    // A fault is found before any output is written.
    EXPECT_FALSE(QFile::exists(path(u"a.txt.out"_s)));
}

const QStringList kHead = {u"[Trelvick]"_s, u"ΠλήθοςΜετατροπέων=1"_s, u"[ΠεριγραφήΜετατροπέων]"_s, u"Μ1=x"_s};

INSTANTIATE_TEST_SUITE_P(
    Cli, BadIni,
    testing::Values(
        IniCase{"FaultyCode", kHead + QStringList{u"[Μ1]"_s, u"65=66"_s, u"66=1000"_s},
                u"%f: [Μ1] 66: value '1000' is not a code 0..255"_s},
        IniCase{"EmptyCode", kHead + QStringList{u"[Μ1]"_s, u"7="_s}, u"%f: [Μ1] 7: value '' is not a code 0..255"_s},
        IniCase{"GreekFaultyCode", kHead + QStringList{u"[Μ1]"_s, u"66=1000"_s},
                u"%f: [Μ1] 66: η τιμή «1000» δεν είναι κωδικός 0..255"_s, u"el_GR.UTF-8"_s},
        IniCase{"MissingSection", kHead, u"%f: [Μ1]: the section is missing or holds none of the keys 0..255"_s},
        IniCase{"MissingCount",
                {u"[Trelvick]"_s, u"[ΠεριγραφήΜετατροπέων]"_s, u"Μ1=x"_s},
                u"%f: [Trelvick] ΠλήθοςΜετατροπέων: the entry is missing"_s},
        IniCase{"ZeroCount",
                {u"[Trelvick]"_s, u"ΠλήθοςΜετατροπέων=0"_s},
                u"%f: [Trelvick] ΠλήθοςΜετατροπέων: value '0' is not a count of 1 or more"_s},
        IniCase{"HugeCount",
                {u"[Trelvick]"_s, u"ΠλήθοςΜετατροπέων=40000"_s},
                u"%f: [Trelvick] ΠλήθοςΜετατροπέων: value '40000' lies outside -32768..32767"_s},
        IniCase{"DescriptionAboveCount",
                {u"[Trelvick]"_s, u"ΠλήθοςΜετατροπέων=2"_s, u"[ΠεριγραφήΜετατροπέων]"_s, u"Μ3=x"_s},
                u"%f: [ΠεριγραφήΜετατροπέων]: no description for the keys Μ1..Μ2"_s}),
    [](const auto& info) { return std::string(info.param.name); });

// A viewer path whose test fails (here a link loop) stops the window, so it stops the converter too.
TEST_F(Cli, ViewerPathFailureUnlocated)
{
    ASSERT_TRUE(QFile::link(path(u"loop"_s), path(u"loop"_s)));
    writeIni(QStringList{u"[Trelvick]"_s, u"ΓρήγορηΠροβολή="_s + path(u"loop"_s)} + kHead.mid(1));
    const Outcome outcome = runWithConfig({u"--list"_s});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_TRUE(outcome.err.contains(config() + u": [Trelvick] ΓρήγορηΠροβολή: path '"_s + path(u"loop"_s) +
                                     u"' cannot be checked: Too many levels of symbolic links"_s))
        << outcome.err.toStdString();
}

// The program finds tq.ini in its own folder whatever the letter case of its name, as the window does.
TEST_F(Cli, ProgramFolderConfigMissed)
{
    ASSERT_TRUE(QDir(path({})).mkdir(u"prog"_s));
    const QString program = path(u"prog/trelvick-convert"_s);
    ASSERT_TRUE(QFile::copy(kProgram, program));
    const Outcome missing = run({u"--list"_s}, {}, u"C"_s, program);
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.err.contains(path(u"prog/tq.ini"_s) + u": no such configuration file"_s));

    writeIni(kIni, u"prog/TQ.INI"_s);
    const Outcome found = run({u"--list"_s}, {}, u"C"_s, program);
    EXPECT_EQ(found.status, 0) << found.err.toStdString();
    EXPECT_TRUE(found.out.startsWith("Μ1\tletters\n"));

    // A personal tq.ini wins over the program folder's, and its faults name it.
    ASSERT_TRUE(QDir().mkpath(path(u"config/trelvick"_s)));
    writeIni(kHead.mid(0, 3) + QStringList{u"Μ1=mine"_s}, u"config/trelvick/tq.ini"_s);
    EXPECT_EQ(run({u"--list"_s}, {}, u"C"_s, program).out, "Μ1\tmine\n");
    writeIni({u"[Trelvick]"_s, u"ΠλήθοςΜετατροπέων=0"_s}, u"config/trelvick/tq.ini"_s);
    EXPECT_TRUE(run({u"--list"_s}, {}, u"C"_s, program)
                    .err.contains(path(u"config/trelvick/tq.ini"_s) + u": [Trelvick] ΠλήθοςΜετατροπέων: value '0'"_s));

    // --config wins over both.
    const Outcome named = run({u"--config"_s, path(u"none.ini"_s), u"--list"_s});
    EXPECT_EQ(named.status, 2);
    EXPECT_TRUE(named.err.contains(path(u"none.ini"_s) + u": no such configuration file"_s));
}

// --- batch ------------------------------------------------------------------------------------------

// Every file that can be converted is; one that is missing, or whose output would replace an input
// of the batch (b.txt.out), is reported and left as it is.
TEST_F(Cli, BatchStoppingAtFailureOrMisplacingOutputs)
{
    write(u"a.txt"_s, "a\r");
    write(u"b.txt"_s, "aa");
    write(u"b.txt.out"_s, "old result");
    const Outcome outcome = runWithConfig(
        {u"-c"_s, u"Μ1"_s, u"--batch"_s, path(u"a.txt"_s), path(u"c.txt"_s), path(u"b.txt"_s), path(u"b.txt.out"_s)});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(read(u"a.txt.out"_s), "A\r\n");
    EXPECT_EQ(read(u"b.txt.out"_s), "old result");
    EXPECT_EQ(read(u"b.txt.out.out"_s), "old result\r\n");
    EXPECT_TRUE(outcome.err.contains(path(u"c.txt"_s) + u": No such file or directory"_s));
    EXPECT_TRUE(outcome.err.contains(u"input '%1' not converted: its output '%1.out' is an input too"_s.arg(
        path(u"b.txt"_s))))
        << outcome.err.toStdString();
    EXPECT_TRUE(outcome.err.contains(u"2/4 files failed"_s)) << outcome.err.toStdString();
}

// --- the input is never lost through another name ---------------------------------------------------

// Names are bytes: a name that is not UTF-8 is converted under its own bytes and gets ".out" after
// them; a message shows its escape character escaped.
TEST_F(Cli, NameBytesChangedOrPrintedRaw)
{
    const QByteArray name = QFile::encodeName(path({})) + "/\xa4\xe0\x1b[2J.txt";
    {
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "a", 1), 1);
        ::close(fd);
    }
    const QByteArray err = QFile::encodeName(path(u"err"_s));
    const QByteArray configName = QFile::encodeName(config());
    const char* argv[] = {TRELVICK_CONVERT_PATH, "--config", configName.constData(), "-c", "1", "--batch",
                          name.constData(),      nullptr};
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::execv(argv[0], const_cast<char**>(argv));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    struct stat info = {};
    EXPECT_EQ(::stat((name + ".out").constData(), &info), 0);
    EXPECT_TRUE(read(u"err"_s).contains("/\\xa4\\xe0\\x1b[2J.txt.out: 1 character changed"))
        << read(u"err"_s).toStdString();
}

// A conversion ended by a signal leaves the old output and nothing else.
TEST_F(Cli, TerminatedConversionLosesOldOutput)
{
    write(u"in.txt.out"_s, "old result");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(u"in.txt"_s)).constData(), 0600), 0);
    const QStringList before = QDir(path({})).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QProcess process;
    process.start(kProgram, {u"--config"_s, config(), u"-c"_s, u"1"_s, u"--batch"_s, path(u"in.txt"_s)});
    ASSERT_TRUE(process.waitForStarted());
    const int writer = ::open(QFile::encodeName(path(u"in.txt"_s)).constData(), O_WRONLY);
    ASSERT_GE(writer, 0);
    const QByteArray block(256 * 1024, 'a'); // more than a pipe holds: the conversion is under way
    ASSERT_EQ(::write(writer, block.constData(), block.size()), block.size());
    process.terminate();
    EXPECT_TRUE(process.waitForFinished());
    ::close(writer);
    EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(read(u"in.txt.out"_s), "old result");
    EXPECT_EQ(QDir(path({})).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
}

TEST_F(Cli, StandardOutputAppendedToInputLooping)
{
    write(u"in"_s, "abc");
    QProcess process;
    process.setStandardOutputFile(path(u"in"_s), QIODevice::Append);
    const Outcome outcome =
        run({u"--config"_s, config(), u"-c"_s, u"1"_s, path(u"in"_s), u"-"_s}, {}, u"C"_s, kProgram, &process);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_TRUE(outcome.err.contains(u"(standard output)' are the same file"_s)) << outcome.err.toStdString();
    EXPECT_EQ(read(u"in"_s), "abc");
}

// --- progress bar, in process: only a terminal gets one, and only for a large file ----------------

struct BarCase
{
    const char* name;
    bool terminal;
    qsizetype size;
    bool bar;
};

class Bar : public Cli, public testing::WithParamInterface<BarCase>
{
};

TEST_P(Bar, BarMisplaced)
{
    write(u"in"_s, QByteArray(GetParam().size, 'a'));
    const QByteArray errName = QFile::encodeName(path(u"err"_s));
    const QByteArray outName = QFile::encodeName(path(u"stdout"_s));
    const int errFd = ::open(errName.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int outFd = ::open(outName.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(errFd, 0);
    ASSERT_GE(outFd, 0);
    cli::Context context;
    context.outputFd = outFd;
    context.errorFd = errFd;
    context.errorIsTerminal = GetParam().terminal;
    const int status = cli::run({u"--config"_s, config(), u"-c"_s, u"1"_s, path(u"in"_s), u"-"_s}, context);
    ::close(errFd);
    ::close(outFd);
    EXPECT_EQ(status, 0);
    const QByteArray err = read(u"err"_s);
    EXPECT_EQ(err.contains("\r["), GetParam().bar) << err.left(200).toStdString();
    if (GetParam().bar) {
        EXPECT_TRUE(err.contains("] 100%"));
    }
    EXPECT_TRUE(err.endsWith("characters changed\n"));
}

INSTANTIATE_TEST_SUITE_P(Cli, Bar,
                         testing::Values(BarCase{"PipeGivenBar", false, 17 << 20, false},
                                         BarCase{"SmallFileGivenBar", true, 1 << 20, false},
                                         BarCase{"LargeFileWithoutBar", true, 17 << 20, true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
