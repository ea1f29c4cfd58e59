// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"
#include "config/profilereader.h"
#include "programrun.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <array>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace trelvick;
using namespace Qt::StringLiterals;

namespace {

const QString kProgram = QStringLiteral(TRELVICK_CONVERT_PATH);

// Μ3 maps LF, which Μ1 leaves; Μ2 is a gap in the list. Written with CR LF, as tq.ini is.
const QString kIni = u"[Trelvick]\nΠλήθοςΜετατροπέων=3\n[ΠεριγραφήΜετατροπέων]\nΜ1=letters\nΜ3=letters and LF\n"
                     u"[Μ1]\n97=65\n128=193\n200=200\n[Μ3]\n10=124\n97=65\n"_s;
const QString kHead = u"[Trelvick]\nΠλήθοςΜετατροπέων=1\n[ΠεριγραφήΜετατροπέων]\nΜ1=x\n"_s;

using testsupport::PrintTo;

using testsupport::Outcome;

class Cli : public testing::Test, protected testsupport::TempFolder
{
protected:
    // The personal tq.ini, which wins over the one beside the program.
    void SetUp() override
    {
        ASSERT_TRUE(QDir(folder()).mkpath(u"config/trelvick"_s));
        writeIni(kIni, config());
    }

    QString config() const { return path(u"config/trelvick/tq.ini"_s); }
    void writeIni(QString text, const QString& name = u"tq.ini"_s) const
    {
        write(name, windows1253(text.replace(u"\n"_s, u"\r\n"_s)));
    }
    // %d in an argument, a tq.ini or an expected text stands for the temporary folder.
    // %e stands for the escape character (ESC).
    QString expand(QString text) const { return text.replace(u"%d"_s, folder()).replace(u"%e"_s, u"\x1b"_s); }
    QStringList entries() const
    {
        return QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    // standardOutput: a file the output is appended to, instead of a pipe.
    Outcome run(const QStringList& arguments, const QByteArray& input = {}, const QString& lang = u"C"_s,
                const QString& standardOutput = {}, const QString& program = kProgram) const
    {
        QProcessEnvironment environment = testsupport::localeEnvironment(lang);
        environment.insert(u"XDG_CONFIG_HOME"_s, xdgConfigHome.isEmpty() ? path(u"config"_s) : xdgConfigHome);
        return testsupport::runProgram(program, arguments, input, environment, standardOutput);
    }

    QString xdgConfigHome; // empty: %d/config
};

// The line rules belong to the engine; here one mixed text through a file and through the pipe,
// and with --quiet, which keeps the count to itself.
TEST_F(Cli, BytesOrCountWrong)
{
    const QByteArray input = "a\r\n\rb\nc\r\r\na\x80\xc8";
    const QByteArray expected = "A\r\n\r\nb|c\r\n\r\nA\x80\xc8\r\n";
    write(u"in"_s, input);
    const Outcome files = run({u"-c"_s, u"Μ3"_s, path(u"in"_s), path(u"out"_s)});
    EXPECT_EQ(files.status, 0) << files.err.toStdString();
    EXPECT_EQ(read(u"out"_s), expected);
    EXPECT_EQ(files.err, path(u"in"_s) + u" -> "_s + path(u"out"_s) + u": 3 characters changed\n"_s);

    const Outcome pipe = run({u"-c"_s, u"Μ3"_s, u"-"_s, u"-"_s}, input);
    EXPECT_EQ(pipe.status, 0);
    EXPECT_EQ(pipe.out, expected);
    EXPECT_EQ(pipe.err, u"(standard input) -> (standard output): 3 characters changed\n"_s);
    EXPECT_EQ(run({u"--quiet"_s, u"-c"_s, u"Μ3"_s, u"-"_s, u"-"_s}, input).err, u""_s);
}

struct StatusCase
{
    const char* name;
    QString arguments; // parted at spaces
    int status;
    QString message;             // in standard output and error together
    QString ini = {};            // instead of the usual tq.ini
    QString standardOutput = {}; // a file instead of the pipe
    QString lang = u"C"_s;
    QString xdg = {}; // XDG_CONFIG_HOME, whose trelvick/tq.ini then holds ini
};

class ExitStatus : public Cli, public testing::WithParamInterface<StatusCase>
{
};

TEST_P(ExitStatus, WrongStatusOrMessage)
{
    const StatusCase& c = GetParam();
    write(u"in.txt"_s, "abc\r\n");
    ASSERT_TRUE(QDir(folder()).mkdir(u"folder"_s));
    ASSERT_TRUE(QFile::link(path(u"loop"_s), path(u"loop"_s)));
    QFile big(path(u"big.ini"_s));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(config::kMaxConfigFileSize + 1));
    writeIni(kHead, u".hidden.ini"_s);
    ASSERT_EQ(::mkfifo(native(u"fifo"_s).constData(), 0600), 0);
    xdgConfigHome = expand(c.xdg);
    const QString iniFolder = c.xdg.isEmpty() ? path(u"config"_s) : xdgConfigHome;
    ASSERT_TRUE(QDir().mkpath(iniFolder + u"/trelvick"_s));
    if (!c.ini.isEmpty())
        writeIni(expand(c.ini), iniFolder + u"/trelvick/tq.ini"_s);
    const QStringList before = entries();
    QStringList arguments = c.arguments.split(u' ');
    const Outcome outcome = run(arguments.replaceInStrings(u"%d"_s, folder()).replaceInStrings(u"%e"_s, u"\x1b"_s), {},
                                c.lang, expand(c.standardOutput));
    EXPECT_EQ(outcome.status, c.status);
    const QString all = QString::fromUtf8(outcome.out) + outcome.err;
    EXPECT_TRUE(all.contains(expand(c.message))) << all.toStdString();
    // Whatever a message echoes, it cannot start a terminal's escape sequence.
    EXPECT_FALSE(all.contains(u'\x1b')) << all.toStdString();
    EXPECT_EQ(read(u"in.txt"_s), "abc\r\n");
    if (c.status != 0) {
        EXPECT_EQ(entries(), before);
    }
}

const QString kFullDevice = u"trelvick-convert: (standard output): No space left on device\n"_s;
const QString kConvertBatch = u"-c 1 --batch %d/in.txt"_s;
const QString kGreek = u"el_GR.UTF-8"_s;

INSTANTIATE_TEST_SUITE_P(
    Cli, ExitStatus,
    testing::Values(
        StatusCase{"FolderInputUnnamed", u"-c 1 %d/folder %d/out"_s, 1, u"%d/folder: Is a directory"_s},
        StatusCase{"FullOutputUnnamed", u"-c 1 %d/in.txt /dev/full"_s, 1,
                   u"trelvick-convert: /dev/full: No space left on device"_s},
        StatusCase{"FullStandardOutputUnnamed", u"-c 1 %d/in.txt -"_s, 1, kFullDevice, {}, u"/dev/full"_s},
        StatusCase{"SameNameConverted", u"-c 1 %d/in.txt %d/in.txt"_s, 1,
                   u"input '%d/in.txt' and output '%d/in.txt' are the same file"_s},
        StatusCase{"StandardOutputAppendedToInput",
                   u"-c 1 %d/in.txt -"_s,
                   1,
                   u"'(standard output)' are the same file"_s,
                   {},
                   u"%d/in.txt"_s},
        StatusCase{"CountNotSingular", u"-c 1 %d/in.txt %d/out"_s, 0, u"%d/in.txt -> %d/out: 1 character changed\n"_s},
        StatusCase{"QuietHidingErrors", u"--quiet -c 1 %d/none %d/out"_s, 1, u"%d/none: No such file or directory"_s},
        StatusCase{"UnknownConverterAccepted", u"-c 2 %d/in.txt %d/out"_s, 2, u"no converter '2' (see --list)"_s},
        StatusCase{"UsageFaultWithoutHint", u"-c 1 %d/in.txt a b"_s, 2,
                   u"-c takes at most one input file and one output file (or -o)\nTry 'trelvick-convert --help'."_s},
        StatusCase{"HelpMissing", u"--help"_s, 0,
                   u"Exit status: 0 done, 1 a conversion failed (or input and output are the same file"_s},
        StatusCase{"VersionWrong", u"--version"_s, 0, u"trelvick-convert 2001.0009.0012\n"_s},
        StatusCase{"ListWrong", u"--list"_s, 0, u"Μ1\tletters\nΜ3\tletters and LF\n"_s},
        StatusCase{"ShowWrong", u"--show=3"_s, 0, u"; letters and LF\n[Μ3]\n10=124\n97=65\n"_s},
        StatusCase{"HelpWriteFailureIgnored", u"--help"_s, 1, kFullDevice, {}, u"/dev/full"_s},
        StatusCase{"VersionWriteFailureIgnored", u"--version"_s, 1, kFullDevice, {}, u"/dev/full"_s},
        StatusCase{"ListWriteFailureIgnored", u"--list"_s, 1, kFullDevice, {}, u"/dev/full"_s},
        StatusCase{"ShowWriteFailureIgnored", u"--show=1"_s, 1, kFullDevice, {}, u"/dev/full"_s},
        StatusCase{"GreekCount", u"-c 1 %d/in.txt %d/out"_s, 0, u"out: άλλαξε 1 χαρακτήρας"_s, {}, {}, kGreek},
        // A faulty or unreadable configuration file is named with the section and key at fault.
        StatusCase{"FaultyCode", kConvertBatch, 2, u"tq.ini: [Μ1] 66: value '1000' is not a code 0..255"_s,
                   kHead + u"[Μ1]\n65=66\n66=1000"_s},
        StatusCase{"FaultyEncoding", kConvertBatch, 2, u"tq.ini: [Μ1] Κωδικοποίηση: value 'KOI8' is not UTF-8"_s,
                   kHead + u"[Μ1]\nΚωδικοποίηση=KOI8\n65=66"_s},
        StatusCase{"MissingSection", kConvertBatch, 2,
                   u"tq.ini: [Μ1]: the section is missing or holds none of the keys 0..255"_s, kHead},
        StatusCase{"MissingCount", kConvertBatch, 2, u"tq.ini: [Trelvick] ΠλήθοςΜετατροπέων: the entry is missing"_s,
                   u"[Trelvick]\n[ΠεριγραφήΜετατροπέων]\nΜ1=x"_s},
        StatusCase{"ZeroCount", kConvertBatch, 2,
                   u"tq.ini: [Trelvick] ΠλήθοςΜετατροπέων: value '0' is not a count of 1 or more"_s,
                   u"[Trelvick]\nΠλήθοςΜετατροπέων=0"_s},
        StatusCase{"HugeCount", kConvertBatch, 2,
                   u"tq.ini: [Trelvick] ΠλήθοςΜετατροπέων: value '40000' lies outside -32768..32767"_s,
                   u"[Trelvick]\nΠλήθοςΜετατροπέων=40000"_s},
        StatusCase{"DescriptionAboveCount", kConvertBatch, 2,
                   u"tq.ini: [ΠεριγραφήΜετατροπέων]: no description for the keys Μ1..Μ2"_s,
                   u"[Trelvick]\nΠλήθοςΜετατροπέων=2\n[ΠεριγραφήΜετατροπέων]\nΜ3=x"_s},
        // A viewer path whose test fails stops the window, so it stops the converter too.
        StatusCase{
            "ViewerPathFailureUnlocated", kConvertBatch, 2,
            u"tq.ini: [Trelvick] ΓρήγορηΠροβολή: path '%d/loop' cannot be checked: Too many levels of symbolic links"_s,
            u"[Trelvick]\nΓρήγορηΠροβολή=%d/loop\nΠλήθοςΜετατροπέων=1\n[ΠεριγραφήΜετατροπέων]\nΜ1=x"_s},
        StatusCase{"MissingFile", u"--config=%d/none --list"_s, 2,
                   u"trelvick-convert: %d/none: no such configuration file"_s},
        StatusCase{"FolderTakenForMissingFile", u"--config=%d/folder --list"_s, 2,
                   u"%d/folder: is a folder, not a configuration file"_s},
        StatusCase{"LargeFileRead", u"--config=%d/big.ini --list"_s, 2,
                   u"%d/big.ini: the configuration file is larger than 16 MiB"_s},
        StatusCase{"DeviceErrorTakenForMissingEntry", u"--config=/proc/self/mem --list"_s, 2,
                   u"/proc/self/mem: the configuration file cannot be read: Input/output error"_s},
        StatusCase{"GreekHelp", u"--help"_s, 0, u"Κατάσταση εξόδου: 0 επιτυχία"_s, {}, {}, kGreek},
        // A file that exists but breaks a rule says which rule; a FIFO or device is never read.
        StatusCase{"HiddenFileCalledMissing", u"--config=%d/.hidden.ini --list"_s, 2,
                   u"%d/.hidden.ini: a hidden file (its name begins with '.'), so not read as the configuration "
                   u"file"_s},
        StatusCase{"FifoCalledMissing", u"--config=%d/fifo --list"_s, 2,
                   u"%d/fifo: not a regular file (a FIFO, a device or a socket), so not read as the configuration "
                   u"file"_s},
        StatusCase{"DeviceCalledMissing", u"--config=/dev/zero --list"_s, 2, u"/dev/zero: not a regular file"_s},
        // Every name, key, value and description echoed is escaped, the backslash included.
        StatusCase{"ConfigNameEchoedRaw", u"--config=%d/x%e[31m --list"_s, 2,
                   u"%d/x\\x1b[31m: no such configuration file"_s},
        StatusCase{"PersonalFolderEchoedRaw",
                   u"--list"_s,
                   2,
                   u"%d/x\\x1b[31m/trelvick/tq.ini: [Trelvick] ΠλήθοςΜετατροπέων: the entry is missing"_s,
                   u"[Trelvick]"_s,
                   {},
                   u"C"_s,
                   u"%d/x%e[31m"_s},
        StatusCase{"ConverterNameEchoedRaw", u"-c M%e[31m7 %d/in.txt %d/out"_s, 2,
                   u"no converter 'M\\x1b[31m7' (see --list)"_s},
        StatusCase{"UnknownOptionEchoedRaw", u"--list --x%e[31m"_s, 2, u"unknown option '--x\\x1b[31m'"_s},
        StatusCase{"StrayOperandEchoedRaw", u"--list a\\x1b%e"_s, 2, u"unexpected operand 'a\\\\x1b\\x1b'"_s},
        StatusCase{"CountValueEchoedRaw", kConvertBatch, 2,
                   u"tq.ini: [Trelvick] ΠλήθοςΜετατροπέων: value '0\\x1b[31m' is not a count of 1 or more"_s,
                   u"[Trelvick]\nΠλήθοςΜετατροπέων=0%e[31m"_s},
        StatusCase{"ProgramPathEchoedRaw", kConvertBatch, 2,
                   u"ΓρήγορηΠροβολή: path '%d/loop/%e' cannot be checked"_s.replace(u"%e"_s, u"\\x1b"_s),
                   u"[Trelvick]\nΓρήγορηΠροβολή=%d/loop/%e\nΠλήθοςΜετατροπέων=1\n[ΠεριγραφήΜετατροπέων]\nΜ1=x"_s},
        StatusCase{"CodeValueEchoedRaw", kConvertBatch, 2, u"tq.ini: [Μ1] 66: value '1\\x1b' is not a code 0..255"_s,
                   kHead + u"[Μ1]\n66=1%e"_s},
        StatusCase{"DescriptionListedRaw", u"--list"_s, 0, u"Μ1\ta\\x1b[2J\\\\x1b\n"_s,
                   u"[Trelvick]\nΠλήθοςΜετατροπέων=1\n[ΠεριγραφήΜετατροπέων]\nΜ1=a%e[2J\\x1b"_s},
        StatusCase{"DescriptionShownRaw", u"--show=1"_s, 0, u"; a\\x1b[2J\\\\x1b\n[Μ1]\n"_s,
                   u"[Trelvick]\nΠλήθοςΜετατροπέων=1\n[ΠεριγραφήΜετατροπέων]\nΜ1=a%e[2J\\x1b\n[Μ1]\n1=2"_s}),
    [](const auto& info) { return std::string(info.param.name); });

// --- standard streams, descriptors and signals, as a shell hands them over ---------------------------

// How the test hands one descriptor to the program.
enum class Given
{
    Inherited, // the test's own (/dev/null for standard input)
    Closed,
    Log,      // "log", holding "LOG 1\n", opened for appending
    HeadFoot, // "log" opened for writing; "HEAD\n" written before the program runs, "FOOT\n" after
};

struct StreamCase
{
    const char* name;
    QString arguments; // parted at spaces; %d is the folder
    Given input, output, fd3;
    int status;
    QString message; // in standard error
    QByteArray log;  // what "log" holds afterwards, unless null
    rlim_t fileSize = RLIM_INFINITY;
};

class Streams : public Cli, public testing::WithParamInterface<StreamCase>
{
protected:
    // Runs the program with descriptors 0, 1 and 3 as given and standard error into "err"; -1 when
    // it has not ended after 20 s.
    int runWith(const QStringList& arguments, const std::array<int, 4>& fds, rlim_t fileSize) const
    {
        std::vector<QByteArray> bytes{QByteArray(TRELVICK_CONVERT_PATH)};
        for (const QString& argument : arguments)
            bytes.push_back(QFile::encodeName(argument));
        std::vector<char*> argv;
        for (QByteArray& argument : bytes)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        const QByteArray home = "XDG_CONFIG_HOME=" + native(u"config"_s);
        char* envp[] = {const_cast<char*>(home.constData()), const_cast<char*>("LANG=C"), nullptr};
        const pid_t child = ::fork();
        if (child == 0) {
            int high[4];
            for (int i = 0; i < 4; ++i) // out of the way first, so that no dup2 takes another's number
                high[i] = fds[i] >= 0 ? ::fcntl(fds[i], F_DUPFD, 10) : -1;
            for (int i = 0; i < 4; ++i) {
                if (high[i] >= 0)
                    ::dup2(high[i], i);
                else
                    ::close(i);
            }
            const rlimit limit = {fileSize, RLIM_INFINITY};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::execve(argv[0], argv.data(), envp);
            ::_exit(127);
        }
        int status = 0;
        for (int waited = 0; ::waitpid(child, &status, WNOHANG) == 0; ++waited) {
            if (waited == 2000) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                return -1;
            }
            ::usleep(10000);
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_P(Streams, StreamReplacedOrStatusWrong)
{
    const StreamCase& c = GetParam();
    write(u"in.txt"_s, "abc\r\n");
    write(u"big"_s, QByteArray(10000, 'a'));
    write(u"log"_s, "LOG 1\n");
    ASSERT_EQ(::link(native(u"log"_s).constData(), native(u"log2"_s).constData()), 0);
    ASSERT_EQ(::symlink("/dev/stdout", native(u"to-stdout"_s).constData()), 0);
    const int err = ::open(native(u"err"_s).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    auto open = [&](Given given, int inherited) {
        if (given == Given::Log)
            return ::open(native(u"log"_s).constData(), O_WRONLY | O_APPEND);
        if (given == Given::HeadFoot) {
            const int fd = ::open(native(u"log"_s).constData(), O_WRONLY | O_TRUNC);
            return ::write(fd, "HEAD\n", 5) == 5 ? fd : -1;
        }
        return given == Given::Closed ? -1 : inherited;
    };
    const std::array<int, 4> fds = {open(c.input, ::open("/dev/null", O_RDONLY)), open(c.output, 1), err,
                                    open(c.fd3, -1)};
    QStringList arguments = expand(c.arguments).split(u' ');
    EXPECT_EQ(runWith(arguments, fds, c.fileSize), c.status);
    if (c.output == Given::HeadFoot) {
        EXPECT_EQ(::write(fds[1], "FOOT\n", 5), 5);
    }
    for (const int fd : fds) {
        if (fd > 2)
            ::close(fd);
    }
    EXPECT_TRUE(read(u"err"_s).contains(c.message.toUtf8())) << read(u"err"_s).toStdString();
    if (!c.log.isNull()) {
        EXPECT_EQ(read(u"log"_s), c.log);
    }
    EXPECT_FALSE(QFile::exists(path(u"o.txt"_s)));
}

const QByteArray kConverted = "Abc\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cli, Streams,
    testing::Values(
        // A stream named as a file is written through that very descriptor: appended to, never replaced.
        StreamCase{"StandardOutputPathReplaced", u"-c 1 %d/in.txt /dev/stdout"_s, Given::Inherited, Given::Log,
                   Given::Inherited, 0, u"1 character changed"_s, "LOG 1\n" + kConverted},
        StreamCase{"WritesAroundStreamLost", u"-c 1 %d/in.txt /dev/stdout"_s, Given::Inherited, Given::HeadFoot,
                   Given::Inherited, 0, u""_s, "HEAD\n" + kConverted + "FOOT\n"},
        StreamCase{"DescriptorPathReplaced", u"-c 1 %d/in.txt /dev/fd/3"_s, Given::Inherited, Given::Inherited,
                   Given::Log, 0, u""_s, "LOG 1\n" + kConverted},
        StreamCase{"ProcDescriptorPathReplaced", u"-c 1 %d/in.txt /proc/self/fd/3"_s, Given::Inherited,
                   Given::Inherited, Given::Log, 0, u""_s, "LOG 1\n" + kConverted},
        StreamCase{"LinkToStreamReplaced", u"-c 1 %d/in.txt %d/to-stdout"_s, Given::Inherited, Given::Log,
                   Given::Inherited, 0, u""_s, "LOG 1\n" + kConverted},
        StreamCase{"StreamIntoInputAccepted", u"-c 1 %d/log /dev/stdout"_s, Given::Inherited, Given::Log,
                   Given::Inherited, 1, u"are the same file"_s, "LOG 1\n"},
        // A standard stream closed at start is one no file of the program may take the number of.
        StreamCase{"ClosedInputRead", u"-c 1 - %d/o.txt"_s, Given::Closed, Given::Inherited, Given::Inherited, 1,
                   u"(standard input): Bad file descriptor"_s, "LOG 1\n"},
        StreamCase{"ClosedOutputWritten", u"-c 1 %d/in.txt -"_s, Given::Inherited, Given::Closed, Given::Inherited, 1,
                   u"(standard output): Bad file descriptor"_s, "LOG 1\n"},
        StreamCase{"ListToClosedOutput", u"--list"_s, Given::Inherited, Given::Closed, Given::Inherited, 1,
                   u"(standard output): Bad file descriptor"_s, "LOG 1\n"},
        StreamCase{"FileSizeLimitEndsSilently", u"-c 1 %d/big %d/log"_s, Given::Inherited, Given::Inherited,
                   Given::Inherited, 1, u"log: File too large"_s, "LOG 1\n", 4096},
        // The limit holds for standard error too: the message must fit.
        StreamCase{"ListingPastFileSizeLimitEndsSilently",
                   u"--help"_s,
                   Given::Inherited,
                   Given::Log,
                   Given::Inherited,
                   1,
                   u"(standard output): File too large"_s,
                   {},
                   1000},
        StreamCase{"HardLinkBrokenSilently", u"-c 1 %d/in.txt %d/log2"_s, Given::Inherited, Given::Inherited,
                   Given::Inherited, 0, u"log2': its other name (a hard link) keeps the old text"_s, "LOG 1\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Outputs are judged against each other before anything is converted: two outputs that are one
// file are both refused, a file given twice is converted once, and a FIFO is never opened. A
// temporary file that a gone run left goes.
TEST_F(Cli, BatchOutputsCollidingOrRepeated)
{
    for (const char* name : {"a", "e", "f", "x", "y"})
        write(QString::fromLatin1(name), "a");
    write(u"f.out"_s, "old");
    write(u"y.out"_s, "old");
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const QString leftover = u".trelvick-%1-0123456789abcdef.tmp"_s.arg(gone);
    write(leftover, "old");
    ASSERT_EQ(::symlink("f.out", native(u"e.out"_s).constData()), 0);
    ASSERT_EQ(::mkfifo(native(u"x.out"_s).constData(), 0600), 0);
    QStringList arguments = {u"-c"_s, u"1"_s, u"--batch"_s};
    // The first input given again: its repeats point back to index 0.
    for (const char* name : {"a", "e", "f", "a", "./a", "x", "y"})
        arguments << path(QString::fromLatin1(name));
    const Outcome outcome = run(arguments);
    EXPECT_EQ(outcome.status, 1);
    const QString expected =
        expand(u"trelvick-convert: input '%d/e' not converted: its output '%d/e.out' is also the output of '%d/f'\n"
               "trelvick-convert: input '%d/f' not converted: its output '%d/f.out' is also the output of '%d/e'\n"
               "trelvick-convert: input '%d/a' is the same file as '%d/a': converted once\n"
               "trelvick-convert: input '%d/./a' is the same file as '%d/a': converted once\n"
               "trelvick-convert: %d/x.out: Not a regular file\n"
               "%d/a -> %d/a.out: 1 character changed\n"
               "%d/y -> %d/y.out: 1 character changed\n"
               "trelvick-convert: 3/7 files failed\n"_s);
    EXPECT_EQ(outcome.err, expected);
    EXPECT_EQ(read(u"f.out"_s), "old");
    EXPECT_EQ(read(u"a.out"_s), "A\r\n");
    // Younger than a minute: it may be another run's that has not locked it yet.
    EXPECT_TRUE(QFile::exists(path(leftover)));
}

// The program reads tq.ini from its own folder, whatever the letter case of its name, as the
// window does, unless a personal one wins over it.
TEST_F(Cli, ProgramFolderConfigMissed)
{
    ASSERT_TRUE(QDir(folder()).mkpath(u"prog"_s));
    const QString program = path(u"prog/trelvick-convert"_s);
    ASSERT_TRUE(QFile::copy(kProgram, program));
    writeIni(kHead, u"prog/TQ.INI"_s);
    EXPECT_TRUE(run({u"--list"_s}, {}, u"C"_s, {}, program).out.startsWith("Μ1\tletters\n"));
    ASSERT_TRUE(QFile::remove(config()));
    const Outcome own = run({u"--list"_s}, {}, u"C"_s, {}, program);
    EXPECT_EQ(own.status, 0) << own.err.toStdString();
    EXPECT_EQ(own.out, "Μ1\tx\n");
}

// Every file that can be converted is; one that is missing, or whose output would replace an input
// of the batch (b.txt.out, the first, so its index is 0), is reported and left as it is.
TEST_F(Cli, BatchStoppingAtFailureOrMisplacingOutputs)
{
    write(u"a.txt"_s, "a\r");
    write(u"b.txt"_s, "aa");
    write(u"b.txt.out"_s, "old result");
    const Outcome outcome = run(
        {u"-c"_s, u"Μ1"_s, u"--batch"_s, path(u"b.txt.out"_s), path(u"a.txt"_s), path(u"c.txt"_s), path(u"b.txt"_s)});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(read(u"a.txt.out"_s), "A\r\n");
    EXPECT_EQ(read(u"b.txt.out"_s), "old result");
    EXPECT_EQ(read(u"b.txt.out.out"_s), "old result\r\n");
    EXPECT_TRUE(outcome.err.contains(path(u"c.txt"_s) + u": No such file or directory"_s));
    EXPECT_TRUE(
        outcome.err.contains(u"input '%1' not converted: its output '%1.out' is an input too"_s.arg(path(u"b.txt"_s))))
        << outcome.err.toStdString();
    EXPECT_TRUE(outcome.err.contains(u"2/4 files failed"_s)) << outcome.err.toStdString();
    // A batch of one needs no count of failures.
    EXPECT_EQ(run({u"-c"_s, u"1"_s, u"--batch"_s, path(u"c.txt"_s)}).err,
              u"trelvick-convert: "_s + path(u"c.txt"_s) + u": No such file or directory\n"_s);
}

// Names are bytes: a name that is not UTF-8 is converted under its own bytes and gets ".out" after
// them; a message shows its escape character escaped. QProcess would re-encode the name, so the
// program is started by hand.
TEST_F(Cli, NameBytesChangedOrPrintedRaw)
{
    const QByteArray name = native({}) + "/\xa4\xe0\x1b[2J.txt";
    std::ofstream(name.constData()) << 'a';
    const QByteArray err = native(u"err"_s);
    const QByteArray configName = native(config());
    const char* argv[] = {TRELVICK_CONVERT_PATH, "--config", configName.constData(), "-c", "1", "--batch",
                          name.constData(),      nullptr};
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(::open(err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        ::execv(argv[0], const_cast<char**>(argv));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(::access((name + ".out").constData(), F_OK), 0);
    EXPECT_TRUE(read(u"err"_s).contains("/\\xa4\\xe0\\x1b[2J.txt.out: 1 character changed"))
        << read(u"err"_s).toStdString();
}

// In process, as a terminal may be faked there: only a terminal gets a bar, and only for a large file.
TEST_F(Cli, BarMisplaced)
{
    const struct
    {
        bool terminal;
        qsizetype size;
        bool bar;
    } cases[] = {{false, 17 << 20, false}, {true, 1 << 20, false}, {true, 17 << 20, true}};
    for (const auto& c : cases) {
        write(u"in"_s, QByteArray(c.size, 'a'));
        QFile out(path(u"stdout"_s));
        QFile err(path(u"err"_s));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly) && err.open(QIODevice::WriteOnly));
        cli::Context context;
        context.outputFd = out.handle();
        context.errorFd = err.handle();
        context.errorIsTerminal = c.terminal;
        EXPECT_EQ(cli::run({u"--config"_s, config(), u"-c"_s, u"1"_s, path(u"in"_s), u"-"_s}, context), 0);
        const QByteArray text = read(u"err"_s);
        EXPECT_EQ(text.contains("\r["), c.bar) << c.terminal << ' ' << c.size;
        EXPECT_EQ(text.contains("] 100%"), c.bar);
        EXPECT_TRUE(text.endsWith("characters changed\n"));
    }
}

} // namespace

namespace {

struct FormCase
{
    const char* name;
    QString arguments;  // parted at spaces; %d is the temporary folder
    const char* output; // the file the first input's result is read from
    QByteArray expected;
};

class EveryForm : public Cli, public testing::WithParamInterface<FormCase>
{
};

// Every converter with every delivery, through the one plan: the -c rule of line ends with a tree,
// a codepage or the guess into NAME.out beside each input.
TEST_P(EveryForm, FormRefusedOrDeliveredWrong)
{
    const FormCase& c = GetParam();
    ASSERT_TRUE(QDir(folder()).mkpath(u"in/sub"_s));
    const QByteArray greek = testsupport::iconvText("Καλημέρα σας, φίλοι μου και φίλες μου.\n", "UTF-8", "CP737");
    ASSERT_TRUE(write(u"in/a.txt"_s, greek + "a\n") && write(u"in/sub/b.txt"_s, greek) && write(u"g.txt"_s, greek));
    QStringList arguments = expand(c.arguments).split(u' ');
    const Outcome done = run(arguments);
    EXPECT_EQ(done.status, 0) << done.err.toStdString();
    QByteArray expected = c.expected;
    if (expected.isEmpty())                                                    // Μ1's table and the window's line ends
        expected = QByteArray(greek + "A\n").replace('\x80', '\xc1') + "\r\n"; // LF is a byte of the line
    EXPECT_EQ(read(QString::fromLatin1(c.output)), expected) << done.err.toStdString();
}

const FormCase kForms[] = {
    {"ConverterIntoFolder", u"-c Μ1 -r --output-dir %d/out %d/in"_s, "out/a.txt", {}},
    {"ConverterInPlace", u"-c M1 -i %d/in/a.txt"_s, "in/a.txt", {}},
    {"CodepageBatch", u"-f 737 --batch %d/g.txt"_s, "g.txt.out", "Καλημέρα σας, φίλοι μου και φίλες μου.\n"},
    {"GuessBatch", u"-f auto -t ISO-8859-7 --batch %d/g.txt"_s, "g.txt.out",
     testsupport::iconvText("Καλημέρα σας, φίλοι μου και φίλες μου.\n", "UTF-8", "ISO-8859-7")},
};
INSTANTIATE_TEST_SUITE_P(Cli, EveryForm, testing::ValuesIn(kForms),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
