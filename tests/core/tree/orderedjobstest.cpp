// SPDX-License-Identifier: GPL-3.0-or-later
#include "tree/orderedjobs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <stdexcept>
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

TEST(OrderedJobs, NothingToDoHangs)
{
    int ticks = 0;
    EXPECT_EQ(tree::runInOrder(0, 4, {[](qsizetype) {}, [](qsizetype) {}, [&] { ++ticks; }}).delivered, 0);
}

} // namespace
