// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/configuration.h"

#include "lang/errortext.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace trelvick::config;
using namespace Qt::StringLiterals;

namespace {

const QString kCount = u"ΠλήθοςΜετατροπέων"_s;
const QString kList = u"[ΠεριγραφήΜετατροπέων]"_s;

// A program folder whose tq.ini is written the way the shipped one is: windows-1253, CR LF.
class ProgramFolder : public testing::Test, protected trelvick::testsupport::TempFolder
{
protected:
    void writeIni(const QStringList& lines, const QString& name = u"tq.ini"_s)
    {
        write(name, windows1253(lines.join(u"\r\n")));
    }
    // One converter, plus the given lines in the main section.
    void writeIniWithMain(const QStringList& mainLines)
    {
        writeIni(QStringList{u"[Trelvick]"_s} + mainLines + QStringList{kCount + "=1", kList, u"Μ1=a"_s});
    }
};

QStringList keysOf(const LoadResult& result)
{
    QStringList keys;
    for (const Converter& converter : result.config.converters)
        keys << converter.key;
    return keys;
}

TEST_F(ProgramFolder, ConfigPathNotUpperCaseOrGivenTwoSeparators)
{
    const QString program = path(u"Πρόγραμμα Mixed"_s);
    ASSERT_TRUE(QDir().mkpath(program + "/tq.ini")); // a folder is no file
    for (const QString& given : {program, program + '/'}) {
        const LoadResult result = loadConfiguration(given);
        EXPECT_EQ(result.failure, ConfigFailure::MissingFile);
        EXPECT_EQ(result.config.configFilePath, program.toUpper() + "/TQ.INI");
    }
}

TEST_F(ProgramFolder, FileSpeltOtherwiseMissedOrPreferredToExactSpelling)
{
    writeIni({u"[Trelvick]"_s, kCount + "=1", kList, u"Μ1=upper"_s}, "TQ.INI");
    EXPECT_EQ(loadConfiguration(folder()).failure, ConfigFailure::None);
    writeIni({u"[Trelvick]"_s, kCount + "=1", kList, u"Μ1=exact"_s});
    const LoadResult result = loadConfiguration(folder());
    ASSERT_EQ(result.config.converters.size(), 1);
    EXPECT_EQ(result.config.converters[0].description, "exact");
}

// A file that cannot be read loads like an empty one (every entry absent) but keeps the reason, and
// one over the size limit is not loaded at all.
struct ReadCase
{
    const char* fault;
    QString file; // an absolute path, or a name written in the test folder with `size` blanks
    qint64 size;
    ConfigFailure failure;
    int readErrno;          // 0: read
    bool needsUser = false; // root reads any file
};

class FileRead : public ProgramFolder, public testing::WithParamInterface<ReadCase>
{
};

TEST_P(FileRead, ReasonLostOrSizeMisjudged)
{
    const ReadCase& c = GetParam();
    if (c.needsUser && ::geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    const QString file = c.file.startsWith('/') ? c.file : path(c.file);
    if (file != c.file)
        write(c.file, QByteArray(c.size, ' '));
    ASSERT_TRUE(!c.needsUser || QFile::setPermissions(file, QFileDevice::WriteOwner));
    const LoadResult result = loadConfigurationFile(file);
    EXPECT_EQ(result.failure, c.failure);
    const QString reason = c.readErrno ? trelvick::lang::systemErrorText(c.readErrno) : QString();
    EXPECT_EQ(c.failure == ConfigFailure::TooLarge ? result.errorText : result.readError, reason);
}

INSTANTIATE_TEST_SUITE_P(
    Reads, FileRead,
    testing::Values(ReadCase{"LimitCountedWrong", "tq.ini", kMaxConfigFileSize, ConfigFailure::MissingCount, 0},
                    ReadCase{"LargeFileRead", "tq.ini", kMaxConfigFileSize + 1, ConfigFailure::TooLarge, EFBIG},
                    ReadCase{"DeviceErrorHidden", "/proc/self/mem", 0, ConfigFailure::MissingCount, EIO},
                    ReadCase{"PermissionHidden", "tq.ini", 10, ConfigFailure::MissingCount, EACCES, true}),
    [](const auto& info) { return info.param.fault; });

struct LoadCase
{
    const char* fault;
    QStringList lines; // after "[Trelvick]"
    ConfigFailure failure;
    QStringList keys = {};
};

class LoadOutcome : public ProgramFolder, public testing::WithParamInterface<LoadCase>
{
};

TEST_P(LoadOutcome, WrongOutcome)
{
    writeIni(QStringList{u"[Trelvick]"_s} + GetParam().lines);
    const LoadResult result = loadConfiguration(folder());
    EXPECT_EQ(result.failure, GetParam().failure);
    EXPECT_EQ(keysOf(result), GetParam().keys);
    EXPECT_EQ(result.errorText, result.failure == ConfigFailure::Other ? "Overflow" : "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadOutcome,
    testing::Values(
        LoadCase{"AbsentCountAccepted", {kList, u"Μ1=a"_s}, ConfigFailure::MissingCount},
        LoadCase{"CountInOtherSectionRead", {kList, kCount + "=1", u"Μ1=a"_s}, ConfigFailure::MissingCount},
        LoadCase{"MarkerPrefixCountRead", {kCount + "=<none>5", kList, u"Μ1=a"_s}, ConfigFailure::MissingCount},
        LoadCase{"ZeroCountAccepted", {kCount + "=0", kList, u"Μ1=a"_s}, ConfigFailure::BadCount},
        LoadCase{"NegativeCountAccepted", {kCount + "=-1", kList, u"Μ1=a"_s}, ConfigFailure::BadCount},
        LoadCase{"TextCountAccepted", {kCount + "=abc", kList, u"Μ1=a"_s}, ConfigFailure::BadCount},
        LoadCase{"CountOverflowWrapped", {kCount + "=40000", kList, u"Μ1=a"_s}, ConfigFailure::Other},
        LoadCase{"GapEndsList", {kCount + "=3", kList, u"Μ2=b"_s}, ConfigFailure::None, {u"Μ2"_s}},
        LoadCase{"KeyAboveCountRead", {kCount + "=2", kList, u"Μ3=c"_s}, ConfigFailure::NoConverter},
        LoadCase{"LatinMTakenForMu", {kCount + "=1", kList, u"M1=latin"_s}, ConfigFailure::NoConverter},
        LoadCase{"MarkerPrefixOffered", {kCount + "=1", kList, u"Μ1=<none> yet"_s}, ConfigFailure::NoConverter},
        LoadCase{"EmptyDescriptionSkipped", {kCount + "=1", kList, u"Μ1="_s}, ConfigFailure::None, {u"Μ1"_s}},
        LoadCase{"SameDescriptionMerged",
                 {kCount + "=2", kList, u"Μ1=x"_s, u"Μ2=x"_s},
                 ConfigFailure::None,
                 {u"Μ1"_s, u"Μ2"_s}}),
    [](const auto& info) { return info.param.fault; });

// Both keys follow one rule, so the rows share them out rather than run twice.
struct ProgramCase
{
    const char* fault;
    QString value; // "%1" stands for the program folder; a null value leaves the key out
    bool available;
    bool quickView;
    int error = 0; // errno whose text the load fails with
};

class ProgramEntry : public ProgramFolder, public testing::WithParamInterface<ProgramCase>
{
};

TEST_P(ProgramEntry, WrongAvailability)
{
    const ProgramCase& c = GetParam();
    if (c.error == EACCES && ::geteuid() == 0)
        GTEST_SKIP() << "root searches any folder";
    ASSERT_TRUE(QDir(folder()).mkdir("folder") && QDir(folder()).mkdir("locked"));
    write("viewer", "");
    write("locked/viewer", "");
    const QString key = c.quickView ? u"ΓρήγορηΠροβολή="_s : u"Επεξεργασία="_s;
    writeIniWithMain(c.value.isNull() ? QStringList{} : QStringList{key + QString(c.value).replace("%1", folder())});

    ASSERT_TRUE(QFile::setPermissions(path("locked"), QFileDevice::ReadOwner));
    const LoadResult result = loadConfiguration(folder());
    QFile::setPermissions(path("locked"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(result.failure, c.error ? ConfigFailure::Other : ConfigFailure::None);
    EXPECT_EQ(result.errorText, c.error ? trelvick::lang::systemErrorText(c.error) : QString());
    EXPECT_EQ(result.config.quickViewAvailable, c.quickView && c.available);
    EXPECT_EQ(result.config.editorAvailable, !c.quickView && c.available);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ProgramEntry,
    testing::Values(ProgramCase{"AbsentKeyUsed", QString(), false, true},
                    ProgramCase{"MarkerUsed", "<none>", false, false},
                    ProgramCase{"MarkerPrefixUsed", "<none>%1/viewer", false, true},
                    ProgramCase{"EmptyValueUsed", "", false, false},
                    ProgramCase{"FolderUsed", "%1/folder", false, false},
                    ProgramCase{"ArgumentsAccepted", "%1/viewer -x", false, false},
                    ProgramCase{"ExistingFileMissedByEditor", "\"%1/viewer\"", true, false},
                    ProgramCase{"ExistingFileMissedByViewer", "\"%1/viewer\"", true, true},
                    ProgramCase{"LongNameIgnored", "%1/" + QString(200, u'λ'), false, false, ENAMETOOLONG},
                    ProgramCase{"UnsearchableFolderIgnored", "%1/locked/viewer", false, true, EACCES}),
    [](const auto& info) { return info.param.fault; });

// XDG_CONFIG_HOME only counts when absolute; HOME/.config stands in for it otherwise.
TEST(PersonalFolder, XdgRulesBroken)
{
    EXPECT_EQ(personalConfigFolder(u"/x/cfg/"_s, u"/home/a"_s), u"/x/cfg/trelvick"_s);
    EXPECT_EQ(personalConfigFolder(QString(), u"/home/a/"_s), u"/home/a/.config/trelvick"_s);
    EXPECT_EQ(personalConfigFolder(u"cfg"_s, u"/home/a"_s), u"/home/a/.config/trelvick"_s);
    EXPECT_EQ(personalConfigFolder(u"cfg"_s, u"home"_s), QString());
}

// A personal tq.ini that cannot be tested is reported, not passed over for the program folder's.
TEST_F(ProgramFolder, UntestablePersonalFileSkipped)
{
    writeIniWithMain({});
    ASSERT_TRUE(QFile::link(path("loop"), path("loop")));
    const LoadResult loop = loadConfiguration(folder(), path("loop"));
    EXPECT_EQ(loop.failure, ConfigFailure::Other);
    EXPECT_EQ(loop.config.configFilePath, path("loop").toUpper() + "/TQ.INI");
    // Without one the program folder's is read.
    const LoadResult none = loadConfiguration(folder(), path("none"));
    EXPECT_EQ(none.failure, ConfigFailure::None);
    EXPECT_EQ(none.config.configFile, path("tq.ini"));
}

} // namespace
