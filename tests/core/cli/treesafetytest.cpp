// SPDX-License-Identifier: GPL-3.0-or-later
// Whole folders run on the only copy of an archive: links, losses, collisions, holes, kills, names,
// line ends, the report, read-only sources and lists without end.
#include "cli/reporter.h"
#include "programrun.h"
#include "treefixture.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <csignal>
#include <gtest/gtest.h>

using namespace trelvick;
using namespace Qt::StringLiterals;
using testsupport::iconvText;
using testsupport::readBytes;
using testsupport::writeBytes;
using Ran = testsupport::Ran;

namespace {

const QByteArray kGreek = "Άνοιξη στην Αθήνα: οι μαθητές διαβάζουν ποιήματα του Καβάφη και του Σεφέρη,\n"
                          "ενώ οι γονείς τους συζητούν για την οικονομία και τον καιρό.\n";
const QByteArray k737 = iconvText(kGreek, "UTF-8", "CP737");
const QByteArray k737AsUtf8 = iconvText(k737, "CP737", "UTF-8");

bool isLink(const QByteArray& path)
{
    struct stat info;
    return ::lstat(path.constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

class TreeSafety : public testsupport::TreeFixture
{
protected:
    void SetUp() override { ASSERT_TRUE(QDir(folder()).mkpath(u"in"_s)); }
    // The entries of a folder that this program may have left behind.
    qsizetype leftovers(const QString& folder) const
    {
        return QDir(path(folder)).entryList({u".trelvick-*"_s}, QDir::Files | QDir::Hidden | QDir::System).size();
    }
};

// A link named as an input, whether listed (find -print0) or given on the command line, never leaves
// a backup that is a link: a listed link is a link and stays one; a named one leads to its file, which
// is converted and backed up beside itself.
TEST_F(TreeSafety, LinkInputLosesOriginal)
{
    ASSERT_TRUE(write(u"in/real.txt"_s, k737));
    ASSERT_TRUE(QFile::link(u"real.txt"_s, path(u"in/link.txt"_s)));
    const Ran listed = run({u"--files-from"_s, u"-"_s, u"-0"_s, u"-f"_s, u"auto"_s, u"-i"_s, u"--backup"_s},
                           native(u"in/link.txt"_s) + '\0');
    EXPECT_EQ(listed.status, 0) << listed.err.toStdString();
    EXPECT_EQ(read(u"in/real.txt"_s), k737);
    EXPECT_TRUE(isLink(native(u"in/link.txt"_s)));
    EXPECT_FALSE(QFile::exists(path(u"in/link.txt~"_s)));

    const Ran named = run({u"-f"_s, u"auto"_s, u"-i"_s, u"--backup"_s, path(u"in/link.txt"_s)});
    EXPECT_EQ(named.status, 0) << named.err.toStdString();
    EXPECT_EQ(read(u"in/real.txt"_s), k737AsUtf8);
    EXPECT_FALSE(isLink(native(u"in/real.txt~"_s)));
    EXPECT_EQ(read(u"in/real.txt~"_s), k737);
    EXPECT_TRUE(isLink(native(u"in/link.txt"_s)));
    EXPECT_FALSE(QFile::exists(path(u"in/link.txt~"_s)));
}

// In place, a file that would lose a byte (1253 leaves 0xAA undefined) is left as it was unless the
// user says --lossy, and then the report counts what was lost.
TEST_F(TreeSafety, LossInPlaceSilent)
{
    const QByteArray text = iconvText("Καλημέρα σας, φίλοι μου.\n", "UTF-8", "CP1253") + "\xaa\n";
    ASSERT_TRUE(write(u"in/w.txt"_s, text));
    const QStringList arguments{u"-r"_s, u"-f"_s, u"CP1253"_s, u"-i"_s, u"--report=tsv"_s, path(u"in"_s)};
    const Ran refused = run(arguments);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(read(u"in/w.txt"_s), text);
    EXPECT_TRUE(refused.out.contains("\tskipped\t0\t1\t\t1 byte would be lost\tGreek\t\t\n"))
        << refused.out.toStdString();

    const Ran lossy = run(arguments + QStringList{u"--lossy"_s});
    EXPECT_EQ(lossy.status, 0) << lossy.err.toStdString();
    EXPECT_EQ(read(u"in/w.txt"_s), iconvText(text.chopped(2), "CP1253", "UTF-8") + "\xef\xbf\xbd\n");
    EXPECT_TRUE(lossy.out.contains("\tconverted\t")) << lossy.out.toStdString();
    EXPECT_TRUE(lossy.out.contains("\tconverted\t19\t1\t\t\tGreek\t\t\n")) << lossy.out.toStdString();
}

// A codepage the user names is honoured even where the bytes also read as UTF-8 (όχι in 737 is one
// Chinese character); the guess never converts UTF-8 that holds a stray byte of another codepage.
TEST_F(TreeSafety, UserOverriddenOrUtf8ConvertedTwice)
{
    const QByteArray ochi = iconvText("όχι\n", "UTF-8", "CP737");
    ASSERT_NE(iconvText(ochi, "UTF-8", "UTF-16LE"), "<iconv refused>");
    ASSERT_TRUE(write(u"in/ochi.txt"_s, ochi));
    const QByteArray stray = kGreek + "Don\x92t panic.\n";
    ASSERT_TRUE(write(u"stray/s.txt"_s, stray) ||
                (QDir(folder()).mkpath(u"stray"_s) && write(u"stray/s.txt"_s, stray)));
    const Ran named = run({u"-r"_s, u"-f"_s, u"CP737"_s, u"-i"_s, path(u"in"_s)});
    EXPECT_EQ(named.status, 0) << named.err.toStdString();
    EXPECT_EQ(read(u"in/ochi.txt"_s), "όχι\n");

    const Ran guessed = run({u"-r"_s, u"-f"_s, u"auto"_s, u"-i"_s, path(u"stray"_s)});
    EXPECT_EQ(guessed.status, 1);
    EXPECT_EQ(read(u"stray/s.txt"_s), stray);
}

// Two inputs whose results land on one output: the first in input order has it, whatever the number
// of workers, and the later one is refused and reported.
TEST_F(TreeSafety, CollisionOverwritesSilently)
{
    ASSERT_TRUE(QDir(folder()).mkpath(u"in/a"_s) && QDir(folder()).mkpath(u"in/b"_s));
    ASSERT_TRUE(write(u"in/a/x.txt"_s, k737));
    ASSERT_TRUE(write(u"in/b/x.txt"_s, iconvText("Δεύτερο αρχείο, άλλο κείμενο.\n", "UTF-8", "CP737")));
    for (const QStringList& inputs :
         {QStringList{path(u"in/a"_s), path(u"in/b"_s)}, QStringList{path(u"in/a/x.txt"_s), path(u"in/b/x.txt"_s)}}) {
        const Ran done =
            run(QStringList{u"-r"_s, u"-f"_s, u"CP737"_s, u"-j"_s, u"2"_s, u"--output-dir"_s, path(u"out"_s)} + inputs);
        EXPECT_EQ(done.status, 1);
        EXPECT_EQ(read(u"out/x.txt"_s), k737AsUtf8);
        EXPECT_TRUE(done.err.contains("b/x.txt: would overwrite a result of this run")) << done.err.toStdString();
        EXPECT_TRUE(done.err.contains("2 files: 1 converted, 0 copied, 0 unchanged, 0 skipped, 1 failed"));
    }
}

// A sparse file is copied with its holes; in place, a file that is not text is left alone.
TEST_F(TreeSafety, SparseCopiedDense)
{
    const QByteArray head("PK\x03\x04\x14\0\0\0", 8);
    constexpr off_t kSize = off_t(64) << 20;
    const int fd = ::open(native(u"in/big.zip"_s).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, head.constData(), std::size_t(head.size()), 0), head.size());
    ASSERT_EQ(::pwrite(fd, head.constData(), std::size_t(head.size()), kSize - head.size()), head.size());
    ::close(fd);
    struct stat source;
    ASSERT_EQ(::stat(native(u"in/big.zip"_s).constData(), &source), 0);
    if (source.st_blocks * 512 >= kSize / 2)
        GTEST_SKIP() << "the temporary folder's file system keeps no holes";
    const Ran done = run({u"-r"_s, u"-f"_s, u"auto"_s, u"--output-dir"_s, path(u"out"_s), path(u"in"_s)});
    EXPECT_EQ(done.status, 0) << done.err.toStdString();
    struct stat copy;
    ASSERT_EQ(::stat(native(u"out/big.zip"_s).constData(), &copy), 0);
    EXPECT_EQ(copy.st_size, kSize);
    EXPECT_LT(copy.st_blocks * 512, kSize / 2);
    EXPECT_EQ(read(u"out/big.zip"_s), read(u"in/big.zip"_s));
}

// Killed at random moments, in place with backups, then run again until it finishes: every file ends
// converted, every backup holds its original, and no run fails on what an earlier one left (a backup
// that is still a second name of its untouched original included).
TEST_F(TreeSafety, KilledRunWedgesOrDiverges)
{
    constexpr int kFiles = 120;
    for (int i = 0; i < kFiles; ++i)
        ASSERT_TRUE(write(u"in/%1.txt"_s.arg(i, 3, 10, QChar(u'0')), k737 + QByteArray::number(i)));
    ASSERT_EQ(::link(native(u"in/000.txt"_s).constData(), native(u"in/000.txt~"_s).constData()), 0);
    const QStringList arguments{u"-r"_s, u"-f"_s, u"auto"_s, u"-i"_s, u"--backup"_s, u"-j"_s, u"2"_s, path(u"in"_s)};
    for (int kill = 0; kill < 6; ++kill) {
        QProcess process;
        process.start(QStringLiteral(TRELVICK_CONVERT_PATH), arguments);
        ASSERT_TRUE(process.waitForStarted());
        ::usleep(useconds_t(QRandomGenerator::global()->bounded(2000, 40000)));
        ::kill(pid_t(process.processId()), SIGKILL);
        process.waitForFinished();
    }
    QProcess last;
    last.start(QStringLiteral(TRELVICK_CONVERT_PATH), arguments);
    ASSERT_TRUE(last.waitForFinished(60000));
    EXPECT_EQ(last.exitCode(), 0) << last.readAllStandardError().toStdString();
    for (int i = 0; i < kFiles; ++i) {
        const QString name = u"in/%1.txt"_s.arg(i, 3, 10, QChar(u'0'));
        EXPECT_TRUE(read(name) == k737AsUtf8 + QByteArray::number(i)) << name.toStdString();
        EXPECT_TRUE(read(name + u'~') == k737 + QByteArray::number(i)) << name.toStdString();
    }
}

// A file named twice in one list, by two spellings of one path, is converted once and leaves nothing.
TEST_F(TreeSafety, FileNamedTwiceLeavesLink)
{
    ASSERT_TRUE(write(u"in/a.txt"_s, k737));
    const Ran done = run({u"--files-from"_s, u"-"_s, u"-f"_s, u"CP737"_s, u"-i"_s, u"--report=tsv"_s},
                         native(u"in/a.txt"_s) + '\n' + native(u"in/../in/a.txt"_s) + '\n' + native(u"in/a.txt"_s));
    EXPECT_EQ(done.status, 0) << done.err.toStdString();
    EXPECT_EQ(read(u"in/a.txt"_s), k737AsUtf8);
    EXPECT_EQ(leftovers(u"in"_s), 0);
    EXPECT_EQ(done.out.count('\n'), 1) << done.out.toStdString();
    EXPECT_TRUE(done.err.contains("1 file: 1 converted")) << done.err.toStdString();
}

// A name is renamed only when its codepage is sure: a Latin-1 name never becomes Greek; a name the
// guess cannot settle stays and is reported.
TEST_F(TreeSafety, NameGuessedBlindly)
{
    ASSERT_TRUE(writeBytes(native(u"in/"_s) + "caf\xe9.txt", "plain\n"));
    const Ran done = run({u"-r"_s, u"-f"_s, u"auto"_s, u"--names"_s, u"-i"_s, u"--report=tsv"_s, path(u"in"_s)});
    EXPECT_FALSE(QFile::exists(path(u"in/cafο.txt"_s)));
    const bool renamed = QFile::exists(path(u"in/café.txt"_s));
    EXPECT_TRUE(renamed || done.out.contains("caf\\xe9.txt\tASCII\tUTF-8\tunchanged\t0\t0\t\tname in doubt"))
        << done.out.toStdString();
    EXPECT_EQ(done.status, renamed ? 0 : 1);
}

// --eol reaches the files already in the target too: in the archive mode they change only their line ends.
TEST_F(TreeSafety, LineEndsLeftInUtf8)
{
    ASSERT_TRUE(write(u"in/u.txt"_s, "Καλημέρα\r\nσας\r\n"));
    ASSERT_TRUE(write(u"in/a.txt"_s, "plain\r\ntext\r"));
    const Ran done = run({u"-r"_s, u"-f"_s, u"auto"_s, u"--eol=lf"_s, u"-i"_s, path(u"in"_s)});
    EXPECT_EQ(done.status, 0) << done.err.toStdString();
    EXPECT_EQ(read(u"in/u.txt"_s), "Καλημέρα\nσας\n");
    EXPECT_EQ(read(u"in/a.txt"_s), "plain\ntext\n");
    EXPECT_EQ(run({u"-r"_s, u"-f"_s, u"auto"_s, u"--eol=lf"_s, u"-i"_s, u"--report=tsv"_s, path(u"in"_s)})
                  .out.count("\tunchanged\t"),
              2);
}

// The report is for scripts: its reason is never translated and a name in it is escaped once; the
// summary counts each file once and a name that could not be given as a failure.
TEST_F(TreeSafety, ReportTranslatedOrEscapedTwice)
{
    ASSERT_TRUE(write(u"in/a\tb"_s, k737));
    ASSERT_TRUE(write(u"in/a\tb~"_s, "an older backup"));
    ASSERT_TRUE(writeBytes(native(u"in/"_s) + iconvText("ΑΡΧΕΙΟ", "UTF-8", "CP737"), k737));
    ASSERT_TRUE(write(u"in/ΑΡΧΕΙΟ"_s, "taken"));
    const Ran done =
        run({u"-r"_s, u"-f"_s, u"auto"_s, u"-i"_s, u"--backup"_s, u"--names"_s, u"--report=tsv"_s, path(u"in"_s)}, {},
            lang::Language::Greek);
    EXPECT_EQ(done.status, 1);
    EXPECT_TRUE(done.out.contains("\tfailed\t0\t0\t\tbackup 'in/a\\x09b~': File exists\n") ||
                done.out.contains("a\\x09b\tCP737\tUTF-8\tfailed\t0\t0\t\tbackup '"))
        << done.out.toStdString();
    EXPECT_FALSE(done.out.contains("\\\\x09")) << done.out.toStdString();
    EXPECT_TRUE(done.out.contains("\tfailed\t0\t0\t\tname 'ΑΡΧΕΙΟ' is taken\t\t\t\n")) << done.out.toStdString();
    EXPECT_TRUE(
        done.err.contains("4 αρχεία: 0 μετατράπηκαν, 0 αντιγράφηκαν, 1 έμειναν ίδια, 1 παραλείφθηκαν, 2 απέτυχαν"))
        << done.err.toStdString();
}

// A report that cannot be written ends the run with one message, not one per file.
TEST_F(TreeSafety, ReportFailureRepeated)
{
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(write(u"in/%1.txt"_s.arg(i), k737));
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    const Ran done =
        run({u"-r"_s, u"-f"_s, u"CP737"_s, u"--report=tsv"_s, u"--output-dir"_s, path(u"out"_s), path(u"in"_s)}, {},
            lang::Language::English, full);
    ::close(full);
    EXPECT_EQ(done.status, 1);
    EXPECT_EQ(done.err.count("standard output"), 1) << done.err.toStdString();
}

// A read-only folder (a copy of a CD) is made writable in the output tree while it is filled, and
// gets its mode back after.
TEST_F(TreeSafety, ReadOnlySourceFailsEveryFile)
{
    ASSERT_TRUE(QDir(folder()).mkpath(u"in/cd"_s));
    ASSERT_TRUE(write(u"in/cd/a.txt"_s, k737));
    ASSERT_EQ(::chmod(native(u"in/cd"_s).constData(), 0555), 0);
    const Ran done = run({u"-r"_s, u"-f"_s, u"CP737"_s, u"--output-dir"_s, path(u"out"_s), path(u"in"_s)});
    ::chmod(native(u"in/cd"_s).constData(), 0755);
    EXPECT_EQ(done.status, 0) << done.err.toStdString();
    EXPECT_EQ(read(u"out/cd/a.txt"_s), k737AsUtf8);
    struct stat made;
    ASSERT_EQ(::stat(native(u"out/cd"_s).constData(), &made), 0);
    EXPECT_EQ(made.st_mode & 07777, 0555u);
    ::chmod(native(u"out/cd"_s).constData(), 0755);
}

// A list without end (find's output from /dev/zero) ends the run with a message, not memory exhausted.
TEST_F(TreeSafety, EndlessListExhaustsMemory)
{
    const Ran done = run({u"--files-from"_s, u"/dev/zero"_s, u"-0"_s, u"-f"_s, u"auto"_s, u"-i"_s});
    EXPECT_EQ(done.status, 2);
    EXPECT_TRUE(done.err.contains("/dev/zero: the list holds more than")) << done.err.toStdString();
}

// What the disk is asked: each folder is listed once per run however many files it holds, in place
// the files are flushed in groups rather than one by one, and new outputs not one by one at all.
TEST_F(TreeSafety, FlushedOrSweptPerFile)
{
    if (QProcess::execute(u"strace"_s, {u"-V"_s}) != 0)
        GTEST_SKIP() << "strace is missing";
    constexpr int kFiles = 300;
    for (int i = 0; i < kFiles; ++i)
        ASSERT_TRUE(write(u"in/%1.txt"_s.arg(i), k737));
    const auto calls = [&](const QStringList& mode) {
        QProcess strace;
        strace.start(u"strace"_s, QStringList{u"-f"_s, u"-c"_s, u"-U"_s, u"name,calls"_s, u"-e"_s,
                                              u"trace=getdents64,fsync,fdatasync,syncfs"_s, u"-o"_s, path(u"calls"_s),
                                              QStringLiteral(TRELVICK_CONVERT_PATH), u"-r"_s, u"-f"_s, u"auto"_s} +
                                      mode + QStringList{path(u"in"_s)});
        strace.waitForFinished(60000);
        QMap<QByteArray, int> counts;
        for (const QByteArray& line : read(u"calls"_s).split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() == 2)
                counts[fields[0]] = fields[1].toInt();
        }
        return counts;
    };
    const QMap<QByteArray, int> inPlace = calls({u"-i"_s});
    EXPECT_EQ(read(u"in/0.txt"_s), k737AsUtf8);
    EXPECT_LT(inPlace.value("getdents64"), 10);
    EXPECT_LT(inPlace.value("fsync") + inPlace.value("fdatasync") + inPlace.value("syncfs"), kFiles / 10);
    const QMap<QByteArray, int> intoFolder = calls({u"--output-dir"_s, path(u"out"_s)});
    EXPECT_EQ(intoFolder.value("fsync") + intoFolder.value("fdatasync"), 0);
    EXPECT_EQ(intoFolder.value("syncfs"), 1);
}

} // namespace

namespace {

// The bar of a whole job fits the terminal: its details go first, right to left, the bar shrinks last.
TEST(JobBar, BarOverflowsTerminal)
{
    const struct
    {
        int width;
        const char* line;
    } cases[] = {
        {120, "[####################--------------------]  50%  5/10 files  1.0 MiB / 2.0 MiB  512.0 KiB/s  0:02 left"},
        {60, "[##########-----------]  50%  5/10 files  1.0 MiB / 2.0 MiB"},
        {30, "[#####-----]  50%  5/10 files"},
        {12, "[##--]  50%"},
    };
    for (const auto& c : cases) {
        const QByteArray line = cli::JobBar::line(c.width, 5, 10, 1 << 20, 2 << 20, 2.0);
        EXPECT_EQ(line.toStdString(), c.line) << c.width;
        EXPECT_LT(line.size(), c.width) << c.width;
    }
}

} // namespace
