// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/fileconversion.h"
#include "files/destination.h"
#include "files/fileops.h"
#include "files/outputtransaction.h"
#include "files/signalguard.h"

#include "lockholder.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <acl/libacl.h>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <pthread.h>
#include <sys/acl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace trelvick;
using namespace trelvick::files;
using base::Side;
using testsupport::HeldLock;
using testsupport::LockHolder;

namespace {

const QByteArray kOld = "the previous output, longer than the new one\r\n";
const QByteArray kNew = "bbc\r\nb\r\n";

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

// A process id that no process has: a child's, once it has ended.
pid_t goneProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
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
    ConversionOutcome convert(const QString& input, const QString& output, bool unnamed = true,
                              LeftoverSweep* sweep = nullptr) const
    {
        FileConversion request;
        request.input = path(input);
        request.output = path(output);
        request.unnamedTemporary = unnamed;
        request.sweep = sweep;
        return convertFile(request, aToB());
    }

    mode_t m_umask = 022;
};

// --- failures: reported with the side and the errno; nothing lost, nothing left -------------------

struct FailureCase
{
    const char* name;
    QString input;
    QString output;
    Side side;
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
    write("readonly", kOld, 0444);
    ASSERT_EQ(::symlink("loop", native("loop").constData()), 0);
    ::chmod(native("locked").constData(), 0500);
    const QStringList before = entries();
    const long descriptors = openDescriptors();
    rlimit saved = {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    if (c.errnum == EFBIG) { // a write that fails once the new file is made; SIGXFSZ must not end the test
        const rlimit small = {4, saved.rlim_max};
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    }

    const ConversionOutcome outcome = convert(c.input, c.output, unnamed);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::chmod(native("locked").constData(), 0700);
    EXPECT_EQ(outcome.error.side, c.side);
    EXPECT_EQ(outcome.error.code.value(), c.errnum) << outcome.error.code.message();
    EXPECT_EQ(read("out"), kOld);
    EXPECT_EQ(read("locked/out"), kOld);
    EXPECT_EQ(read("readonly"), kOld);
    EXPECT_EQ(status("out").st_mode & 07777, 0664u);
    EXPECT_EQ(entries(), before);
    EXPECT_EQ(openDescriptors(), descriptors);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Failure,
    testing::Combine(
        testing::Values(FailureCase{"MissingInput", u"gone"_qs, u"out"_qs, Side::Input, ENOENT},
                        FailureCase{"FolderInput", u"folder"_qs, u"out"_qs, Side::Input, EISDIR},
                        FailureCase{"UnreadableInput", u"secret"_qs, u"out"_qs, Side::Input, EACCES, true},
                        // The kernel refuses reads at address 0: a read failure after the output was begun.
                        FailureCase{"ReadFails", u"/proc/self/mem"_qs, u"out"_qs, Side::Input, EIO},
                        FailureCase{"OutputFolderMissing", u"in"_qs, u"none/out"_qs, Side::Output, ENOENT},
                        FailureCase{"OutputIsFolder", u"in"_qs, u"folder"_qs, Side::Output, EISDIR},
                        FailureCase{"OutputLinkLoop", u"in"_qs, u"loop"_qs, Side::Output, ELOOP},
                        FailureCase{"OutputFolderReadOnly", u"in"_qs, u"locked/out"_qs, Side::Output, EACCES, true},
                        // The folder may be written, the file may not: as a shell would judge it.
                        FailureCase{"ReadOnlyOutputReplaced", u"in"_qs, u"readonly"_qs, Side::Output, EACCES, true},
                        FailureCase{"DeviceFull", u"in"_qs, u"/dev/full"_qs, Side::Output, ENOSPC},
                        FailureCase{"FileSizeLimitReached", u"in"_qs, u"out"_qs, Side::Output, EFBIG}),
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
    bool outputIsLink = false;
    bool inputByDescriptor = false;
    std::int64_t otherNames = 0;
};

class Target : public Conversion, public testing::WithParamInterface<std::tuple<TargetCase, bool>>
{
};

TEST_P(Target, ResultMisplacedOrPermissionsChanged)
{
    const auto& [c, unnamed] = GetParam();
    ASSERT_TRUE(QDir(folder()).mkpath(u"sub"_qs));
    write("precious", kOld, 0640);
    ASSERT_EQ(::symlink("precious", native(".o").constData()), 0);
    ASSERT_EQ(::symlink("../sub/later", native("sub/dangling").constData()), 0);
    write("special", kOld, 06755);
    ASSERT_EQ(::link(native("out").constData(), native("other name").constData()), 0);
    const bool root = ::geteuid() == 0;
    if (root) { // a replaced output keeps its owner where the process may set it
        ASSERT_EQ(::chown(native("precious").constData(), 4321, 4321), 0);
    }

    const long descriptors = openDescriptors();
    FileConversion request;
    QFile input(path(u"in"_qs));
    ASSERT_TRUE(input.open(QIODevice::ReadOnly));
    if (c.inputByDescriptor)
        request.inputFd = input.handle();
    else
        request.input = path(u"in"_qs);
    request.output = path(c.output);
    request.unnamedTemporary = unnamed;
    const ConversionOutcome outcome = convertFile(request, aToB());
    input.close();
    EXPECT_EQ(openDescriptors(), descriptors);
    ASSERT_TRUE(outcome.ok()) << outcome.error.code.message();
    EXPECT_EQ(outcome.counts.changed, 2);
    EXPECT_EQ(outcome.otherNames, c.otherNames);
    EXPECT_EQ(read(c.result), kNew);
    EXPECT_EQ(status(c.result).st_mode & 07777, c.mode);
    EXPECT_EQ(S_ISLNK(status(c.output).st_mode), c.outputIsLink);
    if (root && c.result == u"precious"_qs) {
        EXPECT_EQ(status(c.result).st_uid, 4321u);
    }
    EXPECT_EQ(read(u"other name"_qs), kOld);
    for (const QString& name : entries())
        EXPECT_FALSE(name.contains(u".trelvick-"_qs)) << name.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Files, Target,
    testing::Combine(
        testing::Values(TargetCase{"NewTakesInputMode", u"new"_qs, u"new"_qs, 0600},
                        TargetCase{"NewFromDescriptorTakesItsMode", u"new"_qs, u"new"_qs, 0600, false, true},
                        TargetCase{"ReplacedKeepsItsMode", u"out"_qs, u"out"_qs, 0664, false, false, 1},
                        // A write by anyone but root clears these bits.
                        TargetCase{"SpecialBitsLost", u"special"_qs, u"special"_qs, 06755},
                        TargetCase{"DotLinkReplaced", u".o"_qs, u"precious"_qs, 0640, true},
                        TargetCase{"DanglingLinkReplaced", u"sub/dangling"_qs, u"sub/later"_qs, 0600, true}),
        testing::Bool()),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "" : "Named");
    });

