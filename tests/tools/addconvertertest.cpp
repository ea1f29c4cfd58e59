// SPDX-License-Identifier: GPL-3.0-or-later
// trelvick-maketable --add run as a process on a copy of the shipped tq.ini: the converter it adds loads
// as the program loads it and converts as iconv does, whatever the file's encoding, and a failure
// leaves the file as it was.

#include "charset/charset.h"
#include "config/codesection.h"
#include "config/configuration.h"
#include "convert/engine.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <sys/resource.h>

using namespace trelvick;
using testsupport::TempFolder;

namespace {

struct ToolRun
{
    int exitCode = -1;
    QByteArray out, err;
};

// fileSizeLimit > 0: the tool may write no file larger, as on a full disk.
std::unique_ptr<QProcess> startTool(const QStringList& arguments, const QString& configHome, rlim_t fileSizeLimit = 0)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    process->setProcessEnvironment(environment);
    if (fileSizeLimit > 0) {
        process->setChildProcessModifier([fileSizeLimit] {
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, SIG_IGN); // a failed write rather than a killed process
        });
    }
    process->start(QStringLiteral(TRELVICK_MAKETABLE), arguments);
    return process;
}

ToolRun finished(QProcess& process)
{
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "trelvick-maketable did not finish";
        return {};
    }
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

ToolRun runTool(const QStringList& arguments, const QString& configHome, rlim_t fileSizeLimit = 0)
{
    return finished(*startTool(arguments, configHome, fileSizeLimit));
}

