// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/codesection.h"

#include "testsupport.h"

#include <gtest/gtest.h>

using trelvick::base::Fault;
using trelvick::config::ProfileReader;
using trelvick::convert::ConversionTable;
using Pairs = std::vector<std::pair<int, int>>;

namespace {

trelvick::base::Expected<ConversionTable> load(const QString& ini)
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

const char16_t kEncoding[] = u"Κωδικοποίηση";

struct SectionCase
{
    const char16_t* ini;
    std::error_code error;
    Pairs pairs = {}; // the table's entries, when it loads
    const char16_t* key = u"";
    const char16_t* value = u"";
    bool utf8 = false; // the table writes UTF-8
};

void PrintTo(const SectionCase& c, std::ostream* out)
{
    *out << ::testing::PrintToString(QString::fromUtf16(c.ini).toStdString());
}

class Sections : public ::testing::TestWithParam<SectionCase>
{
};

TEST_P(Sections, LoadIntoTheirTables)
{
    const auto& c = GetParam();
    const auto result = load(QString::fromUtf16(c.ini));
    if (!result) {
        EXPECT_EQ(result.error().code, c.error);
        EXPECT_EQ(result.error().key, QString::fromUtf16(c.key));
        EXPECT_EQ(result.error().value, QString::fromUtf16(c.value));
        return;
    }
    EXPECT_FALSE(c.error);
    EXPECT_EQ(result->output(), c.utf8 ? ConversionTable::Output::Utf8 : ConversionTable::Output::Bytes);
    expectOnly(*result, c.pairs);
}

INSTANTIATE_TEST_SUITE_P(
    ConversionTable, Sections,
    ::testing::Values(
        // The other sections around it, and a Latin "M2" that must not be taken for the Greek one.
        SectionCase{u"[Trelvick]\r\nQuickView=/usr/bin/less\r\n[M2]\r\n65=1\r\n"
                    u"[Μ2]\r\n200=0\r\n65=193\r\n66=194\r\n7=007\r\n[Μ3]\r\n1=2\r\n",
                    {},
                    {{7, 7}, {65, 193}, {66, 194}, {200, 0}}},
        SectionCase{u"[Μ2]\r\n0=9\r\n255=0\r\n", {}, {{0, 9}, {255, 0}}},
        SectionCase{u"[Μ2]\r\n65=<none>\r\n66=<none>etc\r\n67=194\r\n", {}, {{67, 194}}},
        // A faulty value fails despite good entries before it; the first is the lowest key, not the
        // first in the file.
        SectionCase{u"[Μ2]\r\n65=193\r\n66=194\r\n150=1000\r\n", Fault::BadValue, {}, u"150", u"1000"},
        SectionCase{u"[Μ2]\r\n200=x\r\n150=1000\r\n20=5\r\n", Fault::BadValue, {}, u"150", u"1000"},
        // Missing sections, and keys not written as plain 0..255: never read, so they cannot fail either.
        SectionCase{u"", Fault::EntryMissing}, SectionCase{u"[Μ3]\r\n65=193\r\n", Fault::EntryMissing},
        SectionCase{u"[M2]\r\n65=193\r\n", Fault::EntryMissing},
        SectionCase{u"[Μ2]\r\n[Μ3]\r\n65=193\r\n", Fault::EntryMissing},
        SectionCase{u"[Μ2]\r\n065=1\r\n+65=1\r\n256=1\r\n-1=1\r\nA=x\r\n", Fault::EntryMissing},
        SectionCase{u"[Μ2]\r\n65=<none>\r\n", Fault::EntryMissing},
        // The encoding key, matched like any key, decides how values are read.
        SectionCase{u"[Μ2]\r\nΚωδικοποίηση=UTF-8\r\n65=945\r\n", {}, {{65, 945}}, u"", u"", true},
        SectionCase{u"[Μ2]\r\nκωδικοποίηση = utf-8\r\n65=945\r\n", {}, {{65, 945}}, u"", u"", true},
        SectionCase{u"[Μ2]\r\nΚΩΔΙΚΟΠΟΊΗΣΗ=\"Utf8\"\r\n65=945\r\n", {}, {{65, 945}}, u"", u"", true},
        SectionCase{u"[Μ2]\r\nΚωδικοποίηση=UTF-8\r\n65=55296\r\n", Fault::BadCodePoint, {}, u"65", u"55296"},
        SectionCase{u"[Μ2]\r\n65=945\r\n", Fault::BadValue, {}, u"65", u"945"},
        // Without the accent: another key.
        SectionCase{u"[Μ2]\r\nΚωδικοποιηση=UTF-8\r\n65=945\r\n", Fault::BadValue, {}, u"65", u"945"},
        SectionCase{u"[Μ2]\r\nΚωδικοποίηση=<none>\r\n65=945\r\n", Fault::BadValue, {}, u"65", u"945"},
        SectionCase{u"[Μ2]\r\nΚωδικοποίηση=\r\n65=945\r\n", Fault::BadValue, {}, kEncoding, u""},
        SectionCase{u"[Μ2]\r\nκωδικοποίηση=ISO-8859-7\r\n65=945\r\n", Fault::BadValue, {}, kEncoding, u"ISO-8859-7"}));

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
        ASSERT_TRUE(result);
        expectOnly(*result, {{65, c.code}, {66, 1}});
    } else {
        ASSERT_FALSE(result);
        EXPECT_TRUE(result.error().is(c.utf8 ? Fault::BadCodePoint : Fault::BadValue));
        EXPECT_EQ(result.error().key, "65");
        // 50 characters come back cut to the 49 the table asks for, still far too long.
        EXPECT_EQ(result.error().value, c.value.left(trelvick::config::kCodeEntryCapacity));
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
                      ValueCase{"0", 0, true}, ValueCase{"0000065", 65, true}, ValueCase{"1114111", 1114111, true},
                      ValueCase{"55295", 55295, true}, ValueCase{"57344", 57344, true}, ValueCase{"00000065", -1, true},
                      ValueCase{"1114112", -1, true}, ValueCase{"55296", -1, true}, ValueCase{"57343", -1, true}));

} // namespace
