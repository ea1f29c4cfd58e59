// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/codesection.h"

#include "testsupport.h"

#include <gtest/gtest.h>

using trelvick::config::ProfileReader;
using trelvick::convert::ConversionTable;
using trelvick::config::CodeSection;
using Failure = CodeSection::Failure;
using Pairs = std::vector<std::pair<int, int>>;

namespace {

trelvick::config::CodeSection load(const QString& ini)
{
    return trelvick::config::loadCodeSection(ProfileReader::fromBytes(windows1253(ini)), QStringLiteral(u"Μ2"));
}

void expectOnly(const ConversionTable& table, const Pairs& pairs)
{
    EXPECT_EQ(table.pairs(), pairs);
    std::array<int, 256> expected;
    expected.fill(-1);
    for (const auto& [source, target] : pairs)
        expected[source] = target;
    for (int code = 0; code <= 255; ++code)
        EXPECT_EQ(table.lookup(std::uint8_t(code)), expected[code]) << "code " << code;
}

// The other sections around it, and a Latin "M2" that must not be taken for the Greek one.
const QString kWorkedExample = QStringLiteral(u"[Trelvick]\r\nQuickView=/usr/bin/less\r\n[M2]\r\n65=1\r\n"
                                              u"[Μ2]\r\n200=0\r\n65=193\r\n66=194\r\n7=007\r\n[Μ3]\r\n1=2\r\n");

TEST(ConversionTable, WorkedExampleGivesPairsInSourceOrder)
{
    const auto result = load(kWorkedExample);
    ASSERT_TRUE(result.ok());
    expectOnly(result.table, {{7, 7}, {65, 193}, {66, 194}, {200, 0}});
}

TEST(ConversionTable, FaultyValueFailsDespiteGoodEntriesBeforeIt)
{
    const auto result =
        load(QString(kWorkedExample).replace(QStringLiteral(u"66=194"), QStringLiteral(u"66=194\r\n150=1000")));
    EXPECT_EQ(result.failure, Failure::Faulty);
    EXPECT_EQ(result.faultyKey, 150);
    EXPECT_EQ(result.faultyValue, QStringLiteral("1000"));
}

TEST(ConversionTable, FirstFaultyKeyIsTheLowestNotTheFirstInTheFile)
{
    const auto result = load(QStringLiteral(u"[Μ2]\r\n200=x\r\n150=1000\r\n20=5\r\n"));
    EXPECT_EQ(result.failure, Failure::Faulty);
    EXPECT_EQ(result.faultyKey, 150);
}

struct ValueCase
{
    QString value;     // as written after "65=" in the file
    int code;          // -1: the load fails at key 65
    bool utf8 = false; // in a section that asks for UTF-8
};

const QString kUtf8Line = QStringLiteral(u"Κωδικοποίηση=UTF-8\r\n");

class Values : public ::testing::TestWithParam<ValueCase>
{
};

TEST_P(Values, AreAcceptedOnlyAsCodes)
{
    const auto& c = GetParam();
    const auto result = load(QStringLiteral(u"[Μ2]\r\n") + (c.utf8 ? kUtf8Line : QString()) + QStringLiteral(u"65=") +
                             c.value + QStringLiteral(u"\r\n66=1\r\n"));
    if (c.code >= 0) {
        ASSERT_TRUE(result.ok());
        expectOnly(result.table, {{65, c.code}, {66, 1}});
    } else {
        EXPECT_EQ(result.failure, Failure::Faulty);
        EXPECT_EQ(result.faultyKey, 65);
        // 50 characters come back cut to the 49 the table asks for, still far too long.
        EXPECT_EQ(result.faultyValue, c.value.left(trelvick::config::kCodeEntryCapacity));
    }
}

INSTANTIATE_TEST_SUITE_P(
    ConversionTable, Values,
    ::testing::Values(ValueCase{"0", 0}, ValueCase{"00", 0}, ValueCase{"000", 0}, ValueCase{"5", 5}, ValueCase{"05", 5},
                      ValueCase{"255", 255}, ValueCase{"065", 65}, ValueCase{"", -1}, ValueCase{"256", -1},
                      ValueCase{"999", -1}, ValueCase{"0255", -1}, ValueCase{"1000", -1}, ValueCase{"-1", -1},
                      ValueCase{"+5", -1}, ValueCase{"5A", -1}, ValueCase{"A", -1}, ValueCase{QStringLiteral(u"α"), -1},
                      ValueCase{"1 2", -1}, ValueCase{QString(50, u'1'), -1},
                      // code points: 7 digits at most, no surrogates
                      ValueCase{"0000065", 65, true}, ValueCase{"1114111", 1114111, true},
                      ValueCase{"55295", 55295, true}, ValueCase{"57344", 57344, true}, ValueCase{"00000065", -1, true},
                      ValueCase{"1114112", -1, true}, ValueCase{"55296", -1, true}, ValueCase{"57343", -1, true}));

struct EncodingCase
{
    const char16_t* line; // the encoding line of a section whose only entry is 65=945
    bool utf8;            // else a byte section, which 945 fails at key 65
    int faultyKey;        // -1 with utf8 false: the encoding line itself is refused
};

class EncodingKey : public ::testing::TestWithParam<EncodingCase>
{
};

TEST_P(EncodingKey, DecidesHowValuesAreRead)
{
    const auto& c = GetParam();
    const auto result =
        load(QStringLiteral(u"[Μ2]\r\n") + QString::fromUtf16(c.line) + QStringLiteral(u"\r\n65=945\r\n"));
    if (c.utf8) {
        ASSERT_TRUE(result.ok());
        EXPECT_EQ(result.table.output(), ConversionTable::Output::Utf8);
        expectOnly(result.table, {{65, 945}});
    } else {
        EXPECT_EQ(result.failure, Failure::Faulty);
        EXPECT_EQ(result.faultyKey, c.faultyKey);
    }
}

INSTANTIATE_TEST_SUITE_P(
    ConversionTable, EncodingKey,
    ::testing::Values(EncodingCase{u"Κωδικοποίηση=UTF-8", true, 0}, EncodingCase{u"κωδικοποίηση = utf-8", true, 0},
                      EncodingCase{u"ΚΩΔΙΚΟΠΟΊΗΣΗ=\"Utf8\"", true, 0}, EncodingCase{u"", false, 65},
                      EncodingCase{u"Κωδικοποιηση=UTF-8", false, 65}, // without the accent: another key
                      EncodingCase{u"Κωδικοποίηση=<none>", false, 65}, EncodingCase{u"Κωδικοποίηση=", false, -1},
                      EncodingCase{u"Κωδικοποίηση=ISO-8859-7", false, -1}));

TEST(ConversionTable, NoneValueCountsAsAbsent)
{
    const auto result = load(QStringLiteral(u"[Μ2]\r\n65=<none>\r\n66=<none>etc\r\n67=194\r\n"));
    ASSERT_TRUE(result.ok());
    expectOnly(result.table, {{67, 194}});
}

TEST(ConversionTable, SectionsWithoutUsableKeysHaveNoEntries)
{
    for (const char16_t* ini : {u"", u"[Μ3]\r\n65=193\r\n", u"[M2]\r\n65=193\r\n", u"[Μ2]\r\n[Μ3]\r\n65=193\r\n",
                                // keys not written as plain 0..255 are never read, so they cannot fail either
                                u"[Μ2]\r\n065=1\r\n+65=1\r\n256=1\r\n-1=1\r\nA=x\r\n", u"[Μ2]\r\n65=<none>\r\n"}) {
        SCOPED_TRACE(QString::fromUtf16(ini).toStdString());
        const auto result = load(QString::fromUtf16(ini));
        EXPECT_EQ(result.failure, Failure::NoEntries);
        EXPECT_TRUE(result.table.pairs().empty());
    }
}

TEST(ConversionTable, AllKeysGiveAFullTable)
{
    QString ini = QStringLiteral(u"[Μ2]\r\n");
    for (int code = 255; code >= 0; --code)
        ini += QStringLiteral("%1=%2\r\n").arg(code).arg(255 - code);
    const auto result = load(ini);
    ASSERT_TRUE(result.ok());
    Pairs all;
    for (int code = 0; code <= 255; ++code)
        all.emplace_back(code, 255 - code);
    expectOnly(result.table, all);
}

TEST(ConversionTable, DefaultTableChangesNothing)
{
    expectOnly(ConversionTable(), {});
}

} // namespace
