// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"
#include "files/fileops.h"
#include "lang/escape.h"
#include "programrun.h"
#include "testsupport.h"
#include "treefixture.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace trelvick;
using namespace Qt::StringLiterals;
using testsupport::iconvText;
using testsupport::makePath;
using testsupport::readBytes;
using testsupport::writeBytes;
using Ran = testsupport::Ran;

namespace {

// Real Greek prose, with the letters the Greek codepages part on (Ά, the final sigma, diaeresis).
const QByteArray kGreek = "Άνοιξη στην Αθήνα: οι μαθητές διαβάζουν ποιήματα του Καβάφη και του Σεφέρη,\n"
                          "ενώ οι γονείς τους συζητούν για την οικονομία και τον καιρό. Το πρωί ήταν ήσυχο,\n"
                          "αλλά το απόγευμα η πλατεία γέμισε κόσμο, παιδιά και πουλιά. Ο ποιητής έγραψε\n"
                          "ότι η θάλασσα θυμάται όσα ξεχνούν οι άνθρωποι· αυτό το πιστεύουμε ακόμα.\n";
// A DOS screen: frames around Greek text.
const QByteArray kScreen = "╔══════════════════════════════╗\r\n"
                           "║ ΚΥΡΙΟ ΜΕΝΟΥ: επιλέξτε εργασία ║\r\n"
                           "║ 1. Καταχώρηση πελατών        ║\r\n"
                           "║ 2. Εκτύπωση τιμολογίων       ║\r\n"
                           "╚══════════════════════════════╝\r\n";

QByteArray crlf(QByteArray text)
{
    return text.replace("\n", "\r\n");
}

// Bytes that no codepage reads as text: a picture's and an archive's.
QByteArray binary(const QByteArray& head)
{
    QByteArray bytes = head;
    quint32 x = 12345;
    for (int i = 0; i < 3000; ++i) {
        x = x * 1103515245u + 12345u;
        bytes += char(x >> 24);
    }
    return bytes;
}

struct Source
{
    QByteArray name;    // as it lies in the archive, in bytes
    QByteArray newName; // after --names, UTF-8
    QByteArray bytes;
    const char* codepage; // nullptr: copied as it is
};

// A folder copied from old floppies: every codepage an old Greek archive holds, and what is not text.
QList<Source> archive()
{
    const QByteArray menu737 = iconvText("ΜΕΝΟΥ.TXT", "UTF-8", "CP737");
    const QByteArray folder8859 = iconvText("Έγγραφα", "UTF-8", "ISO-8859-7");
    return {
        {"dos/notes737.txt", {}, iconvText(crlf(kGreek), "UTF-8", "CP737"), "CP737"},
        {"dos/" + menu737, "dos/ΜΕΝΟΥ.TXT", iconvText(kScreen, "UTF-8", "CP737"), "CP737"},
        {"dos/old869.txt", {}, iconvText(crlf(kGreek), "UTF-8", "CP869"), "CP869"},
        {folder8859 + "/win.txt", "Έγγραφα/win.txt", iconvText(kGreek, "UTF-8", "CP1253"), "CP1253"},
        {folder8859 + "/deep/web.txt", "Έγγραφα/deep/web.txt", iconvText(kGreek, "UTF-8", "ISO-8859-7"), "ISO-8859-7"},
        {"utf8.txt", {}, kGreek, "UTF-8"},
        {"readme.txt", {}, "Plain ASCII notes\r\n", "ASCII"},
        {"empty.txt", {}, {}, "ASCII"},
        {"photo.png", {}, binary("\x89PNG\r\n\x1a\n"), nullptr},
        {"backup.zip", {}, binary(QByteArray("PK\x03\x04\x14\0\0\0", 8)), nullptr},
    };
}

class Tree : public testsupport::TreeFixture
{
protected:
    void makeArchive(const QString& root) const
    {
        for (const Source& source : archive()) {
            const QByteArray name = native(root) + '/' + source.name;
            ASSERT_TRUE(makePath(name.left(name.lastIndexOf('/'))));
            ASSERT_TRUE(writeBytes(name, source.bytes));
        }
        ASSERT_TRUE(QFile::link(u"utf8.txt"_s, path(root + u"/link.txt"_s)));
        ASSERT_EQ(::mkfifo(native(root + u"/dos/pipe"_s).constData(), 0600), 0);
    }
};

// The archive into an output tree: every text as iconv converts it, the rest byte for byte, names in
// UTF-8, one report line per file in the order walked, the inputs left as they were.
TEST_F(Tree, ArchiveOutputDiffersFromIconv)
{
    makeArchive(u"in"_s);
    const auto before = snapshot(u"in"_s);
    const Ran done = run({u"-r"_s, u"-f"_s, u"auto"_s, u"--names"_s, u"--report=tsv"_s, u"-j"_s, u"3"_s,
                          u"--output-dir"_s, path(u"out"_s), path(u"in"_s)});
    EXPECT_EQ(done.status, 0) << done.err.toStdString();
    EXPECT_EQ(snapshot(u"in"_s), before);

    const auto after = snapshot(u"out"_s);
    QStringList files;
    for (const Source& source : archive()) {
        const QByteArray name = source.newName.isEmpty() ? source.name : source.newName;
        const QByteArray expected = source.codepage ? iconvText(source.bytes, source.codepage, "UTF-8") : source.bytes;
        EXPECT_EQ(after.value(name, "<missing>"), expected) << name.toStdString();
    }
    EXPECT_EQ(after.value("link.txt"), "->utf8.txt"); // made again, never followed
    EXPECT_FALSE(after.contains("dos/pipe"));

    const QList<QByteArray> lines = done.out.chopped(1).split('\n');
    ASSERT_EQ(lines.size(), archive().size() + 3) << done.out.toStdString();
    QByteArray walked;
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split('\t');
        ASSERT_EQ(fields.size(), 11) << line.toStdString();
        walked += fields[0].mid(path(u"in/"_s).size()) + ' ' + fields[3] + ' ' + fields[1] + '\n';
    }
    const auto escaped = [](const QByteArray& name) {
        return lang::escaped(files::decodeNativePath(name.constData())).text().toUtf8();
    };
    const QByteArray menu = escaped(iconvText("ΜΕΝΟΥ.TXT", "UTF-8", "CP737"));
    const QByteArray folder = escaped(iconvText("Έγγραφα", "UTF-8", "ISO-8859-7"));
    EXPECT_EQ(walked, "backup.zip copied \n"
                      "dos/notes737.txt converted CP737\n"
                      "dos/old869.txt converted CP869\n"
                      "dos/pipe skipped \n" +
                          ("dos/" + menu + " converted CP737\n") +
                          "empty.txt unchanged ASCII\n"
                          "link.txt copied \n"
                          "photo.png copied \n"
                          "readme.txt unchanged ASCII\n"
                          "utf8.txt unchanged UTF-8\n" +
                          (folder + " unchanged \n") + (folder + "/deep/web.txt converted ISO-8859-7\n") +
                          (folder + "/win.txt converted CP1253\n"));

