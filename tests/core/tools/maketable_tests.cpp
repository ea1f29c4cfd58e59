// SPDX-License-Identifier: GPL-3.0-or-later
// trelvick-maketable run as a process: the shipped tq.ini is exactly what it writes, its code-section mode
// agrees with its --ini mode, and it refuses what it cannot tabulate.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <iconv.h>
#include <string>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun runTool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(TRELVICK_MAKETABLE), arguments);
    ToolRun run;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "trelvick-maketable did not finish: " << process.errorString().toStdString();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QByteArray shippedIni()
{
    QFile file(QStringLiteral(TRELVICK_SHIPPED_INI));
    if (!file.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "cannot read " << TRELVICK_SHIPPED_INI;
    return file.readAll();
}

// The lines of one code section of an ini text (without its header), each ended by LF.
QByteArray sectionLines(const QByteArray& ini, const QByteArray& header)
{
    QByteArray lines;
    bool inside = false;
    for (const QByteArray& line : ini.split('\n')) {
        const QByteArray text = line.endsWith('\r') ? line.chopped(1) : line;
        if (text.startsWith('['))
            inside = text == header;
        else if (inside && !text.isEmpty() && !text.startsWith(';'))
            lines += text + '\n';
    }
    return lines;
}

QByteArray recode(const char* to, const char* from, QByteArray in)
{
    iconv_t cd = iconv_open(to, from);
    QByteArray out(in.size() * 2 + 8, '\0');
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    EXPECT_NE(done, static_cast<std::size_t>(-1)) << in.toStdString();
    out.truncate(out.size() - static_cast<int>(outLeft));
    return out;
}

TEST(MaketableIni, ShippedFileIsExactlyTheToolsOutput)
{
    const ToolRun run = runTool({QStringLiteral("--ini")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray shipped = shippedIni();
    ASSERT_FALSE(run.out.isEmpty());

    // Name the first difference: a byte dump of 10 kB says nothing.
    qsizetype at = 0;
    while (at < shipped.size() && at < run.out.size() && shipped[at] == run.out[at])
        ++at;
    EXPECT_EQ(shipped.size(), run.out.size());
    EXPECT_EQ(at, shipped.size()) << "resources/tq.ini differs from 'trelvick-maketable --ini' at byte " << at
                                  << "; regenerate it with: trelvick-maketable --ini > resources/tq.ini";
}

// The Greek names in windows-1253 are held by the shipped-converter tests, which load the file as the program does.
TEST(MaketableIni, EndsEveryLineWithCrLf)
{
    const QByteArray ini = shippedIni();
    ASSERT_TRUE(ini.endsWith("\r\n"));
    EXPECT_FALSE(ini.startsWith("\xEF\xBB\xBF")) << "a UTF-8 byte-order mark";
    for (qsizetype i = 0; i < ini.size(); ++i) {
        ASSERT_EQ(ini[i] == '\n', i > 0 && ini[i - 1] == '\r') << "a lone line feed or carriage return at byte " << i;
    }
}

struct Pair
{
    const char* from;
    const char* to;
    const char* header; // UTF-8 spelling of the code section's header
};

class MaketablePairMode : public testing::TestWithParam<Pair>
{
};

TEST_P(MaketablePairMode, PrintsTheSameLinesAsTheIniSection)
{
    const Pair pair = GetParam();
    const ToolRun run = runTool({QString::fromLatin1(pair.from), QString::fromLatin1(pair.to)});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty());
    EXPECT_FALSE(run.out.contains('\r')) << "code-section lines on a terminal end with LF alone";
    // The terminal gets UTF-8, the file windows-1253: they differ in the name of the encoding key.
    const QByteArray expected =
        recode("UTF-8", "CP1253", sectionLines(shippedIni(), recode("CP1253", "UTF-8", pair.header)));
    ASSERT_FALSE(expected.isEmpty()) << pair.header << " is missing or empty";
    EXPECT_EQ(run.out.toStdString(), expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Shipped, MaketablePairMode,
                         // A byte pair, one to UTF-8, and UTF-8 spelt otherwise.
                         testing::Values(Pair{"CP737", "CP1253", "[Μ1]"}, Pair{"CP1252", "CP437", "[Μ10]"},
                                         Pair{"CP737", "UTF-8", "[Μ11]"}, Pair{"CP1253", "utf8", "[Μ14]"}),
                         [](const testing::TestParamInfo<Pair>& info) {
                             std::string name = std::string(info.param.from) + "_to_" + info.param.to;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

struct Refusal
{
    const char* name;
    QStringList arguments;
};

class MaketableRefuses : public testing::TestWithParam<Refusal>
{
};

TEST_P(MaketableRefuses, WithUsageStatusAndNothingOnStandardOutput)
{
    const ToolRun run = runTool(GetParam().arguments);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.left(200).toStdString();
    EXPECT_FALSE(run.err.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(BadUse, MaketableRefuses,
                         testing::Values(Refusal{"NoArguments", {}}, Refusal{"OneCodePage", {"CP737"}},
                                         Refusal{"ThreeArguments", {"CP737", "CP1253", "CP869"}},
                                         Refusal{"UnknownOption", {"--table"}},
                                         Refusal{"UnknownCodePage", {"NO-SUCH-PAGE", "CP1253"}},
                                         Refusal{"MultiByteSource", {"UTF-8", "CP1253"}},
                                         Refusal{"MultiByteTarget", {"CP1253", "UTF-16"}},
                                         Refusal{"IniWithExtraArgument", {"--ini", "tq.ini"}}),
                         [](const testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

} // namespace
