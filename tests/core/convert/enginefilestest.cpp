#include "convert/engine.h"
#include "files/posixfile.h"
#include "referenceconverter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <utility>

using namespace trelvick::convert;
using trelvick::files::InputFile;
using trelvick::files::OutputFile;

namespace {

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

} // namespace