    // Ran again: the same tree.
    EXPECT_EQ(run({u"-r"_s, u"-f"_s, u"auto"_s, u"--names"_s, u"--output-dir"_s, path(u"out"_s), path(u"in"_s)}).status,
              0);
    EXPECT_EQ(snapshot(u"out"_s), after);
}

// In place: every text replaced by its conversion under its new name, the original kept as a
// backup; a second run changes nothing, not even the backups.
TEST_F(Tree, InPlaceLosesOrRepeats)
{
    makeArchive(u"in"_s);
    const QStringList arguments{u"-r"_s, u"-f"_s, u"auto"_s, u"--names"_s, u"-i"_s, u"--backup"_s, path(u"in"_s)};
    const Ran done = run(arguments);
    EXPECT_EQ(done.status, 0) << done.err.toStdString();
    const auto after = snapshot(u"in"_s);
    for (const Source& source : archive()) {
        const QByteArray name = source.newName.isEmpty() ? source.name : source.newName;
        const bool converted = source.codepage && strcmp(source.codepage, "UTF-8") && strcmp(source.codepage, "ASCII");
        EXPECT_EQ(after.value(name, "<missing>"),
                  converted ? iconvText(source.bytes, source.codepage, "UTF-8") : source.bytes)
            << name.toStdString();
        const QByteArray folder = name.left(name.lastIndexOf('/') + 1);
        const QByteArray backup = folder + source.name.mid(source.name.lastIndexOf('/') + 1) + '~';
        EXPECT_EQ(after.value(backup, "<none>"), converted ? source.bytes : "<none>") << backup.toStdString();
    }
    EXPECT_EQ(after.value("link.txt"), "->utf8.txt");

    EXPECT_EQ(run(arguments).status, 0);
    EXPECT_EQ(snapshot(u"in"_s), after);
}

