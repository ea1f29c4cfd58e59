// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/configuration.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace trelvick::config;
using namespace Qt::StringLiterals;
using trelvick::base::Expected;
using trelvick::base::Fault;
using trelvick::base::systemError;

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

using Loaded = Expected<Configuration>;

QStringList keysOf(const Loaded& loaded)
{
    QStringList keys;
    for (const Converter& converter : loaded ? loaded->converters : QList<Converter>())
        keys << converter.key;
    return keys;
}

std::error_code codeOf(const Loaded& loaded)
{
    return loaded ? std::error_code() : loaded.error().code;
}

Loaded loadFolder(const QString& programFolder, const QString& personalFolder = {})
{
    return loadConfiguration(locateConfiguration(programFolder, personalFolder));
}

TEST_F(ProgramFolder, ConfigPathNotUpperCaseOrGivenTwoSeparators)
{
    const QString program = path(u"Πρόγραμμα Mixed"_s);
    ASSERT_TRUE(QDir().mkpath(program + "/tq.ini")); // a folder is no file
    for (const QString& given : {program, program + '/'}) {
        const ConfigLocation location = locateConfiguration(given);
        EXPECT_EQ(location.configFilePath, program.toUpper() + "/TQ.INI");
        const Loaded loaded = loadConfiguration(location);
        EXPECT_EQ(codeOf(loaded), systemError(EISDIR));
        EXPECT_EQ(startupMessage(loaded.error()), StartupMessage::MissingFile);
    }
}

TEST_F(ProgramFolder, FileSpeltOtherwiseMissedOrPreferredToExactSpelling)
{
    writeIni({u"[Trelvick]"_s, kCount + "=1", kList, u"Μ1=upper"_s}, "TQ.INI");
    EXPECT_TRUE(loadFolder(folder()));
    writeIni({u"[Trelvick]"_s, kCount + "=1", kList, u"Μ1=exact"_s});
    const Loaded loaded = loadFolder(folder());
    ASSERT_EQ(keysOf(loaded).size(), 1);
    EXPECT_EQ(loaded->converters[0].description, "exact");
}

// The file itself: one that is no plain file is never opened (a FIFO would block), one that cannot
// be read stops at the count with the reason, and one over the size limit is not loaded at all.
struct ReadCase
{
    const char* fault;
    QString file; // an absolute path, or a name written in the test folder with `size` blanks
    qint64 size;
    std::error_code error;
    StartupMessage message;
    bool atCount;           // the error names the count, not the file
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
    ASSERT_EQ(::mkfifo(native("fifo").constData(), 0600), 0);
    const QString file = c.file.startsWith('/') ? c.file : path(c.file);
    if (file != c.file && c.file != "fifo")
        write(c.file, QByteArray(c.size, ' '));
    ASSERT_TRUE(!c.needsUser || QFile::setPermissions(file, QFileDevice::WriteOwner));
    const Loaded loaded = loadConfiguration(namedConfiguration(file));
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.error().code, c.error) << loaded.error().code.message();
    EXPECT_EQ(loaded.error().key, c.atCount ? kCount : QString());
    EXPECT_EQ(startupMessage(loaded.error()), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Reads, FileRead,
    testing::Values(
        ReadCase{"LimitCountedWrong", "tq.ini", kMaxConfigFileSize, Fault::EntryMissing, StartupMessage::MissingCount,
                 true},
        ReadCase{"LargeFileRead", "tq.ini", kMaxConfigFileSize + 1, systemError(EFBIG), StartupMessage::Failure, false},
        ReadCase{"FifoOpened", "fifo", 0, Fault::NotRegularFile, StartupMessage::MissingFile, false},
        ReadCase{"HiddenFileRead", ".tq.ini", 10, Fault::HiddenName, StartupMessage::MissingFile, false},
        ReadCase{"DeviceErrorHidden", "/proc/self/mem", 0, systemError(EIO), StartupMessage::MissingCount, true},
        ReadCase{"PermissionHidden", "tq.ini", 10, systemError(EACCES), StartupMessage::MissingCount, true, true}),
    [](const auto& info) { return info.param.fault; });

struct LoadCase
{
    const char* fault;
    QStringList lines; // after "[Trelvick]"
    std::error_code error;
    StartupMessage message = StartupMessage::Failure; // when it fails
    QStringList keys = {};
};

class LoadOutcome : public ProgramFolder, public testing::WithParamInterface<LoadCase>
{
};

