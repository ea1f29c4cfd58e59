// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"
#include "cli/options.h"
#include "config/profilereader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace trelvick;
using namespace Qt::StringLiterals;
using cli::Options;

namespace {

struct UsageCase
{
    const char* name;
    QStringList arguments;
    bool good;
    QString message = {}; // part of the fault's text
};

class Usage : public testing::TestWithParam<UsageCase>
{
};

TEST_P(Usage, ArgumentsMisread)
{
    const cli::ParsedOptions parsed = cli::parseArguments(GetParam().arguments, lang::Language::English);
    EXPECT_EQ(parsed.error.isEmpty(), GetParam().good) << parsed.error.toStdString();
    EXPECT_TRUE(parsed.error.contains(GetParam().message)) << parsed.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cli, Usage,
    testing::Values(
        UsageCase{"NoModeAccepted", {u"a"_s}, false},
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
        UsageCase{
            "EmptyConfigNameAccepted", {u"--config="_s, u"--list"_s}, false, u"the file name of '--config' is empty"_s},
        UsageCase{"EmptyOperandAccepted", {u"-c"_s, u"1"_s, u"a"_s, u""_s}, false, u"a file name is empty"_s},
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

// A run's own messages, in process: standard output is /dev/full, so any print must fail loudly.
struct RunCase
{
    const char* name;
    QStringList arguments; // "%d": a folder holding a good tq.ini, big.ini (over the limit) and folder.ini/
    int status;
    QString message; // part of standard error
};

using RunMessage = testing::TestWithParam<RunCase>;

TEST_P(RunMessage, FailureUnexplained)
{
    const RunCase& c = GetParam();
    QTemporaryDir dir;
    QTemporaryFile errors;
    ASSERT_TRUE(dir.isValid() && errors.open());
    QFile ini(dir.filePath(u"tq.ini"_s));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly) &&
                ini.write(u"[Trelvick]\nΠλήθοςΜετατροπέων=1\n[ΠεριγραφήΜετατροπέων]\nΜ1=x\n[Μ1]\n65=66\n"_s.toUtf8()));
    ini.close();
    QFile big(dir.filePath(u"big.ini"_s));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(config::kMaxConfigFileSize + 1));
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"folder.ini"_s));

    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    QStringList arguments = c.arguments;
    arguments.replaceInStrings(u"%d"_s, dir.path());
    const int status =
        cli::run(arguments, {.programFolder = dir.path(), .personalConfigFolder = {}, .outputFd = full, .errorFd = int(errors.handle())});
    ::close(full);
    EXPECT_EQ(status, c.status);
    errors.seek(0);
    const QString text = QString::fromUtf8(errors.readAll());
    EXPECT_TRUE(text.contains(QString(c.message).replace(u"%d"_s, dir.path()))) << text.toStdString();
}

const QString kFullDevice = u"trelvick-convert: (standard output): No space left on device\n"_s;

INSTANTIATE_TEST_SUITE_P(
    Cli, RunMessage,
    testing::Values(RunCase{"ListWriteFailureIgnored", {u"--list"_s}, 1, kFullDevice},
                    RunCase{"ShowWriteFailureIgnored", {u"--show=1"_s}, 1, kFullDevice},
                    RunCase{"HelpWriteFailureIgnored", {u"--help"_s}, 1, kFullDevice},
                    RunCase{"VersionWriteFailureIgnored", {u"--version"_s}, 1, kFullDevice},
                    RunCase{"FolderTakenForMissingFile",
                            {u"--config=%d/folder.ini"_s, u"--list"_s},
                            2,
                            u"%d/folder.ini: is a folder, not a configuration file"_s},
                    RunCase{"LargeFileRead",
                            {u"--config=%d/big.ini"_s, u"--list"_s},
                            2,
                            u"big.ini: the configuration file is larger than 16 MiB"_s},
                    RunCase{"DeviceErrorTakenForMissingEntry",
                            {u"--config=/proc/self/mem"_s, u"--list"_s},
                            2,
                            u"/proc/self/mem: the configuration file cannot be read: Input/output error"_s}),
    [](const auto& info) { return std::string(info.param.name); });

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
