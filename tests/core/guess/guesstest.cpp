// SPDX-License-Identifier: GPL-3.0-or-later
#include "guess/guess.h"
#include "guesscorpus.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

using namespace trelvick;
using namespace Qt::StringLiterals;

namespace {

// --- the corpus: real text in every candidate encoding --------------------------------------------

struct CorpusCase
{
    const char* encoding;
    std::size_t size;
};

void PrintTo(const CorpusCase& c, std::ostream* out)
{
    *out << c.encoding << '/' << c.size;
}

class Corpus : public testing::TestWithParam<CorpusCase>
{
};

TEST_P(Corpus, FewerRightThanPromised)
{
    const auto& [encoding, size] = GetParam();
    const auto samples = guesscorpus::samples(TRELVICK_LOCALE_DIR, encoding, size, 200);
    if (samples.empty())
        GTEST_SKIP() << "no test text: install libc-l10n and bash (tools/setup-debian.sh)";
    std::size_t right = 0;
    std::string wrong;
    for (const auto& sample : samples) {
        const guess::Guess result = guess::guessEncoding(sample.bytes);
        const std::string answer =
            result.fits() ? std::string(guess::encodingName(result.ranked.front().encoding)) : "none";
        if (guesscorpus::readsAlike(sample, encoding, answer))
            ++right;
        else if (wrong.size() < 400)
            wrong += answer + ": " + sample.bytes.substr(0, 40) + "\n";
    }
    const double least = size < 256 ? 0.95 : 0.99;
    EXPECT_GE(double(right), least * double(samples.size())) << right << " of " << samples.size() << "\n" << wrong;
}

std::vector<CorpusCase> corpusCases()
{
    std::vector<CorpusCase> cases;
    for (const char* encoding : guesscorpus::kEncodings) {
        for (const std::size_t size : {64, 256, 1024})
            cases.push_back({encoding, size});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Guess, Corpus, testing::ValuesIn(corpusCases()), [](const auto& info) {
    std::string name = std::string(info.param.encoding) + "_" + std::to_string(info.param.size);
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
});

// --- which converters start from the guess --------------------------------------------------------

struct DescriptionCase
{
    const char* description;
    guess::Encoding encoding;
    bool source;
};

class Description : public testing::TestWithParam<DescriptionCase>
{
};

TEST_P(Description, SourceMisread)
{
    EXPECT_EQ(guess::describesSource(GetParam().description, GetParam().encoding), GetParam().source)
        << GetParam().description;
}

INSTANTIATE_TEST_SUITE_P(
    Guess, Description,
    testing::Values(DescriptionCase{"737 (DOS Greek) -> 1253 (Windows Greek)", guess::Encoding::Cp737, true},
                    DescriptionCase{"737 (DOS Greek) -> 1253 (Windows Greek)", guess::Encoding::Cp1253, false},
                    DescriptionCase{"ISO-8859-7 (ISO Greek) -> 737", guess::Encoding::Iso8859_7, true},
                    DescriptionCase{"8859-7 -> 1253", guess::Encoding::Iso8859_7, true},
                    DescriptionCase{"  cp1253 to 869", guess::Encoding::Cp1253, true},
                    DescriptionCase{"Windows-1252 -> 437", guess::Encoding::Cp1252, true},
                    DescriptionCase{"1252 (Windows Latin) -> 437", guess::Encoding::Cp1253, false},
                    DescriptionCase{"7370 -> 1253", guess::Encoding::Cp737, false},
                    DescriptionCase{"8859-70", guess::Encoding::Iso8859_7, false},
                    DescriptionCase{"437x", guess::Encoding::Cp437, false},
                    DescriptionCase{"UTF-8 -> 1253", guess::Encoding::Utf8, true},
                    DescriptionCase{"", guess::Encoding::Ascii, false}));

// --- trelvick-convert --guess ---------------------------------------------------------------------

// Ά, the curly quotes and the dash are where 1253 and 8859-7 part; the rest reads alike in both.
const std::string kGreek = "«Άλλο ένα “καλό” κείμενο» – είπε ο δάσκαλος στην τάξη, και όλοι γέλασαν.\r\n";
const std::string kPlainGreek = "καλημέρα σε όλους, τι κάνετε σήμερα; είμαστε καλά\r\n";

std::string encoded(const std::string& text, const char* encoding)
{
    return guesscorpus::Iconv(encoding, "UTF-8").convert(text, true).value_or("");
}

std::string randomBytes(std::size_t size)
{
    std::mt19937 generator(17);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

struct CliCase
{
    const char* name;
    QStringList arguments; // "%d/" stands for the folder of the files below
    std::string input;     // standard input
    int status;
    QStringList expected; // in standard output and error together
    QString lang = u"C"_s;
};

void PrintTo(const CliCase& c, std::ostream* out)
{
    *out << c.name;
}

class Cli : public testing::TestWithParam<CliCase>
{
};

TEST_P(Cli, WrongLineOrStatus)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::pair<const char*, std::string> files[] = {
        {"dos", encoded(kGreek, "CP737")},
        {"windows", encoded(kGreek, "CP1253")},
        {"alike", encoded(kPlainGreek, "CP1253")},
        {"unicode", kGreek},
        {"empty", ""},
        {"random", randomBytes(4096)},
        // Only the first 64 KiB are read: what follows them cannot spoil the guess.
        {"long",
         [] {
             std::string text;
             while (text.size() < guess::kPrefixLimit)
                 text += encoded(kGreek, "CP737");
             return text + randomBytes(1 << 20);
         }()},
    };
    for (const auto& [name, bytes] : files) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), qsizetype(bytes.size()));
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"folder"_s));

    QStringList arguments{u"--guess"_s};
    for (const QString& argument : GetParam().arguments)
        arguments << QString(argument).replace(u"%d"_s, dir.path());
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"LC_ALL"_s);
    environment.remove(u"LC_MESSAGES"_s);
    environment.insert(u"LANG"_s, GetParam().lang);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TRELVICK_CONVERT_PATH), arguments);
    ASSERT_TRUE(process.waitForStarted());
    process.write(GetParam().input.data(), qsizetype(GetParam().input.size()));
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString all = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    EXPECT_EQ(process.exitCode(), GetParam().status) << all.toStdString();
    for (const QString& expected : GetParam().expected)
        EXPECT_TRUE(all.contains(QString(expected).replace(u"%d"_s, dir.path()))) << all.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Guess, Cli,
    testing::Values(
        CliCase{"DosGreekWithItsConverters", {u"%d/dos"_s}, {}, 0, {u"%d/dos: CP737, "_s, u"; converters: Μ1, Μ7, Μ11\n"_s}},
        CliCase{"WindowsGreekFromStandardInput",
                {u"-"_s},
                encoded(kGreek, "CP1253"),
                0,
                {u"(standard input): CP1253, "_s, u"; converters: Μ2, Μ4, Μ6, Μ14\n"_s}},
        CliCase{"AlikeInBothShowsRunnerUp",
                {u"%d/alike"_s},
                {},
                0,
                {u"CP1253, 50% sure; runner-up ISO-8859-7, 50%; converters: Μ2, Μ4, Μ6, Μ14"_s}},
        CliCase{
            "UnicodeHasNoConverter", {u"%d/unicode"_s}, {}, 0, {u"UTF-8, 100% sure; no converter starts from UTF-8"_s}},
        CliCase{"EmptyIsAscii", {u"%d/empty"_s}, {}, 0, {u"%d/empty: ASCII, 100% sure"_s}},
        CliCase{"TailAfterPrefixIgnored", {u"%d/long"_s}, {}, 0, {u"%d/long: CP737"_s}},
        CliCase{"RandomBytesNotText", {u"%d/random"_s}, {}, 3, {u"%d/random: not text in a known codepage"_s}},
        CliCase{"GreekMessages",
                {u"%d/dos"_s, u"%d/random"_s},
                {},
                3,
                {u"%d/dos: CP737, βεβαιότητα "_s, u"· μετατροπείς: Μ1, Μ7, Μ11\n"_s,
                 u"%d/random: δεν είναι κείμενο σε γνωστή κωδικοσελίδα"_s},
                u"el_GR.UTF-8"_s},
        CliCase{"UnreadableOutweighsNotText",
                {u"%d/missing"_s, u"%d/random"_s, u"%d/folder"_s, u"%d/dos"_s},
                {},
                1,
                {u"%d/missing: No such file or directory"_s, u"%d/folder: Is a directory"_s, u"%d/dos: CP737"_s}},
        CliCase{"NoFileIsBadUsage", {}, {}, 2, {u"--guess needs at least one file"_s}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