// A link followed from a working folder deeper than the longest path the system takes, or whose
// target lies that deep, still has its file replaced rather than written over in place.
TEST_F(Conversion, DeepLinkWrittenInPlace)
{
    const QByteArray step = QByteArray(200, 'd') + '/';
    const QByteArray top = QFile::encodeName(folder());
    const int start = ::open(".", O_PATH | O_DIRECTORY);
    ASSERT_EQ(::chdir(top.constData()), 0);
    ASSERT_EQ(::symlink((step.repeated(12) + "half").constData(), "long link"), 0);
    for (int depth = 1; depth <= 24; ++depth) { // 24 * 201 bytes: more than PATH_MAX
        ASSERT_TRUE(::mkdir(step.constData(), 0700) == 0 && ::chdir(step.constData()) == 0);
        if (depth == 12) {
            ASSERT_EQ(::symlink((step.repeated(12) + "out").constData(), "half"), 0);
        }
    }
    ASSERT_EQ(::symlink("out", "deep link"), 0);
    for (const QByteArray& link : {QByteArray("deep link"), top + "/long link"}) {
        const int old = ::open("out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_EQ(::write(old, kOld.constData(), std::size_t(kOld.size())), kOld.size());
        ::close(old);
        FileConversion request;
        request.input = path(u"in"_qs);
        request.output = QString::fromUtf8(link);
        const ConversionOutcome outcome = convertFile(request, aToB());
        EXPECT_TRUE(outcome.ok()) << outcome.error.code.message();
        char bytes[100] = {};
        const int result = ::open("out", O_RDONLY);
        EXPECT_EQ(::read(result, bytes, sizeof bytes), kNew.size());
        ::close(result);
        EXPECT_EQ(QByteArray(bytes), kNew) << link.toStdString();
    }
    // Taken down by hand: no path reaches the bottom.
    ::unlink("out");
    ::unlink("deep link");
    for (int depth = 24; depth >= 1; --depth) {
        ::unlink("half");
        ASSERT_TRUE(::chdir("..") == 0 && ::rmdir(step.constData()) == 0);
    }
    ASSERT_EQ(::fchdir(start), 0);
    ::close(start);
}

// A replaced output's access control list and extended attributes go to its replacement: a deny
// entry lost would widen access. Skipped where the file system has neither.
TEST_F(Conversion, AclOrAttributesDropped)
{
    acl_t acl = ::acl_from_text("u::rw-,u:nobody:---,g::rw-,m::rw-,o::r--");
    const int aclSet = ::acl_set_file(native("out").constData(), ACL_TYPE_ACCESS, acl);
    ::acl_free(acl);
    if (aclSet != 0 || ::setxattr(native("out").constData(), "user.origin", "dos", 3, 0) != 0)
        GTEST_SKIP() << "no ACLs or extended attributes here: " << std::strerror(errno);
    auto aclText = [&] {
        acl_t found = ::acl_get_file(native("out").constData(), ACL_TYPE_ACCESS);
        char* text = ::acl_to_any_text(found, nullptr, ',', 0);
        const std::string shown = text ? text : "";
        ::acl_free(text);
        ::acl_free(found);
        return shown;
    };
    const std::string before = aclText();
    for (const bool unnamed : {true, false}) {
        ASSERT_TRUE(convert(u"in"_qs, u"out"_qs, unnamed).ok());
        EXPECT_EQ(read("out"), kNew);
        EXPECT_EQ(aclText(), before);
        char value[8] = {};
        EXPECT_EQ(::getxattr(native("out").constData(), "user.origin", value, sizeof value), 3);
        EXPECT_STREQ(value, "dos");
    }
}

// A sweep as one that begins two minutes from now sees it: every file made so far is old.
LeftoverSweep laterSweep()
{
    return LeftoverSweep(std::chrono::system_clock::now() + std::chrono::minutes(2));
}

// A temporary file that a gone run left is removed by the next run into the folder; a running
// process's, a name that is not one of ours, and anything but a regular file under our name, stay.
TEST_F(Conversion, LeftoverKeptOrLiveOnesRemoved)
{
    const pid_t dead = goneProcess();
    const QString gone = u".trelvick-%1-0123456789abcdef.tmp"_qs.arg(dead);
    const QString running = u".trelvick-%1-0123456789abcdef.tmp"_qs.arg(::getppid());
    const QString foreign = u".trelvick-%1-not-ours.tmp"_qs.arg(dead);
    const QString link = u".trelvick-%1-1111111111111111.tmp"_qs.arg(dead);
    const QString fifo = u".trelvick-%1-2222222222222222.tmp"_qs.arg(dead);
    const QString folder = u".trelvick-%1-3333333333333333.tmp"_qs.arg(dead);
    for (const QString& name : {gone, running, foreign})
        ASSERT_TRUE(write(name, kOld));
    ASSERT_EQ(::symlink("in", native(link).constData()), 0);
    ASSERT_EQ(::mkfifo(native(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QDir(path(folder)).mkpath(u"."_qs));
    LeftoverSweep sweep = laterSweep();
    ASSERT_TRUE(convert(u"in"_qs, u"out"_qs, true, &sweep).ok());
    QStringList kept{foreign, running, link, fifo, folder, u"in"_qs, u"out"_qs};
    kept.sort();
    EXPECT_EQ(entries(), kept);
}

struct SweepCase
{
    const char* name;
    std::optional<HeldLock> held; // by another process, whose id the name does not give
    bool old;
    bool removed;
};

class Sweep : public Conversion, public testing::WithParamInterface<SweepCase>
{
};

// The id in a name tells nothing of a run in another container or on another machine: the sweep
// removes only a leftover that no process holds a lock of either kind on, and that is not young.
TEST_P(Sweep, LiveOrYoungTemporaryFileRemoved)
{
    const SweepCase& c = GetParam();
    const QString leftover = u".trelvick-%1-0123456789abcdef.tmp"_qs.arg(goneProcess());
    ASSERT_TRUE(write(leftover, kOld));
    const std::optional<LockHolder> holder =
        c.held ? std::make_optional<LockHolder>(native(leftover), *c.held) : std::nullopt;
    ASSERT_TRUE(!holder || holder->held());
    LeftoverSweep sweep = c.old ? laterSweep() : LeftoverSweep();
    ASSERT_TRUE(convert(u"in"_qs, u"out"_qs, true, &sweep).ok());
    EXPECT_EQ(entries().contains(leftover), !c.removed);
}

INSTANTIATE_TEST_SUITE_P(Files, Sweep,
                         testing::Values(SweepCase{"Abandoned", std::nullopt, true, true},
                                         SweepCase{"Young", std::nullopt, false, false},
                                         SweepCase{"RecordLocked", HeldLock::Record, true, false},
                                         SweepCase{"Flocked", HeldLock::Flock, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A conversion under way holds its temporary file's locks: under a name that another run's sweep
// cannot tell alive (a hard link that names a gone process, as a run elsewhere would be named) it
// stays, and once the conversion is done, nothing holds it any more.
TEST_F(Conversion, RunningConversionsTemporaryFileSwept)
{
    ASSERT_EQ(::mkfifo(native("fifo").constData(), 0600), 0);
    ASSERT_TRUE(write("other", kOld));
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(convert(u"fifo"_qs, u"out"_qs, false).ok() ? 0 : 1);
    const int writer = ::open(native("fifo").constData(), O_WRONLY);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "a", 1), 1);
    const QString prefix = u".trelvick-%1-"_qs.arg(child);
    QString temporary;
    for (int waited = 0; temporary.isEmpty() && waited < 10000; ++waited) { // the child names it soon
        for (const QString& name : entries())
            temporary = name.startsWith(prefix) ? name : temporary;
        ::usleep(1000);
    }
    ASSERT_FALSE(temporary.isEmpty());
    const QString elsewhere = u".trelvick-%1-fedcba9876543210.tmp"_qs.arg(goneProcess());
    ASSERT_EQ(::link(native(temporary).constData(), native(elsewhere).constData()), 0);

    LeftoverSweep sweep = laterSweep();
    EXPECT_TRUE(convert(u"in"_qs, u"other"_qs, false, &sweep).ok());
    EXPECT_TRUE(entries().contains(elsewhere));
    ::close(writer);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(read("out"), "b\r\n");
    LeftoverSweep after = laterSweep();
    EXPECT_TRUE(convert(u"in"_qs, u"other"_qs, false, &after).ok());
    EXPECT_FALSE(entries().contains(elsewhere));
}

// This process from now on as on a file system that cannot rename without replacing: renameat2
// answers EINVAL, as there.
bool withoutRenameNoReplace()
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_renameat2, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EINVAL),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program = {static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// There a new output and a rename go by link and unlink instead, and must succeed as such, still
// refusing a taken name.
TEST_F(Conversion, LinkInsteadOfRenameFailed)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (!withoutRenameNoReplace())
            ::_exit(77);
        const bool converted = convert(u"in"_qs, u"new"_qs, false).ok();
        const bool renamed = !renameNoReplace(path(u"new"_qs), path(u"moved"_qs));
        const bool refused = renameNoReplace(path(u"in"_qs), path(u"out"_qs)).is(EEXIST);
        ::_exit(converted && renamed && refused ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "no system call filters here";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(read("moved"), kNew);
    EXPECT_EQ(read("out"), kOld);
    EXPECT_EQ(entries(), (QStringList{u"in"_qs, u"moved"_qs, u"out"_qs}));
}

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

// --- streams and signals ------------------------------------------------------------------------------

// Only a descriptor spelt as its bare number is a stream: a look-alike is a name in /proc, never
// descriptor 1 written through.
TEST(Destination, LookAlikeTakenForDescriptor)
{
    const struct
    {
        const char* path;
        bool stream;
    } cases[] = {
        {"/dev/fd/1", true},   {"/proc/self/fd/1", true}, {"/dev/fd/01", false}, {"/dev/fd/-1", false},
        {"/dev/fd/1x", false}, {"/dev/fd/+1", false},     {"/dev/fd/ 1", false}, {"/dev/fd/", false},
    };
    for (const auto& c : cases) {
        const base::Expected<Destination> found = findDestination(c.path);
        const bool stream = found && found->kind == Destination::Kind::Stream;
        EXPECT_EQ(stream, c.stream) << c.path;
        EXPECT_TRUE(!stream || found->stream == 1) << c.path;
    }
}

// Termination signals are held only where the caller neither ignores nor blocks them, and the
// caller's mask is as it was afterwards.
TEST(SignalGuard, CallersSignalsTakenOrLeftBlocked)
{
    const struct
    {
        const char* name;
        bool hold, ignored, blocked;
        bool held;
    } cases[] = {
        {"held", true, false, false, true},
        {"not asked", false, false, false, false},
        {"ignored", true, true, false, false},
        {"blocked", true, false, true, false},
    };
    const int termination[] = {SIGINT, SIGTERM, SIGHUP};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sigset_t mask, before, during, after;
        sigemptyset(&mask);
        struct sigaction previous[3];
        for (int i = 0; i < 3; ++i) {
            struct sigaction action = {};
            action.sa_handler = c.ignored ? SIG_IGN : SIG_DFL;
            ::sigaction(termination[i], &action, &previous[i]);
            sigaddset(&mask, termination[i]);
        }
        ::pthread_sigmask(c.blocked ? SIG_BLOCK : SIG_UNBLOCK, &mask, &before);
        {
            const SignalGuard guard(c.hold);
            EXPECT_EQ(guard.holdsTermination(), c.held);
            ::pthread_sigmask(SIG_BLOCK, nullptr, &during);
        }
        ::pthread_sigmask(SIG_SETMASK, &before, &after);
        for (int i = 0; i < 3; ++i)
            ::sigaction(termination[i], &previous[i], nullptr);
        EXPECT_EQ(sigismember(&during, SIGTERM) == 1, c.held || c.blocked);
        EXPECT_EQ(sigismember(&after, SIGTERM) == 1, c.blocked);
    }
}

} // namespace