// Interrupted between files: the run ends by the signal, says how far it got, and every file is
// whole, either as it was or converted.
TEST_F(Tree, InterruptLeavesHalfFile)
{
    const QByteArray text = iconvText(kGreek.repeated(40), "UTF-8", "CP737");
    const QByteArray converted = iconvText(text, "CP737", "UTF-8");
    ASSERT_TRUE(QDir(folder()).mkpath(u"in"_s));
    constexpr int kFiles = 600;
    for (int i = 0; i < kFiles; ++i)
        ASSERT_TRUE(write(u"in/%1.txt"_s.arg(i, 4, 10, QChar(u'0')), text));
    QProcess process;
    process.start(QStringLiteral(TRELVICK_CONVERT_PATH),
                  {u"-r"_s, u"-f"_s, u"CP737"_s, u"-i"_s, u"-j"_s, u"1"_s, u"--report=tsv"_s, path(u"in"_s)});
    ASSERT_TRUE(process.waitForStarted());
    ASSERT_TRUE(process.waitForReadyRead(60000));
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
    const QByteArray report = process.readAllStandardOutput();
    EXPECT_TRUE(process.readAllStandardError().contains("interrupted after"));

    int done = 0;
    for (int i = 0; i < kFiles; ++i) {
        const QByteArray bytes = read(u"in/%1.txt"_s.arg(i, 4, 10, QChar(u'0')));
        EXPECT_TRUE(bytes == text || bytes == converted) << i;
        done += bytes == converted;
    }
    EXPECT_LT(done, kFiles);
    EXPECT_EQ(done, report.count('\n'));
    EXPECT_EQ(QDir(path(u"in"_s)).entryList(QDir::Files | QDir::Hidden).size(), kFiles);
}

struct UsageCase
{
    const char* name;
    QString arguments; // parted at spaces; %d is the temporary folder
    int status;
    const char* message; // in standard error
};

class TreeUsage : public Tree, public testing::WithParamInterface<UsageCase>
{
};

TEST_P(TreeUsage, WrongStatusOrMessage)
{
    const UsageCase& c = GetParam();
    ASSERT_TRUE(QDir(folder()).mkpath(u"in/sub"_s));
    ASSERT_TRUE(write(u"in/sub/greek.txt"_s, iconvText(kGreek, "UTF-8", "CP737")));
    // Two letters, which 1253 and 737 read as different words: left alone, never guessed at.
    ASSERT_TRUE(write(u"in/short.txt"_s, "\xe1\xe2"));
    ASSERT_TRUE(write(u"list"_s, native(u"in"_s)));
    QStringList arguments = c.arguments.split(u' ');
    for (QString& argument : arguments)
        argument.replace(u"%d"_s, folder());
    const Ran done = run(arguments);
    EXPECT_EQ(done.status, c.status) << done.err.toStdString();
    EXPECT_TRUE(done.err.contains(c.message)) << done.err.toStdString();
}

