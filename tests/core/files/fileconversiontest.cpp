// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/fileconversion.h"
#include "files/fileops.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace trelvick;
using namespace trelvick::files;
using Failed = ConversionOutcome::Failed;

namespace {

const QByteArray kOld = "the previous output, longer than the new one\r\n";

convert::ConversionTable aToB()
{
    std::array<int, 256> lookup;
    lookup.fill(-1);
    lookup['a'] = 'b';
    return convert::ConversionTable::fromLookup(lookup);
}

using testsupport::PrintTo;

long openDescriptors()
{
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return static_cast<long>(std::distance(begin(fds), end(fds)));
}

class Conversion : public testing::Test, protected testsupport::TempFolder
{
protected:
    void SetUp() override
    {
        m_umask = ::umask(022);
        ASSERT_TRUE(write("in", "abc\r\na", 0600));
        ASSERT_TRUE(write("out", kOld, 0664)); // wider than the umask lets a new file be
    }
    void TearDown() override { ::umask(m_umask); }

    struct stat status(const QString& name) const
    {
        struct stat info = {};
        ::lstat(native(name).constData(), &info);
        return info;
    }
    // Every name below the folder, hidden ones included, so a temporary file left behind shows.
    QStringList entries() const
    {
        QStringList names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder().toStdString()))
            names << QString::fromStdString(entry.path().lexically_relative(folder().toStdString()).string());
        names.sort();
        return names;
    }
    ConversionOutcome convert(const QString& input, const QString& output, bool unnamed = true) const
    {
        FileConversion request;
        request.input = path(input);
        request.output = path(output);
        request.unnamedTemporary = unnamed;
        return convertFile(request, aToB());
    }

    mode_t m_umask = 022;
};

// --- failures: reported with the side and the system's text; nothing lost, nothing left ------------

struct FailureCase
{
    const char* name;
    QString input;
    QString output;
    Failed side;
    int errnum;
    bool needsNonRoot = false;
};

class Failure : public Conversion, public testing::WithParamInterface<std::tuple<FailureCase, bool>>
{
};

TEST_P(Failure, OldOutputLostOrTraceLeft)
{
    const auto& [c, unnamed] = GetParam();
    if (c.needsNonRoot && ::geteuid() == 0)
        GTEST_SKIP() << "root reads and writes regardless of permissions";
    ASSERT_TRUE(QDir(folder()).mkpath(u"folder"_qs));
    ASSERT_TRUE(QDir(folder()).mkpath(u"locked"_qs));
    write("locked/out", kOld);
    write("secret", "a", 0200);
    ::chmod(native("locked").constData(), 0500);
    const QStringList before = entries();
    const long descriptors = openDescriptors();
    rlimit saved = {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    if (c.errnum == EFBIG) { // a write that fails once the temporary file is made, as on a full disk
        const rlimit small = {4, saved.rlim_max};
        ASSERT_NE(::signal(SIGXFSZ, SIG_IGN), SIG_ERR);
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    }

    const ConversionOutcome outcome = convert(c.input, c.output, unnamed);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::chmod(native("locked").constData(), 0700);
    EXPECT_EQ(outcome.failed, c.side);
    EXPECT_EQ(outcome.error, systemErrorText(c.errnum));
    EXPECT_EQ(read("out"), kOld);
    EXPECT_EQ(read("locked/out"), kOld);
    EXPECT_EQ(status("out").st_mode & 07777, 0664u);
    EXPECT_EQ(entries(), before);
    EXPECT_EQ(openDescriptors(), descriptors);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Failure,
    testing::Combine(
        testing::Values(FailureCase{"MissingInput", u"gone"_qs, u"out"_qs, Failed::Input, ENOENT},
                        FailureCase{"FolderInput", u"folder"_qs, u"out"_qs, Failed::Input, EISDIR},
                        FailureCase{"UnreadableInput", u"secret"_qs, u"out"_qs, Failed::Input, EACCES, true},
                        // The kernel refuses reads at address 0: a read failure after the output was begun.
                        FailureCase{"ReadFails", u"/proc/self/mem"_qs, u"out"_qs, Failed::Input, EIO},
                        FailureCase{"OutputFolderMissing", u"in"_qs, u"none/out"_qs, Failed::Output, ENOENT},
                        FailureCase{"OutputIsFolder", u"in"_qs, u"folder"_qs, Failed::Output, EISDIR},
                        FailureCase{"OutputFolderReadOnly", u"in"_qs, u"locked/out"_qs, Failed::Output, EACCES, true},
                        FailureCase{"DeviceFull", u"in"_qs, u"/dev/full"_qs, Failed::Output, ENOSPC},
                        FailureCase{"FileSizeLimitReached", u"in"_qs, u"out"_qs, Failed::Output, EFBIG}),
        testing::Bool()),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "" : "Named");
    });

