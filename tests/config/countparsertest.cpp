// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/countparser.h"

#include "testsupport.h"

#include <gtest/gtest.h>

using namespace trelvick::config;

namespace {

struct CountCase
{
    QString text;
    std::optional<qint16> expected; // empty: out of the 16-bit range
};

void PrintTo(const CountCase& c, std::ostream* out)
{
    *out << '"' << c.text.toStdString() << '"';
}

class ConverterCount : public testing::TestWithParam<CountCase>
{
};

TEST_P(ConverterCount, CountMisread)
{
    const trelvick::base::Expected<qint16> count = parseConverterCount(GetParam().text);
    EXPECT_EQ(count ? std::optional<qint16>(*count) : std::nullopt, GetParam().expected);
    EXPECT_TRUE(count || count.error().is(trelvick::base::Fault::Overflow));
}

INSTANTIATE_TEST_SUITE_P(PlainNumbers, ConverterCount,
                         testing::Values(CountCase{"3", 3}, CountCase{"0", 0}, CountCase{"-1", -1}, CountCase{"+5", 5},
                                         CountCase{"", 0}, CountCase{"abc", 0}, CountCase{"3 converters", 3},
                                         CountCase{"12abc", 12}, CountCase{"3,5", 3}));
INSTANTIATE_TEST_SUITE_P(BlanksSkippedAnywhere, ConverterCount,
                         testing::Values(CountCase{"1 2", 12}, CountCase{" \t7", 7}, CountCase{"\n7", 7},
                                         CountCase{"- 5", -5}, CountCase{"& H 1 0", 16}, CountCase{"\r7", 0}));
INSTANTIATE_TEST_SUITE_P(HalvesToEven, ConverterCount,
                         testing::Values(CountCase{"2.5", 2}, CountCase{"3.5", 4}, CountCase{"-2.5", -2},
                                         CountCase{".5", 0}, CountCase{"1.5", 2}, CountCase{"0.5000001", 1},
                                         CountCase{"2.4999", 2}, CountCase{"1.2.3", 1}));
INSTANTIATE_TEST_SUITE_P(Exponents, ConverterCount,
                         testing::Values(CountCase{"1.5D1", 15}, CountCase{"1.5E1", 15}, CountCase{"1.5e1", 15},
                                         CountCase{"25E-1", 2}, CountCase{"1e+1", 10}, CountCase{"1E", 1},
                                         CountCase{"1E-999999999", 0}, CountCase{"1E999999999", std::nullopt},
                                         CountCase{"-1D400", std::nullopt}, CountCase{"0.1E400", std::nullopt},
                                         CountCase{"0." + QString(400, u'0') + "1E10", 0}));
INSTANTIATE_TEST_SUITE_P(HexAndOctal, ConverterCount,
                         testing::Values(CountCase{"&H0A", 10}, CountCase{"&h0a", 10}, CountCase{"&O17", 15},
                                         CountCase{"&o17", 15}, CountCase{"&O8", 0}, CountCase{"&H1G", 1},
                                         CountCase{"&H", 0}, CountCase{"&H7FFF", 32767},
                                         CountCase{"&HFFFF", std::nullopt}, CountCase{"-&H10", 0}));
INSTANTIATE_TEST_SUITE_P(SixteenBitRange, ConverterCount,
                         testing::Values(CountCase{"32767", 32767}, CountCase{"-32768", -32768},
                                         CountCase{"-32768.5", -32768}, CountCase{"32767.5", std::nullopt},
                                         CountCase{"40000", std::nullopt}, CountCase{"-32769", std::nullopt},
                                         CountCase{"99999999999999999999", std::nullopt}));

TEST(BasicVal, FractionLostBeforeRounding)
{
    EXPECT_DOUBLE_EQ(basicVal("2.5 converters"), 2.5);
    EXPECT_DOUBLE_EQ(basicVal("-1.25D2"), -125.0);
}

} // namespace