using testsupport::PrintTo;
const UsageCase kUsageCases[] = {
    {"UnknownTarget", u"-r -f auto -t NOSUCH -i %d/in"_s, 2, "-t 'NOSUCH': Unknown codepage"},
    {"UnknownSource", u"-r -f 7377 -i %d/in"_s, 2, "-f '7377': Unknown codepage"},
    {"UnknownNamesFrom", u"-r -f 737 --names --names-from 7377 -i %d/in"_s, 2, "--names-from '7377': Unknown codepage"},
    {"OutputInsideInput", u"-r -f auto --output-dir %d/in/sub/../out %d/in"_s, 2, "lies inside an input folder"},
    {"DoubtIsFailure", u"-r -f auto --output-dir %d/out %d/in"_s, 1, "short.txt: codepage in doubt: "},
    {"LowerBarConverts", u"-r -f auto --min-confidence 10 --output-dir %d/out %d/in"_s, 0,
     "2 files: 2 converted, 0 copied"},
    {"FixedSourceConvertsAll", u"-r -f 737 --output-dir %d/out %d/in"_s, 0, "2 files: 2 converted"},
    {"MissingList", u"--files-from %d/nothing -f auto --output-dir %d/out"_s, 2, "nothing: No such file"},
    {"FolderWithoutRecursion", u"--files-from %d/list -f auto --output-dir %d/out"_s, 1, "in: Is a directory"},
};
INSTANTIATE_TEST_SUITE_P(Tree, TreeUsage, testing::ValuesIn(kUsageCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The output folder and the folders on its way are made with the user's usual mode: run as anyone
// but root, a folder without its owner's write bit would fail every file of the run.
TEST_F(Tree, MadeFoldersLockOutTheirOwner)
{
    ASSERT_TRUE(QDir(folder()).mkpath(u"in"_s));
    ASSERT_TRUE(write(u"in/a.txt"_s, iconvText(kGreek, "UTF-8", "CP737")));
    const mode_t previous = ::umask(022);
    const Ran done = run({u"-r"_s, u"-f"_s, u"CP737"_s, u"--output-dir"_s, path(u"out/new/deeper"_s), path(u"in"_s)});
    ::umask(previous);
    EXPECT_EQ(done.status, 0) << done.err.toStdString();
    for (const QString& made : {u"out"_s, u"out/new"_s, u"out/new/deeper"_s}) {
        struct stat info;
        ASSERT_EQ(::stat(native(made).constData(), &info), 0) << made.toStdString();
        EXPECT_EQ(info.st_mode & 07777, 0755u) << made.toStdString();
    }
}

// Two names that become the same, a name already converted beside one that is not: the first keeps
// the name, nothing is overwritten, and the run says so.
TEST_F(Tree, NameClashOverwrites)
{
    const QByteArray name737 = iconvText("ΑΡΧΕΙΟ.TXT", "UTF-8", "CP737");
    const QByteArray name869 = iconvText("ΑΡΧΕΙΟ.TXT", "UTF-8", "CP869");
    ASSERT_TRUE(QDir(folder()).mkpath(u"in"_s));
    // Greek text in each name's codepage: the contents around a name tell its codepage.
    const QByteArray one = iconvText(kGreek, "UTF-8", "CP737");
    const QByteArray two = iconvText(kGreek, "UTF-8", "CP869");
    ASSERT_TRUE(writeBytes(native(u"in/"_s) + name737, one));
    ASSERT_TRUE(writeBytes(native(u"in/"_s) + name869, two));
    ASSERT_TRUE(write(u"in/ΑΡΧΕΙΟ.TXT"_s, "utf"));
    for (const QString& mode : {u"--output-dir=%1/out"_s.arg(folder()), u"-i"_s}) {
        const Ran done = run({u"-r"_s, u"-f"_s, u"auto"_s, u"--names"_s, mode, path(u"in"_s)});
        EXPECT_EQ(done.status, 1);
        EXPECT_EQ(done.err.count("is taken"), 2) << done.err.toStdString();
        const QString root = mode == u"-i"_s ? u"in"_s : u"out"_s;
        EXPECT_EQ(read(root + u"/ΑΡΧΕΙΟ.TXT"_s), "utf");
        if (mode == u"-i"_s) {
            EXPECT_TRUE(readBytes(native(u"in/"_s) + name737) == one);
            EXPECT_TRUE(readBytes(native(u"in/"_s) + name869) == two);
        }
    }
}

// Hard links and a file given twice are done once, and their names stay names of one file; an
// output already in the tree that is an input (through a link) is never written over.
TEST_F(Tree, LinkedFilesDivergeOrInputOverwritten)
{
    const QByteArray text = iconvText(kGreek, "UTF-8", "CP737");
    ASSERT_TRUE(QDir(folder()).mkpath(u"in"_s) && QDir(folder()).mkpath(u"out"_s));
    ASSERT_TRUE(write(u"in/a.txt"_s, text));
    ASSERT_EQ(::link(native(u"in/a.txt"_s).constData(), native(u"in/b.txt"_s).constData()), 0);
    ASSERT_TRUE(write(u"in/c.txt"_s, text));
    ASSERT_TRUE(QFile::link(path(u"in/c.txt"_s), path(u"out/c.txt"_s)));
    const Ran done = run({u"-r"_s, u"-f"_s, u"CP737"_s, u"--report=tsv"_s, u"--output-dir"_s, path(u"out"_s),
                          path(u"in"_s), path(u"in/a.txt"_s)});
    EXPECT_EQ(done.status, 1);
    EXPECT_EQ(read(u"in/c.txt"_s), text);
    struct stat a, b;
    ASSERT_EQ(::stat(native(u"out/a.txt"_s).constData(), &a), 0);
    ASSERT_EQ(::stat(native(u"out/b.txt"_s).constData(), &b), 0);
    EXPECT_EQ(a.st_ino, b.st_ino);
    EXPECT_EQ(read(u"out/a.txt"_s), iconvText(text, "CP737", "UTF-8"));
    // a.txt and its other name b.txt; a.txt named again is the same entry, done and counted once.
    EXPECT_EQ(done.out.count("\tconverted\t"), 2) << done.out.toStdString();

    // A name outside the tree keeps the old text, and the user hears of it.
    ASSERT_EQ(::link(native(u"in/c.txt"_s).constData(), native(u"outside.txt"_s).constData()), 0);
    const Ran inPlace = run({u"-r"_s, u"-f"_s, u"CP737"_s, u"-i"_s, path(u"in"_s)});
    EXPECT_EQ(inPlace.status, 0);
    EXPECT_TRUE(inPlace.err.contains("c.txt': its other name (a hard link) keeps the old text"))
        << inPlace.err.toStdString();
    EXPECT_EQ(read(u"outside.txt"_s), text);
    ASSERT_EQ(::stat(native(u"in/a.txt"_s).constData(), &a), 0);
    ASSERT_EQ(::stat(native(u"in/b.txt"_s).constData(), &b), 0);
    EXPECT_EQ(a.st_ino, b.st_ino);
    EXPECT_EQ(read(u"in/b.txt"_s), iconvText(text, "CP737", "UTF-8"));

    // The first name of a list, given again, is not converted a second time over its own output.
    ASSERT_TRUE(write(u"d.txt"_s, text));
    const Ran twice = run({u"--files-from"_s, u"-"_s, u"-f"_s, u"CP737"_s, u"-i"_s},
                          native(u"d.txt"_s) + '\n' + native(u"d.txt"_s) + '\n');
    EXPECT_EQ(twice.status, 0) << twice.err.toStdString();
    EXPECT_EQ(read(u"d.txt"_s), iconvText(text, "CP737", "UTF-8"));
}

// find -print0 | trelvick-convert --files-from - -0: names with line ends in them arrive whole.
TEST_F(Tree, FileListSplitWrong)
{
    const QByteArray text = iconvText(kGreek, "UTF-8", "CP737");
    ASSERT_TRUE(write(u"a\nb.txt"_s, text));
    ASSERT_TRUE(write(u"c.txt"_s, text));
    const Ran done = run({u"--files-from"_s, u"-"_s, u"-0"_s, u"-f"_s, u"auto"_s, u"--output-dir"_s, path(u"out"_s)},
                         native(u"a\nb.txt"_s) + '\0' + native(u"c.txt"_s) + '\0');
    EXPECT_EQ(done.status, 0) << done.err.toStdString();
    EXPECT_EQ(read(u"out/a\nb.txt"_s), iconvText(text, "CP737", "UTF-8"));
    EXPECT_EQ(read(u"out/c.txt"_s), iconvText(text, "CP737", "UTF-8"));
}

} // namespace