// --- where the result goes, and with which permissions -----------------------------------------------

struct TargetCase
{
    const char* name;
    QString output;
    QString result; // where the converted bytes end up
    mode_t mode;    // of the result
    bool outputIsLink;
};

class Target : public Conversion, public testing::WithParamInterface<std::tuple<TargetCase, bool>>
{
};

TEST_P(Target, ResultMisplacedOrPermissionsWidened)
{
    const auto& [c, unnamed] = GetParam();
    ASSERT_TRUE(QDir(folder()).mkpath(u"sub"_qs));
    write("precious", kOld, 0640);
    ASSERT_EQ(::symlink("precious", native(".o").constData()), 0);
    ASSERT_EQ(::symlink("../sub/later", native("sub/dangling").constData()), 0);
    const bool root = ::geteuid() == 0;
    if (root) { // a replaced output keeps its owner where the process may set it
        ASSERT_EQ(::chown(native("precious").constData(), 4321, 4321), 0);
    }

    const long descriptors = openDescriptors();
    const ConversionOutcome outcome = convert(u"in"_qs, c.output, unnamed);
    EXPECT_EQ(openDescriptors(), descriptors);
    ASSERT_TRUE(outcome.ok()) << outcome.error.toStdString();
    EXPECT_EQ(outcome.counts.changed, 2);
    EXPECT_EQ(read(c.result), "bbc\r\nb\r\n");
    EXPECT_EQ(status(c.result).st_mode & 07777, c.mode);
    EXPECT_EQ(S_ISLNK(status(c.output).st_mode), c.outputIsLink);
    if (root && c.result == u"precious"_qs) {
        EXPECT_EQ(status(c.result).st_uid, 4321u);
    }
    for (const QString& name : entries())
        EXPECT_FALSE(name.contains(u".tq-"_qs)) << name.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Files, Target,
    testing::Combine(testing::Values(TargetCase{"NewTakesInputMode", u"new"_qs, u"new"_qs, 0600, false},
                                     TargetCase{"ReplacedKeepsItsMode", u"out"_qs, u"out"_qs, 0664, false},
                                     TargetCase{"DotLinkReplaced", u".o"_qs, u"precious"_qs, 0640, true},
                                     TargetCase{"DanglingLinkReplaced", u"sub/dangling"_qs, u"sub/later"_qs, 0600,
                                                true}),
                     testing::Bool()),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "" : "Named");
    });

class Interrupted : public Conversion, public testing::WithParamInterface<std::tuple<int, bool>>
{
};

// The input is a FIFO that the test holds open: the conversion is under way and waits for more
// when the signal comes.
TEST_P(Interrupted, TemporaryLeftOrOldOutputLost)
{
    const auto& [signal, unnamed] = GetParam();
    ASSERT_EQ(::mkfifo(native("fifo").constData(), 0600), 0);
    const QStringList before = entries();
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(convert(u"fifo"_qs, u"out"_qs, unnamed).ok() ? 0 : 1);
    const int writer = ::open(native("fifo").constData(), O_WRONLY);
    ASSERT_GE(writer, 0);
    const QByteArray block(256 * 1024, 'a'); // more than the pipe holds: the child has read some
    ASSERT_EQ(::write(writer, block.constData(), block.size()), block.size());
    ::kill(child, signal);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(writer);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_EQ(read("out"), kOld);
    EXPECT_EQ(entries(), before);
}

INSTANTIATE_TEST_SUITE_P(Files, Interrupted,
                         testing::Combine(testing::Values(SIGINT, SIGTERM, SIGHUP), testing::Bool()),
                         [](const auto& info) {
                             return std::string(sigabbrev_np(std::get<0>(info.param))) +
                                    (std::get<1>(info.param) ? "" : "Named");
                         });

// --- a batch whose outputs would replace its own inputs -----------------------------------------------

TEST_F(Conversion, BatchConflictMissed)
{
    write("notes", "n");
    write("notes.out", "old");
    write(".a", "a");
    ASSERT_EQ(::link(native(".a").constData(), native(".a.out").constData()), 0);
    write("b", "b");
    write("c", "c");
    ASSERT_EQ(::symlink("b", native("c.out").constData()), 0);
    write("free", "f");
    const QStringList inputs = {path(u"notes"_qs), path(u"notes.out"_qs), path(u".a"_qs),
                                path(u"b"_qs),     path(u"c"_qs),         path(u"free"_qs)};
    EXPECT_EQ(batchConflicts(inputs), (QList<qsizetype>{1, -1, 2, -1, 3, -1}));
}

} // namespace
