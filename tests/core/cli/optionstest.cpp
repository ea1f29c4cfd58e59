#include "cli/cli.h"

#include <gtest/gtest.h>

using namespace trelvick;
using namespace Qt::StringLiterals;
using cli::Options;

namespace {

struct UsageCase
{
    const char* name;
    QStringList arguments;
    bool good;
};

class Usage : public testing::TestWithParam<UsageCase>
{
};

TEST_P(Usage, ArgumentsMisread)
{
    const cli::ParsedOptions parsed = cli::parseArguments(GetParam().arguments, lang::Language::English);
    EXPECT_EQ(parsed.error.isEmpty(), GetParam().good) << parsed.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cli, Usage,
    testing::Values(UsageCase{"NoModeAccepted", {u"a"_s}, false},
                    UsageCase{"TwoModesAccepted", {u"--list"_s, u"--show"_s, u"1"_s}, false},
                    UsageCase{"RepeatedConverterAccepted", {u"-c"_s, u"1"_s, u"-c"_s, u"2"_s, u"a"_s, u"b"_s}, false},
                    UsageCase{"BatchWithListAccepted", {u"--list"_s, u"--batch"_s}, false},
                    UsageCase{"OneFileAccepted", {u"-c"_s, u"1"_s, u"a"_s}, false},
                    UsageCase{"ThreeFilesAccepted", {u"-c"_s, u"1"_s, u"a"_s, u"b"_s, u"c"_s}, false},
                    UsageCase{"EmptyBatchAccepted", {u"-c"_s, u"1"_s, u"--batch"_s}, false},
                    UsageCase{"StandardInputInBatchAccepted", {u"-c"_s, u"1"_s, u"--batch"_s, u"-"_s}, false},
                    UsageCase{"UnknownOptionAccepted", {u"--list"_s, u"--verbose"_s}, false},
                    UsageCase{"ConfigWithoutValueAccepted", {u"--list"_s, u"--config"_s}, false},
                    UsageCase{"ListWithOperandAccepted", {u"--list"_s, u"a"_s}, false},
                    UsageCase{"DashRefusedAsFile", {u"-c"_s, u"1"_s, u"-"_s, u"-"_s}, true},
                    UsageCase{"DoubleDashNotEndingOptions", {u"-c"_s, u"1"_s, u"--"_s, u"-x"_s, u"--list"_s}, true},
                    UsageCase{"HelpLostAmongFaults", {u"--bogus"_s, u"--help"_s}, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Attached values are accepted, and read right.
TEST(CliOptions, AttachedValuesLost)
{
    const Options options =
        cli::parseArguments({u"--config=t.ini"_s, u"-cΜ3"_s, u"--"_s, u"-a"_s, u"b"_s}, lang::Language::English)
            .options;
    EXPECT_EQ(options.configFile.value_or(QString()), u"t.ini"_s);
    EXPECT_EQ(options.converter, u"Μ3"_s);
    EXPECT_EQ(options.files, (QStringList{u"-a"_s, u"b"_s}));
}

struct LocaleCase
{
    const char* name;
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    lang::Language expected;
};

class Locale : public testing::TestWithParam<LocaleCase>
{
};

TEST_P(Locale, WrongLanguage)
{
    const LocaleCase& c = GetParam();
    EXPECT_EQ(
        cli::languageOf(QString::fromLatin1(c.lcAll), QString::fromLatin1(c.lcMessages), QString::fromLatin1(c.lang)),
        c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, Locale,
    testing::Values(LocaleCase{"LangIgnored", "", "", "el_GR.UTF-8", lang::Language::Greek},
                    LocaleCase{"LcAllNotOverridingLang", "C", "", "el_GR.UTF-8", lang::Language::English},
                    LocaleCase{"LcMessagesIgnored", "", "el_GR.UTF-8", "en_US.UTF-8", lang::Language::Greek},
                    LocaleCase{"NoLocaleTakenAsGreek", "", "", "", lang::Language::English}),
    [](const auto& info) { return std::string(info.param.name); });

struct ConverterCase
{
    const char* name;
    QString given;
    int expected; // index, or -1 for none
};

class ConverterName : public testing::TestWithParam<ConverterCase>
{
};

// Μ2 is missing from the list, as a gap in tq.ini leaves it; two descriptions are shared.
const QList<config::Converter> kConverters = {{u"737 -> 1253"_s, u"Μ1"_s},
                                              {u"1253 -> 737"_s, u"Μ3"_s},
                                              {u"same"_s, u"Μ4"_s},
                                              {u"same"_s, u"Μ5"_s},
                                              {u"1"_s, u"Μ12"_s}};

TEST_P(ConverterName, WrongConverterPicked)
{
    const std::optional<qsizetype> found = cli::findConverter(kConverters, GetParam().given);
    EXPECT_EQ(found.value_or(-1), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, ConverterName,
    testing::Values(ConverterCase{"GreekKeyMissed", u"Μ3"_s, 1}, ConverterCase{"LatinKeyMissed", u"M3"_s, 1},
                    ConverterCase{"LowerCaseKeyMissed", u"μ3"_s, 1}, ConverterCase{"NumberMissed", u"3"_s, 1},
                    ConverterCase{"KeyBeatenByDescription", u"1"_s, 0}, ConverterCase{"LeadingZeroTaken", u"03"_s, -1},
                    ConverterCase{"GapTaken", u"M2"_s, -1}, ConverterCase{"DescriptionMissed", u"1253 -> 737"_s, 1},
                    ConverterCase{"DescriptionMatchedLoosely", u"1253 -> 737 "_s, -1},
                    ConverterCase{"SharedDescriptionGuessed", u"same"_s, -1},
                    ConverterCase{"EmptyNameTaken", u""_s, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliConverter, SharedDescriptionNotNamingKeys)
{
    QStringList keys;
    EXPECT_FALSE(cli::findConverter(kConverters, u"same"_s, &keys));
    EXPECT_EQ(keys, (QStringList{u"Μ4"_s, u"Μ5"_s}));
}

} // namespace
