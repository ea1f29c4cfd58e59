// SPDX-License-Identifier: GPL-3.0-or-later
// trelvick-convert run as a process under the limits a system or a user sets (ulimit -u, ulimit -v):
// what it cannot have ends the run with a message and status 2, never with an abort.
#include "nothreads.h"
#include "programrun.h"
#include "testsupport.h"

#include <QDir>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace trelvick;
using namespace Qt::StringLiterals;

namespace {

enum class Limit
{
    NoThread,     // not one thread may start, as where the limit of processes is reached
    Processes,    // that limit itself, which binds ordinary users only
    AddressSpace, // room for a hundred threads' stacks or so, of the thousand asked for
};

struct LimitCase
{
    const char* name;
    Limit limit;
};

class Limits : public testing::TestWithParam<LimitCase>, protected testsupport::TempFolder
{
};

// Over a folder, where the files are converted on worker threads: converted, or stopped with the
// system's reason; never an uncaught exception.
TEST_P(Limits, RunAbortedOrStatusWrong)
{
    const Limit limit = GetParam().limit;
    if (limit == Limit::Processes && ::geteuid() == 0)
        GTEST_SKIP() << "the limit of processes does not bind root";
#if defined(__SANITIZE_ADDRESS__)
    if (limit == Limit::AddressSpace)
        GTEST_SKIP() << "the address sanitizer needs more address space than any such limit leaves";
    if (limit == Limit::Processes)
        GTEST_SKIP() << "the leak check at the end needs a process of its own";
#endif
    ASSERT_TRUE(QDir(folder()).mkpath(u"in"_s));
    for (const char* name : {"in/a", "in/b", "in/c"})
        ASSERT_TRUE(write(QString::fromLatin1(name), "\xe1\xe2\r\n"));
    const auto inChild = [limit] {
        const rlimit none = {0, 0};
        const rlimit gigabyte = {rlim_t(1) << 30, rlim_t(1) << 30};
        const bool limited = limit == Limit::NoThread    ? testsupport::forbidThreads()
                             : limit == Limit::Processes ? ::setrlimit(RLIMIT_NPROC, &none) == 0
                                                         : ::setrlimit(RLIMIT_AS, &gigabyte) == 0;
        if (!limited)
            ::_exit(77);
    };
    const testsupport::Outcome outcome = testsupport::runProgram(
        QStringLiteral(TRELVICK_CONVERT_PATH),
        {u"-f"_s, u"1253"_s, u"-r"_s, path(u"in"_s), u"--output-dir"_s, path(u"out"_s), u"-j"_s, u"1000"_s}, {},
        testsupport::localeEnvironment(u"C"_s), {}, inChild);
    if (outcome.status == 77)
        GTEST_SKIP() << "the limit cannot be set here";
    if (limit == Limit::AddressSpace && outcome.status == 0) {
        EXPECT_EQ(read(u"out/c"_s), "\xce\xb1\xce\xb2\r\n");
        return;
    }
    EXPECT_EQ(outcome.status, 2) << outcome.err.toStdString();
    const QString reason =
        limit == Limit::AddressSpace ? u"Cannot allocate memory"_s : u"Resource temporarily unavailable"_s;
    EXPECT_TRUE(outcome.err.endsWith(u"trelvick-convert: stopped: "_s + reason + u'\n')) << outcome.err.toStdString();
}

// A low limit of open files (ulimit -n 24) makes the groups of results waiting for their commit smaller;
// it fails no file with "Too many open files".
TEST(Descriptors, FilesFailedUnderLowLimit)
{
    testsupport::TempFolder temp;
    ASSERT_TRUE(QDir(temp.folder()).mkpath(u"in"_s));
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(temp.write(u"in/%1"_s.arg(i), "\xe1\xe2\r\n"));
    const auto inChild = [] {
        const rlimit few = {24, 24};
        if (::setrlimit(RLIMIT_NOFILE, &few) != 0)
            ::_exit(77);
    };
    const testsupport::Outcome outcome = testsupport::runProgram(
        QStringLiteral(TRELVICK_CONVERT_PATH),
        {u"-f"_s, u"1253"_s, u"-r"_s, u"-i"_s, u"--backup"_s, u"-j"_s, u"4"_s, temp.path(u"in"_s)}, {},
        testsupport::localeEnvironment(u"C"_s), {}, inChild);
    if (outcome.status == 77)
        GTEST_SKIP() << "the limit cannot be set here";
    EXPECT_EQ(outcome.status, 0) << outcome.err.toStdString();
    EXPECT_EQ(temp.read(u"in/199"_s), "\xce\xb1\xce\xb2\r\n");
}

INSTANTIATE_TEST_SUITE_P(Cli, Limits,
                         testing::Values(LimitCase{"NoThread", Limit::NoThread},
                                         LimitCase{"Processes", Limit::Processes},
                                         LimitCase{"AddressSpace", Limit::AddressSpace}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
