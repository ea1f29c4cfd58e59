// SPDX-License-Identifier: GPL-3.0-or-later
#include "tree/orderedjobs.h"

#include "nothreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <pthread.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace trelvick;

namespace {

// Later jobs finish first: delivery must still come in index order, each job exactly once.
TEST(OrderedJobs, DeliveredOutOfOrderOrTwice)
{
    for (const int workers : {1, 3, 8}) {
        constexpr qsizetype kCount = 40;
        std::vector<std::atomic<int>> runs(kCount);
        std::vector<qsizetype> delivered;
        const tree::JobsOutcome outcome =
            tree::runInOrder(kCount, workers,
                             {[&](qsizetype i) {
                                  std::this_thread::sleep_for(std::chrono::microseconds((kCount - i) * 50));
                                  ++runs[static_cast<std::size_t>(i)];
                              },
                              [&](qsizetype i) {
                                  EXPECT_EQ(runs[static_cast<std::size_t>(i)], 1);
                                  delivered.push_back(i);
                              },
                              {}});
        EXPECT_EQ(outcome.delivered, kCount);
        EXPECT_EQ(outcome.signal, 0);
        ASSERT_EQ(delivered.size(), std::size_t(kCount)) << workers;
        for (qsizetype i = 0; i < kCount; ++i)
            EXPECT_EQ(delivered[static_cast<std::size_t>(i)], i);
    }
}

// A signal stops the run from starting new jobs; everything started is delivered, and the signal is
// handed back instead of ending the process in the middle.
TEST(OrderedJobs, SignalEndsRunMidJobOrLosesFinishedJobs)
{
    std::atomic<qsizetype> started = 0;
    std::vector<qsizetype> delivered;
    const tree::JobsOutcome outcome = tree::runInOrder(1000, 2,
                                                       {[&](qsizetype i) {
                                                            ++started;
                                                            if (i == 5)
                                                                ::kill(::getpid(), SIGTERM);
                                                            std::this_thread::sleep_for(std::chrono::milliseconds(2));
                                                        },
                                                        [&](qsizetype i) { delivered.push_back(i); },
                                                        {}},
                                                       std::chrono::milliseconds(1));
    EXPECT_EQ(outcome.signal, SIGTERM);
    EXPECT_LT(outcome.delivered, 1000);
    EXPECT_EQ(outcome.delivered, started.load());
    EXPECT_EQ(delivered.size(), static_cast<std::size_t>(outcome.delivered));
    // Held back, not lost or left pending: the process still runs, and the mask is as it was.
    sigset_t mask;
    ::pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    EXPECT_FALSE(sigismember(&mask, SIGTERM));
}

TEST(OrderedJobs, ExceptionLostOrDeliveredPastIt)
{
    std::vector<qsizetype> delivered;
    EXPECT_THROW(tree::runInOrder(100, 3,
                                  {[](qsizetype i) {
                                       if (i == 10)
                                           throw std::runtime_error("job failed");
                                   },
                                   [&](qsizetype i) { delivered.push_back(i); },
                                   {}}),
                 std::runtime_error);
    EXPECT_LE(delivered.size(), 10u);
}

// A report that cannot be written stops the run: the workers end before its failure comes out,
// none is left running (which ends the process at once).
TEST(OrderedJobs, FailedDeliveryAbortsTheProcess)
{
    std::atomic<int> runs = 0;
    EXPECT_THROW(tree::runInOrder(1000, 4,
                                  {[&](qsizetype) {
                                       ++runs;
                                       std::this_thread::sleep_for(std::chrono::microseconds(100));
                                   },
                                   [](qsizetype i) {
                                       if (i == 3)
                                           throw std::runtime_error("report failed");
                                   },
                                   {}}),
                 std::runtime_error);
    EXPECT_LT(runs.load(), 1000);
}

// Runs the test's part in a child process; 77 from it means the case cannot be set up here.
int inChild(const std::function<int()>& part)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(part());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Leaves this process room for one more thread's stack and no more, as ulimit -v does when memory
// runs short: the rest of the room up to the limit is taken by mappings of nothing.
bool leaveRoomForOneThread()
{
    pthread_attr_t defaults;
    std::size_t stack = 0;
    if (::pthread_getattr_default_np(&defaults) != 0 || ::pthread_attr_getstacksize(&defaults, &stack) != 0)
        return false;
    long pages = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    const bool read = statm && std::fscanf(statm, "%ld", &pages) == 1;
    if (statm)
        std::fclose(statm);
    constexpr std::size_t kChunk = 1 << 20;
    std::vector<void*> chunks;
    chunks.reserve(1024);
    rlimit limit = {};
    if (!read || ::getrlimit(RLIMIT_AS, &limit) != 0)
        return false;
    limit.rlim_cur = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + 512 * kChunk;
    if (::setrlimit(RLIMIT_AS, &limit) != 0)
        return false;
    for (void* p;
         (p = ::mmap(nullptr, kChunk, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0)) != MAP_FAILED;)
        chunks.push_back(p);
    // The stack and its guard page, and a little for the thread's bookkeeping: less than a second stack.
    for (std::size_t freed = 0; freed < stack + kChunk && !chunks.empty(); freed += kChunk) {
        ::munmap(chunks.back(), kChunk);
        chunks.pop_back();
    }
    return chunks.size() > 8;
}

// Where the system lets fewer workers start than asked, the run goes on with those that did.
TEST(OrderedJobs, WorkerThatCouldNotStartAbortsTheProcess)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's own bookkeeping of a thread dies when memory runs out";
#endif
    const int status = inChild([] {
        constexpr qsizetype kCount = 50;
        std::vector<qsizetype> delivered;
        delivered.reserve(kCount);
        if (!leaveRoomForOneThread())
            return 77;
        try {
            tree::runInOrder(kCount, 8, {[](qsizetype) {}, [&](qsizetype i) { delivered.push_back(i); }, {}});
        } catch (...) {
            return 2;
        }
        for (qsizetype i = 0; i < kCount; ++i) {
            if (delivered.size() != std::size_t(kCount) || delivered[std::size_t(i)] != i)
                return 1;
        }
        return 0;
    });
    if (status == 77)
        GTEST_SKIP() << "no address-space limit to be had here";
    EXPECT_EQ(status, 0);
}