QByteArray shippedIni()
{
    QFile file(QStringLiteral(TRELVICK_SHIPPED_INI));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// The shipped file as UTF-16LE with a byte-order mark and LF line ends, as another editor saves it.
QByteArray utf16Ini()
{
    QStringDecoder decoder("windows-1253");
    QString text = decoder(shippedIni());
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    const QByteArray bytes = encoder(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    return QByteArray("\xFF\xFE") + bytes;
}

std::string iconvConvert(const char* from, const char* to, std::string input)
{
    const std::unique_ptr<void, int (*)(iconv_t)> cd(iconv_open(to, from), iconv_close);
    std::string output(input.size() * 4, '\0');
    char* in = input.data();
    char* out = output.data();
    std::size_t inLeft = input.size(), outLeft = output.size();
    EXPECT_NE(iconv(cd.get(), &in, &inLeft, &out, &outLeft), std::size_t(-1)) << std::strerror(errno);
    output.resize(output.size() - outLeft);
    return output;
}

std::string convertThrough(const convert::ConversionTable& table, const std::string& input)
{
    struct Source final : convert::ByteSource
    {
        std::string bytes;
        std::int64_t read(char* buffer, std::int64_t capacity) override
        {
            const auto size = std::min<std::size_t>(std::size_t(capacity), bytes.size());
            std::memcpy(buffer, bytes.data(), size);
            bytes.erase(0, size);
            return std::int64_t(size);
        }
        base::Error error() const override { return {}; }
    } source;
    struct Sink final : convert::ByteSink
    {
        std::string bytes;
        bool write(const char* data, std::int64_t size) override
        {
            bytes.append(data, std::size_t(size));
            return true;
        }
        base::Error error() const override { return {}; }
    } sink;
    source.bytes = input;
    convert::EngineOptions options;
    options.lineEnds = convert::LineEnds::Keep;
    EXPECT_TRUE(convert::convertStream(source, sink, table, options).ok);
    return sink.bytes;
}

struct AddCase
{
    const char* name;
    QByteArray (*file)();
    const char* from;
    const char* to;
};

class MaketableAdd : public testing::TestWithParam<AddCase>
{
};

TEST_P(MaketableAdd, ConverterLoadsAfterTheOthersAndConvertsAsIconv)
{
    const AddCase c = GetParam();
    const TempFolder temp;
    const QByteArray before = c.file();
    ASSERT_TRUE(temp.write(QStringLiteral("tq.ini"), before, 0640));
    const ToolRun run = runTool({QStringLiteral("--add"), QString::fromLatin1(c.from), QString::fromLatin1(c.to),
                                 QStringLiteral("--config"), temp.path(QStringLiteral("tq.ini"))},
                                temp.path(QStringLiteral("unused")));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    const QByteArray after = temp.read(QStringLiteral("tq.ini"));
    EXPECT_TRUE(after.startsWith(before.left(64))) << "the byte-order mark and the first lines stay";
    EXPECT_EQ(before.contains("\r"), after.contains("\r")) << "the file's own line ends";
    struct stat info = {};
    ASSERT_EQ(::stat(temp.native(QStringLiteral("tq.ini")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_FALSE(QDir(temp.path(QStringLiteral("unused"))).exists()) << "--config alone is changed";

    const auto old = config::loadConfiguration(config::namedConfiguration(QStringLiteral(TRELVICK_SHIPPED_INI)));
    const auto now = config::loadConfiguration(config::namedConfiguration(temp.path(QStringLiteral("tq.ini"))));
    ASSERT_TRUE(old && now) << now.error().key.toStdString();
    ASSERT_EQ(now->converterCount, old->converterCount + 1);
    ASSERT_EQ(now->converters.size(), old->converters.size() + 1);
    for (qsizetype k = 0; k < old->converters.size(); ++k)
        EXPECT_EQ(now->converters[k].description, old->converters[k].description);
    const config::Converter added = now->converters.back();
    EXPECT_EQ(added.key, config::converterKey(now->converterCount));
    EXPECT_EQ(added.description, QStringLiteral("%1 -> %2").arg(c.from, c.to));

    // Every byte whose character the target has, in lines of each ending.
    const auto table = config::loadCodeSection(now->profile, added.key);
    ASSERT_TRUE(table) << table.error().key.toStdString();
    const auto from = charset::Charset::find(c.from);
    const auto to = charset::Charset::find(c.to);
    ASSERT_TRUE(from && to);
    std::string input;
    for (int b = 0; b < 256; ++b) {
        const int character = from->codePage().character(std::uint8_t(b));
        if (b != '\r' && character >= 0 && (to->isUtf8() || to->codePage().byteOf(char32_t(character))))
            input += char(b);
        if (b % 32 == 31)
            input += b % 64 == 31 ? "\r\n" : "\r";
    }
    EXPECT_EQ(convertThrough(*table, input), iconvConvert(c.from, c.to, input));
}

using testsupport::PrintTo;
INSTANTIATE_TEST_SUITE_P(Files, MaketableAdd,
                         testing::Values(AddCase{"Utf8IntoWindows1253", shippedIni, "CP850", "UTF-8"},
                                         AddCase{"BytesIntoWindows1253", shippedIni, "CP850", "CP1252"},
                                         AddCase{"Utf8IntoUtf16", utf16Ini, "KOI8-R", "UTF-8"},
                                         AddCase{"BytesIntoUtf16", utf16Ini, "CP437", "ISO-8859-1"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Without --config the personal file takes it: made from the system's one the first time, so that the
// shipped converters stay offered, and extended after that.
TEST(MaketableAddPersonal, FirstAddCopiesTheSystemFileThenExtendsIt)
{
    const TempFolder temp;
    const QString home = temp.path(QStringLiteral("config"));
    ASSERT_EQ(runTool({QStringLiteral("--add"), QStringLiteral("CP850"), QStringLiteral("UTF-8")}, home).exitCode, 0);
    const ToolRun second = runTool({QStringLiteral("--add"), QStringLiteral("CP852"), QStringLiteral("UTF-8")}, home);
    ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
    const auto loaded =
        config::loadConfiguration(config::namedConfiguration(home + QStringLiteral("/trelvick/tq.ini")));
    ASSERT_TRUE(loaded);
    ASSERT_GE(loaded->converters.size(), 3);
    EXPECT_EQ(loaded->converters.first().key, config::converterKey(1));
    EXPECT_EQ(loaded->converters.last().description, QStringLiteral("CP852 -> UTF-8"));
    EXPECT_EQ(loaded->converters[loaded->converters.size() - 2].description, QStringLiteral("CP850 -> UTF-8"));
}

// Adds at once, as two scripts may run them: each lands under a key of its own, none is lost to
// another's replacement. Into a file given, and into the personal file that the first of them makes.
class MaketableAddsAtOnce : public testing::TestWithParam<bool>
{
};

TEST_P(MaketableAddsAtOnce, ConverterLostOrKeyGivenTwice)
{
    const bool given = GetParam();
    const char* const codepages[] = {"CP850", "CP852", "CP855", "CP857", "CP860",  "CP861",
                                     "CP862", "CP863", "CP865", "CP866", "KOI8-R", "KOI8-U"};
    const TempFolder temp;
    const QString home = temp.path(QStringLiteral("config"));
    const QString file = given ? temp.path(QStringLiteral("tq.ini")) : home + QStringLiteral("/trelvick/tq.ini");
    ASSERT_TRUE(!given || temp.write(QStringLiteral("tq.ini"), shippedIni()));
    std::vector<std::unique_ptr<QProcess>> runs;
    for (const char* from : codepages) {
        const QStringList arguments{QStringLiteral("--add"), QString::fromLatin1(from), QStringLiteral("UTF-8")};
        runs.push_back(startTool(given ? arguments + QStringList{QStringLiteral("--config"), file} : arguments, home));
    }
    for (const auto& run : runs) {
        const ToolRun outcome = finished(*run);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    }

    const auto loaded = config::loadConfiguration(config::namedConfiguration(file));
    ASSERT_TRUE(loaded);
    const qsizetype shipped = loaded->converters.size() - qsizetype(std::size(codepages));
    QStringList added, expected;
    for (qsizetype k = shipped; k < loaded->converters.size(); ++k)
        added << loaded->converters.at(k).description;
    for (const char* from : codepages)
        expected << QString::fromLatin1(from) + QStringLiteral(" -> UTF-8");
    added.sort();
    EXPECT_EQ(added, expected);
    const QString text = QStringDecoder("windows-1253").decode(temp.read(file));
    for (qsizetype k = 1; k <= loaded->converters.size(); ++k)
        EXPECT_EQ(text.count(QLatin1Char('[') + config::converterKey(int(k)) + QLatin1Char(']')), 1) << k;
    // No lock file or temporary file stays beside it.
    EXPECT_EQ(QDir(QFileInfo(file).path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("tq.ini")});
}

INSTANTIATE_TEST_SUITE_P(Files, MaketableAddsAtOnce, testing::Values(true, false),
                         [](const auto& info) { return info.param ? "GivenFile" : "PersonalFileMadeByTheFirst"; });

struct FailCase
{
    const char* name;
    QStringList arguments;
    QByteArray file;
    rlim_t fileSizeLimit = 0;
};

class MaketableAddFails : public testing::TestWithParam<FailCase>
{
};

TEST_P(MaketableAddFails, LeavingTheFileAsItWasAndNothingBeside)
{
    const FailCase c = GetParam();
    const TempFolder temp;
    ASSERT_TRUE(temp.write(QStringLiteral("tq.ini"), c.file));
    const ToolRun run =
        runTool(c.arguments + QStringList{QStringLiteral("--config"), temp.path(QStringLiteral("tq.ini"))},
                temp.folder(), c.fileSizeLimit);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_FALSE(run.err.isEmpty());
    EXPECT_EQ(temp.read(QStringLiteral("tq.ini")), c.file);
    EXPECT_EQ(QDir(temp.folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("tq.ini")});
}

QByteArray withSection(const char16_t* section)
{
    return shippedIni() + windows1253(QString::fromUtf16(section)) + "\r\n1=2\r\n";
}

INSTANTIATE_TEST_SUITE_P(Rows, MaketableAddFails,
                         testing::Values(
                             // The disk fills while the new file is written: the old one must survive whole.
                             FailCase{"WriteFails", {"--add", "CP850", "UTF-8"}, shippedIni(), 4096},
                             // A hidden [Μ17] would become visible, or hide the new one.
                             FailCase{"NextKeyTaken", {"--add", "CP850", "UTF-8"}, withSection(u"[μ17]")},
                             FailCase{"NoCount",
                                      {"--add", "CP850", "UTF-8"},
                                      windows1253(u"[Trelvick]\r\n[ΠεριγραφήΜετατροπέων]\r\nΜ1=a\r\n")},
                             FailCase{"UnknownCodepage", {"--add", "CP850", "NO-SUCH"}, shippedIni()}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
