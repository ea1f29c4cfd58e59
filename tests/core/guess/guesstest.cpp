// SPDX-License-Identifier: GPL-3.0-or-later
#include "guess/guess.h"
#include "guesscorpus.h"
#include "testsupport.h"

#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

#include <random>

using namespace trelvick;
using namespace Qt::StringLiterals;

namespace {

class Corpus : public testing::TestWithParam<std::tuple<const char*, std::size_t>>
{
};

TEST_P(Corpus, FewerRightThanPromised)
{
    const auto& [encoding, size] = GetParam();
    const auto pieces = guesscorpus::samples(TRELVICK_LOCALE_DIR, encoding, size, 200);
    if (pieces.empty())
        GTEST_SKIP() << "no test text: install libc-l10n and bash (tools/setup-debian.sh)";
    std::size_t right = 0;
    std::string wrong;
    for (const auto& sample : pieces) {
        const guess::Guess result = guess::guessEncoding(sample);
        const std::string answer =
            result.fits() ? std::string(guess::encodingName(result.ranked.front().encoding)) : "none";
        if (guesscorpus::readsAlike(sample, encoding, answer))
            ++right;
        else if (wrong.size() < 400)
            wrong += answer + ": " + sample.substr(0, 40) + "\n";
    }
    const double least = size < 256 ? 0.95 : 0.99;
    EXPECT_GE(double(right), least * double(pieces.size())) << right << " of " << pieces.size() << "\n" << wrong;
}

INSTANTIATE_TEST_SUITE_P(Guess, Corpus,
                         testing::Combine(testing::Values("CP737", "CP869", "ISO-8859-7", "CP1253", "CP437", "CP1252",
                                                          "UTF-8", "ASCII"),
                                          testing::Values(64, 256, 1024)));

TEST(Guess, DescriptionNamesItsSource)
{
    using enum guess::Encoding;
    const struct
    {
        const char* description;
        guess::Encoding encoding;
        bool source;
    } cases[] = {{"737 (DOS Greek) -> 1253 (Windows Greek)", Cp737, true},
                 {"737 (DOS Greek) -> 1253 (Windows Greek)", Cp1253, false},
                 {"ISO-8859-7 (ISO Greek) -> 737", Iso8859_7, true},
                 {"8859-7 -> 1253", Iso8859_7, true},
                 {"  cp1253 to 869", Cp1253, true},
                 {"Windows-1252 -> 437", Cp1252, true},
                 {"1252 (Windows Latin) -> 437", Cp1253, false},
                 {"7370 -> 1253", Cp737, false},
                 {"8859-70", Iso8859_7, false},
                 {"437Z", Cp437, false},
                 {"UTF-8 -> 1253", Utf8, true},
                 {"", Ascii, false}};
    for (const auto& c : cases)
        EXPECT_EQ(guess::describesSource(c.description, c.encoding), c.source) << c.description;
}

// --- trelvick-convert --guess ---------------------------------------------------------------------

// Ά, the curly quotes and the dash are where 1253 and 8859-7 part; the rest reads alike in both.
const std::string kGreek = "«Άλλο ένα “καλό” κείμενο» – είπε ο δάσκαλος στην τάξη, και όλοι γέλασαν 😀 \U0010FFFD.\r\n";
const std::string kPlainGreek = "καλημέρα σε όλους, τι κάνετε σήμερα; είμαστε καλά\r\n";

QByteArray encoded(const std::string& text, const char* encoding)
{
    return QByteArray::fromStdString(guesscorpus::recode(encoding, "UTF-8", text, true).value_or(""));
}

QByteArray randomBytes(std::size_t size)
{
    std::mt19937 generator(17);
    QByteArray bytes(qsizetype(size), '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

struct CliCase
{
    const char* name;
    QStringList arguments; // "%d/" stands for the folder of the files below
    int status;
    QStringList expected;  // in standard output and error together
    QByteArray input = {}; // standard input
    QString lang = u"C"_s;
};
using testsupport::PrintTo;

class Cli : public testing::TestWithParam<CliCase>
{
};

TEST_P(Cli, WrongLineOrStatus)
{
    const CliCase& c = GetParam();
    const testsupport::TempFolder dir;
    QByteArray longDos; // random bytes after the first 64 KiB
    while (longDos.size() < qsizetype(guess::kPrefixLimit))
        longDos += encoded(kGreek, "CP737");
    const std::pair<const char*, QByteArray> files[] = {
        {"dos", encoded(kGreek, "CP737")},
        {"alike", encoded(kPlainGreek, "CP1253")},
        {"unicode", QByteArray::fromStdString(kGreek)},
        {"empty", QByteArray()},
        {"random", randomBytes(4096)},
        {"long", longDos + randomBytes(1 << 20)},
    };
    for (const auto& [name, bytes] : files)
        ASSERT_TRUE(dir.write(QString::fromLatin1(name), bytes));
    ASSERT_TRUE(QDir(dir.folder()).mkdir(u"folder"_s));

    QStringList arguments{u"--guess"_s};
    for (const QString& argument : c.arguments)
        arguments << QString(argument).replace(u"%d"_s, dir.folder());
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"LC_ALL"_s);
    environment.remove(u"LC_MESSAGES"_s);
    environment.insert(u"LANG"_s, c.lang);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TRELVICK_CONVERT_PATH), arguments);
    ASSERT_TRUE(process.waitForStarted());
    process.write(c.input);
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString all = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    EXPECT_EQ(process.exitCode(), c.status) << all.toStdString();
    for (const QString& expected : c.expected)
        EXPECT_TRUE(all.contains(QString(expected).replace(u"%d"_s, dir.folder()))) << all.toStdString();
}