// Where not one worker can start, the run fails as the system said, and leaves the process as it
// found it: no thread of its own, the signal mask unchanged.
TEST(OrderedJobs, NoWorkerStartedLeavesThreadOrMaskBehind)
{
    const int status = inChild([] {
        if (!testsupport::forbidThreads())
            return 77;
        sigset_t before, after;
        ::pthread_sigmask(SIG_BLOCK, nullptr, &before);
        bool refused = false;
        try {
            tree::runInOrder(10, 4, {[](qsizetype) {}, [](qsizetype) {}, {}});
        } catch (const std::system_error& error) {
            refused = error.code() == std::errc::resource_unavailable_try_again;
        }
        ::pthread_sigmask(SIG_BLOCK, nullptr, &after);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            if (sigismember(&before, signal) != sigismember(&after, signal))
                return 1;
        }
        const std::filesystem::directory_iterator tasks("/proc/self/task");
        return refused && std::distance(begin(tasks), end(tasks)) == 1 ? 0 : 1;
    });
    if (status == 77)
        GTEST_SKIP() << "no system call filters here";
    EXPECT_EQ(status, 0);
}

TEST(OrderedJobs, NothingToDoHangs)
{
    int ticks = 0;
    EXPECT_EQ(tree::runInOrder(0, 4, {[](qsizetype) {}, [](qsizetype) {}, [&] { ++ticks; }}).delivered, 0);
}

} // namespace