TEST_P(LoadOutcome, WrongOutcome)
{
    const LoadCase& c = GetParam();
    writeIni(QStringList{u"[Trelvick]"_s} + c.lines);
    const Loaded loaded = loadFolder(folder());
    EXPECT_EQ(codeOf(loaded), c.error);
    EXPECT_EQ(keysOf(loaded), c.keys);
    if (!loaded) {
        EXPECT_EQ(startupMessage(loaded.error()), c.message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadOutcome,
    testing::Values(
        LoadCase{"AbsentCountAccepted", {kList, u"Μ1=a"_s}, Fault::EntryMissing, StartupMessage::MissingCount},
        LoadCase{"CountInOtherSectionRead",
                 {kList, kCount + "=1", u"Μ1=a"_s},
                 Fault::EntryMissing,
                 StartupMessage::MissingCount},
        LoadCase{"MarkerPrefixCountRead",
                 {kCount + "=<none>5", kList, u"Μ1=a"_s},
                 Fault::EntryMissing,
                 StartupMessage::MissingCount},
        LoadCase{"ZeroCountAccepted", {kCount + "=0", kList, u"Μ1=a"_s}, Fault::BadValue, StartupMessage::BadCount},
        LoadCase{
            "NegativeCountAccepted", {kCount + "=-1", kList, u"Μ1=a"_s}, Fault::BadValue, StartupMessage::BadCount},
        LoadCase{"TextCountAccepted", {kCount + "=abc", kList, u"Μ1=a"_s}, Fault::BadValue, StartupMessage::BadCount},
        LoadCase{"CountOverflowWrapped", {kCount + "=40000", kList, u"Μ1=a"_s}, Fault::Overflow},
        LoadCase{"GapEndsList", {kCount + "=3", kList, u"Μ2=b"_s}, {}, {}, {u"Μ2"_s}},
        LoadCase{
            "KeyAboveCountRead", {kCount + "=2", kList, u"Μ3=c"_s}, Fault::NoConverter, StartupMessage::NoConverter},
        LoadCase{
            "LatinMTakenForMu", {kCount + "=1", kList, u"M1=latin"_s}, Fault::NoConverter, StartupMessage::NoConverter},
        LoadCase{"MarkerPrefixOffered",
                 {kCount + "=1", kList, u"Μ1=<none> yet"_s},
                 Fault::NoConverter,
                 StartupMessage::NoConverter},
        LoadCase{"EmptyDescriptionSkipped", {kCount + "=1", kList, u"Μ1="_s}, {}, {}, {u"Μ1"_s}},
        LoadCase{"SameDescriptionMerged", {kCount + "=2", kList, u"Μ1=x"_s, u"Μ2=x"_s}, {}, {}, {u"Μ1"_s, u"Μ2"_s}}),
    [](const auto& info) { return info.param.fault; });

// The count's value and, for a list without converters, the last key looked for: what messages name.
TEST_F(ProgramFolder, FaultyEntryUnnamed)
{
    writeIni({u"[Trelvick]"_s, kCount + "= 70000 ", kList, u"Μ1=a"_s});
    const trelvick::base::Error overflow = loadFolder(folder()).error();
    EXPECT_EQ(overflow.key, kCount);
    EXPECT_EQ(overflow.value, "70000");
    EXPECT_EQ(overflow.side, trelvick::base::Side::Config);
    writeIni({u"[Trelvick]"_s, kCount + "=2.4", kList, u"Μ3=a"_s});
    EXPECT_EQ(loadFolder(folder()).error().key, u"Μ2"_s);
}

// Both keys follow one rule, so the rows share them out rather than run twice.
struct ProgramCase
{
    const char* fault;
    QString value; // "%1" stands for the program folder; a null value leaves the key out
    bool available;
    bool quickView;
    int error = 0; // errno the load fails with
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
    const QString key = c.quickView ? u"ΓρήγορηΠροβολή"_s : u"Επεξεργασία"_s;
    const QString value = QString(c.value).replace("%1", folder());
    writeIniWithMain(c.value.isNull() ? QStringList{} : QStringList{key + '=' + value});

    ASSERT_TRUE(QFile::setPermissions(path("locked"), QFileDevice::ReadOwner));
    const Loaded loaded = loadFolder(folder());
    QFile::setPermissions(path("locked"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (c.error) {
        ASSERT_FALSE(loaded);
        EXPECT_EQ(loaded.error().code, systemError(c.error));
        EXPECT_EQ(loaded.error().key, key);
        EXPECT_EQ(loaded.error().value, value);
        EXPECT_EQ(startupMessage(loaded.error()), StartupMessage::Failure);
        return;
    }
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->quickViewAvailable, c.quickView && c.available);
    EXPECT_EQ(loaded->editorAvailable, !c.quickView && c.available);
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
    const ConfigLocation loop = locateConfiguration(folder(), path("loop"));
    EXPECT_EQ(loop.configFilePath, path("loop").toUpper() + "/TQ.INI");
    const Loaded loaded = loadConfiguration(loop);
    EXPECT_EQ(codeOf(loaded), systemError(ELOOP));
    EXPECT_EQ(startupMessage(loaded.error()), StartupMessage::Failure);
    // Without one the program folder's is read.
    const ConfigLocation none = locateConfiguration(folder(), path("none"));
    EXPECT_EQ(none.configFile, path("tq.ini"));
    EXPECT_TRUE(loadConfiguration(none));
}

} // namespace
