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
#include <functional>
#include <unistd.h>
#include <utility>

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

// Another program may cut or extend the input while it is being read: the engine converts exactly
// the bytes it got, with the usual line rules, and never fails or runs past the end.
class ChangingSource final : public ByteSource
{
public:
    ChangingSource(InputFile& file, std::function<void()> afterFirstRead)
        : m_file(file), m_after(std::move(afterFirstRead))
    {
    }
    std::int64_t read(char* buffer, std::int64_t capacity) override
    {
        const std::int64_t n = m_file.read(buffer, capacity);
        if (n > 0)
            got.append(buffer, std::size_t(n));
        if (m_after)
            std::exchange(m_after, {})();
        return n;
    }
    QString errorString() const override { return m_file.errorString(); }
    std::string got;

private:
    InputFile& m_file;
    std::function<void()> m_after;
};

TEST_F(EngineFiles, InputCutOrGrownWhileReadConvertsWhatWasRead)
{
    QByteArray input;
    while (input.size() < 3 * kEngineBlockSize)
        input += "\xe1\xe2 line\r\n";
    std::array<int, 256> lookup;
    lookup.fill(-1);
    lookup[0xe1] = 0xc1;
    const auto table = ConversionTable::fromLookup(lookup);

    for (const bool grow : {false, true}) {
        write("in", input);
        InputFile in;
        OutputFile out;
        ASSERT_TRUE(in.open(path("in")) && out.create(path("out")));
        ChangingSource source(in, [&] {
            QFile file(path("in"));
            if (grow) {
                ASSERT_TRUE(file.open(QIODevice::Append));
                file.write("tail without an end");
            } else {
                ASSERT_TRUE(file.resize(1000));
            }
        });
        const auto result = convertStream(source, out, table);
        ASSERT_TRUE(result.ok && out.close());
        const auto expected = trelvick::testsupport::referenceConvert(source.got, table);
        EXPECT_EQ(read("out").toStdString(), expected.output);
        EXPECT_EQ(result.counts.processed, expected.processed);
        if (grow)
            EXPECT_TRUE(read("out").endsWith("tail without an end\r\n"));
        else
            EXPECT_LT(source.got.size(), std::size_t(input.size()));
    }
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
