// SPDX-License-Identifier: GPL-3.0-or-later
// The one error type: a fault of the program's own never passes for the system's errno of the same
// number, nor the other way round, and an Expected holds its value or its error, never both.
#include "base/error.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <string>

using namespace trelvick::base;

namespace {

TEST(Error, FaultTakenForErrnoOfItsNumber)
{
    // Fault::Overflow is 1, as EPERM is; Fault::CharactersLost is 4, as EINTR is.
    for (const auto& [fault, errnum] : {std::pair{Fault::Overflow, EPERM}, std::pair{Fault::CharactersLost, EINTR}}) {
        const Error own = Error::fault(fault, Side::Input);
        const Error system = Error::system(errnum, Side::Output);
        EXPECT_TRUE(own.is(fault));
        EXPECT_FALSE(own.is(errnum));
        EXPECT_TRUE(system.is(errnum));
        EXPECT_FALSE(system.is(fault));
        EXPECT_EQ(own.side, Side::Input);
        EXPECT_EQ(system.side, Side::Output);
        EXPECT_TRUE(own && system);
        EXPECT_NE(faultCategory().message(int(fault)), std::string());
    }
    EXPECT_FALSE(Error{});
}

TEST(Expected, ValueAndErrorMixedUp)
{
    Expected<std::string> value(std::string("text"));
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, "text");
    EXPECT_EQ(value->size(), 4u);
    const Expected<std::string> failed(Error::system(ENOENT, Side::Input));
    ASSERT_FALSE(failed);
    EXPECT_TRUE(failed.error().is(ENOENT));
    EXPECT_EQ(std::move(value).operator*(), "text");
}

} // namespace
