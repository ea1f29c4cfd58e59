// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/filelock.h"

#include "lockholder.h"
#include "testsupport.h"

#include <QDir>
#include <fcntl.h>
#include <gtest/gtest.h>

using namespace trelvick;
using namespace trelvick::files;
using testsupport::HeldLock;
using testsupport::LockHolder;

namespace {

class LockFileHeld : public testing::TestWithParam<HeldLock>, protected testsupport::TempFolder
{
};

// Another program that holds either kind of lock keeps the lock file from us until the patience runs
// out; then it is ours, and a second taker (in this very process too) waits; letting go removes it.
TEST_P(LockFileHeld, LockTakenTwiceOrLeftBehind)
{
    const Descriptor folderFd(::open(native(QStringLiteral(".")).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    ASSERT_TRUE(folderFd);
    ASSERT_TRUE(write(QStringLiteral("tq.ini.lock"), {}));
    {
        const LockHolder holder(native(QStringLiteral("tq.ini.lock")), GetParam());
        ASSERT_TRUE(holder.held());
        const auto refused = LockFile::acquire(folderFd.get(), "tq.ini.lock", std::chrono::milliseconds(60));
        ASSERT_FALSE(refused);
        EXPECT_TRUE(refused.error().is(base::Fault::LockHeld));
    }
    {
        const auto taken = LockFile::acquire(folderFd.get(), "tq.ini.lock", std::chrono::milliseconds(0));
        ASSERT_TRUE(taken) << taken.error().code.message();
        const auto second = LockFile::acquire(folderFd.get(), "tq.ini.lock", std::chrono::milliseconds(0));
        EXPECT_FALSE(second);
        const LockHolder other(native(QStringLiteral("tq.ini.lock")), GetParam());
        EXPECT_FALSE(other.held());
    }
    EXPECT_TRUE(QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Files, LockFileHeld, testing::Values(HeldLock::Record, HeldLock::Flock),
                         [](const auto& info) { return info.param == HeldLock::Record ? "Record" : "Flock"; });

} // namespace