// One line per file: only the first 64 KiB are read, two codepages that read a file alike share the
// vote, and a guess is certain only when no other codepage fits.
INSTANTIATE_TEST_SUITE_P(
    Guess, Cli,
    testing::Values(CliCase{"EachFileItsLine",
                            {u"%d/dos"_s, u"%d/alike"_s, u"%d/unicode"_s, u"%d/empty"_s, u"%d/long"_s},
                            0,
                            {u"%d/dos: CP737, "_s, u"; converters: Μ1, Μ7, Μ11\n"_s,
                             u"%d/alike: CP1253, 50% sure; runner-up ISO-8859-7, 50%; converters: Μ2, Μ4, Μ6, Μ14\n"_s,
                             u"%d/unicode: UTF-8, 100% sure; no converter starts from UTF-8\n"_s,
                             u"%d/empty: ASCII, 100% sure"_s, u"%d/long: CP737"_s}},
                    CliCase{"WindowsGreekFromStandardInput",
                            {u"-"_s},
                            0,
                            {u"(standard input): CP1253, "_s, u"; converters: Μ2, Μ4, Μ6, Μ14\n"_s},
                            encoded(kGreek, "CP1253")},
                    CliCase{"GreekMessages",
                            {u"%d/dos"_s, u"%d/random"_s},
                            3,
                            {u"%d/dos: CP737, βεβαιότητα "_s, u"· μετατροπείς: Μ1, Μ7, Μ11\n"_s,
                             u"%d/random: δεν είναι κείμενο σε γνωστή κωδικοσελίδα"_s},
                            {},
                            u"el_GR.UTF-8"_s},
                    CliCase{"UnreadableOutweighsNotText",
                            {u"%d/missing"_s, u"%d/random"_s, u"%d/folder"_s, u"%d/dos"_s},
                            1,
                            {u"%d/missing: No such file or directory"_s, u"%d/random: not text in a known codepage"_s,
                             u"%d/folder: Is a directory"_s, u"%d/dos: CP737"_s}},
                    CliCase{"NoFileIsBadUsage", {}, 2, {u"--guess needs at least one file"_s}}),
    [](const auto& info) { return std::string(info.param.name); });

// The help in both languages lists every name a guess can give.
TEST(Guess, HelpLeavesOutACodepage)
{
    for (const char* lang : {"C", "el_GR.UTF-8"}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"LC_ALL"_s);
        environment.insert(u"LANG"_s, QString::fromLatin1(lang));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TRELVICK_CONVERT_PATH), {u"--help"_s});
        ASSERT_TRUE(process.waitForFinished(60000));
        const QByteArray help = process.readAllStandardOutput();
        for (int encoding = 0; encoding <= int(guess::Encoding::Cp437); ++encoding)
            EXPECT_TRUE(help.contains(guess::encodingName(guess::Encoding(encoding)).data())) << lang << encoding;
    }
}

} // namespace
