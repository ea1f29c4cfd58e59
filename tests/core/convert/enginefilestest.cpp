#include "convert/engine.h"
#include "files/posixfile.h"
#include "referenceconverter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

using namespace trelvick::convert;
using trelvick::files::InputFile;
using trelvick::files::OutputFile;

namespace {

QString systemText(int errnum)
{
    return QString::fromLocal8Bit(std::strerror(errnum));
}

class EngineFiles : public ::testing::Test
{
protected:
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    void write(const char* name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QByteArray read(const char* name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

TEST_F(EngineFiles, EveryByteValueSurvivesTheRoundTrip)
{
    QByteArray input;
    for (int c = 0; c < 3 * 256; ++c)
        input += char(c);
    write("in", input);
    std::array<int, 256> lookup;
    for (int c = 0; c <= 255; ++c)
        lookup[c] = c >= 0x80 ? 0x80 + (c + 0x41) % 0x80 : -1;
    const auto table = ConversionTable::fromLookup(lookup);

    InputFile in;
    OutputFile out;
    ASSERT_TRUE(in.open(path("in")) && out.create(path("out")));
    const auto result = convertStream(in, out, table);
    ASSERT_TRUE(result.ok && out.close());
    EXPECT_EQ(read("out").toStdString(), trelvick::testsupport::referenceConvert(input.toStdString(), table).output);
}

TEST_F(EngineFiles, CreateTruncatesALongerFile)
{
    write("out", QByteArray(1000, 'x'));
    {
        OutputFile out;
        ASSERT_TRUE(out.create(path("out")) && out.write("ab", 2));
    }
    EXPECT_EQ(read("out"), QByteArray("ab"));
}

TEST_F(EngineFiles, FilesAreClosedWhenTheyGoOutOfScope)
{
    const auto openDescriptors = [] {
        const std::filesystem::directory_iterator fds("/proc/self/fd");
        return std::distance(begin(fds), end(fds));
    };
    write("in", "abc");
    const auto before = openDescriptors();
    {
        InputFile in;
        OutputFile out;
        ASSERT_TRUE(in.open(path("in")) && out.create(path("out")));
        ASSERT_EQ(openDescriptors(), before + 2);
    }
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(EngineFiles, FullDiskIsReported)
{
    write("in", "ab\r\ncd\r\n");
    InputFile in;
    OutputFile out;
    ASSERT_TRUE(in.open(path("in")) && out.create(QStringLiteral("/dev/full")));
    const auto result = convertStream(in, out, ConversionTable());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, systemText(ENOSPC));
}

TEST_F(EngineFiles, ReadingAFolderFails)
{
    InputFile in;
    ASSERT_TRUE(in.open(m_dir.path())); // a folder opens read-only; reading it is what fails
    char buffer[16];
    EXPECT_EQ(in.read(buffer, sizeof buffer), -1);
    EXPECT_EQ(in.errorString(), systemText(EISDIR));
}

TEST_F(EngineFiles, OpenFailuresGiveTheSystemText)
{
    QDir(m_dir.path()).mkdir(QStringLiteral("folder"));
    write("locked", "abc");
    QFile::setPermissions(path("locked"), QFileDevice::Permissions());
    const struct
    {
        bool output;
        const char* name;
        int errnum;
    } cases[] = {{false, "gone.txt", ENOENT},
                 {true, "nowhere/out.txt", ENOENT},
                 {true, "folder", EISDIR},
                 {false, "locked", EACCES}};
    for (const auto& c : cases) {
        if (c.errnum == EACCES && geteuid() == 0)
            continue; // root reads every file
        SCOPED_TRACE(c.name);
        InputFile in;
        OutputFile out;
        EXPECT_FALSE(c.output ? out.create(path(c.name)) : in.open(path(c.name)));
        EXPECT_EQ(c.output ? out.errorString() : in.errorString(), systemText(c.errnum));
    }
}

} // namespace
