// SPDX-License-Identifier: GPL-3.0-or-later
#include "guess/guess.h"
#include "guesscorpus.h"
#include "testsupport.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

using namespace trelvick;
using namespace Qt::StringLiterals;

namespace {

using testsupport::PrintTo;

std::string named(const guess::Guess& guess)
{
    return guess.fits() ? std::string(guess::encodingName(guess.ranked.front().encoding)) : "none";
}

// Real text as iconv writes it ("" stays UTF-8), with the DOS arrow ► as the control byte that shows it.
std::string encoded(std::string_view text, const std::string& encoding)
{
    constexpr std::string_view kArrow = "►";
    std::string dos;
    for (std::size_t at = 0; at < text.size();) {
        const bool arrow = text.substr(at).starts_with(kArrow);
        dos += arrow ? '\x10' : text[at];
        at += arrow ? kArrow.size() : 1;
    }
    return encoding.empty() ? dos : guesscorpus::recode(encoding, "UTF-8", dos, true).value_or("<unencodable>");
}

std::string randomBytes(std::size_t size)
{
    std::mt19937 generator(17);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

// English prose repeated to size bytes.
std::string englishText(std::size_t size)
{
    std::string text;
    while (text.size() < size)
        text += "The committee met on Tuesday and agreed on the budget for the coming year.\r\n";
    text.resize(size);
    return text;
}

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
        const std::string answer = named(guess::guessEncoding(sample));
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

// --- what a text is named -------------------------------------------------------------------------

struct TextCase
{
    const char* name;
    std::string bytes;
    const char* best;               // "none": not text
    const char* runnerUp = nullptr; // one that reads the text as the best does
};

class Text : public testing::TestWithParam<TextCase>
{
};

TEST_P(Text, NamedWrongly)
{
    const TextCase& c = GetParam();
    const guess::Guess guess = guess::guessEncoding(c.bytes);
    ASSERT_EQ(named(guess), c.best);
    if (!guess.fits())
        return;
    // Either the best reads the text in its own way, or the runner-up reads it the same: no doubt either way.
    EXPECT_FALSE(guess.doubtful(0.9)) << guess.certainty();
    if (c.runnerUp) {
        ASSERT_NE(guess.runnerUp(), nullptr);
        EXPECT_EQ(guess::encodingName(guess.runnerUp()->encoding), c.runnerUp);
        EXPECT_TRUE(guess.runnerUp()->readsLikeBest);
    } else {
        EXPECT_TRUE(guess.ranked.size() < 2 || !guess.ranked[1].readsLikeBest) << guess.ranked[1].confidence;
    }
}

const std::string kMenu = "╔══════════════════════╗\r\n"
                          "║  ΚΥΡΙΟ ΜΕΝΟΥ         ║\r\n"
                          "╟──────────────────────╢\r\n"
                          "║ ► 1. Νέος πελάτης    ║\r\n"
                          "║   2. Τιμολόγια       ║\r\n"
                          "║   3. Έξοδος          ║\r\n"
                          "╚══════════════════════╝\r\n";
const std::string kTable = "┌──────────┬────────┐\r\n"
                           "│ Fichier  │ Taille │\r\n"
                           "├──────────┼────────┤\r\n"
                           "│ été.txt  │   1024 │\r\n"
                           "└──────────┴────────┘\r\n";

INSTANTIATE_TEST_SUITE_P(
    Guess, Text,
    testing::Values(
        // Frames, blocks and arrows are text in the DOS codepages; alone they read alike in 437 and 737.
        TextCase{"FrameAlone", encoded("┌──┐\n", "CP437"), "CP437", "CP737"},
        TextCase{"ShadesAndBlocks", encoded("▓▓▓▓▒▒▒░░░ 40%\r\n▀▀▀▀▀▀▀▀▀▀\r\n", "CP437"), "CP437", "CP737"},
        TextCase{"GreekMenuInFrames", encoded(kMenu, "CP737"), "CP737"},
        TextCase{"GreekUnderRule", encoded("ΠΕΡΙΕΧΟΜΕΝΑ\r\n────────────\r\nΕισαγωγή στο πρόγραμμα\r\n", "CP737"),
                 "CP737"},
        TextCase{"FrenchInTable", encoded(kTable, "CP437"), "CP437"},
        // Where 1253 and ISO-8859-7 part, the reading that fits the text wins.
        TextCase{"EuroAfterNumberIso", encoded("Η τιμή είναι 5 € το κιλό.\n", "ISO-8859-7"), "ISO-8859-7"},
        TextCase{"EuroAfterNumber1253", encoded("Η τιμή είναι 5 € το κιλό.\n", "CP1253"), "CP1253"},
        TextCase{"EllipsisAtSentenceEnd", encoded("Περίμενε λίγο… Ήρθε αργά.\n", "CP1253"), "CP1253"},
        TextCase{"QuotesAroundWordsIso", encoded("Είπε ‘ναι’ και έφυγε.\n", "ISO-8859-7"), "ISO-8859-7"},
        TextCase{"QuotesAroundWords1253", encoded("Είπε “ναι” και έφυγε.\n", "CP1253"), "CP1253"},
        TextCase{"MicroSign", encoded("Δόση 5 µg την ημέρα.\n", "CP1253"), "CP1253"},
        TextCase{"CapitalAlphaTonosIso", encoded("Άλλος ένας Άγγελος ήρθε.\n", "ISO-8859-7"), "ISO-8859-7"},
        TextCase{"CapitalAlphaTonos1253", encoded("Άλλος ένας Άγγελος ήρθε.\n", "CP1253"), "CP1253"},
        // Where they read a text alike, both are right.
        TextCase{"GreekBothReadAlike", encoded("καλημέρα σε όλους, τι κάνετε σήμερα;\r\n", "CP1253"), "CP1253",
                 "ISO-8859-7"},
        TextCase{"LatinPunctuationOnly", encoded("He said “no” – twice.\r\n", "CP1252"), "CP1252", "CP1253"},
        // Any valid UTF-8 with a character beyond ASCII is UTF-8, and a byte-order mark names UTF-16 and UTF-32.
        TextCase{"Russian", "Привет, как дела? Всё хорошо.\n", "UTF-8"},
        TextCase{"Japanese", "日本語のテキストです。\n", "UTF-8"}, TextCase{"CheckMark", "ok ✓", "UTF-8"},
        TextCase{"Utf16LittleEndian", "\xFF\xFE" + encoded("Καλημέρα σας 😀\n", "UTF-16LE"), "UTF-16LE"},
        TextCase{"Utf16BigEndian", "\xFE\xFF" + encoded("Καλημέρα σας\n", "UTF-16BE"), "UTF-16BE"},
        TextCase{"Utf32LittleEndian", std::string("\xFF\xFE\0\0", 4) + encoded("Καλημέρα\n", "UTF-32LE"), "UTF-32LE"},
        TextCase{"Utf32BigEndian", std::string("\0\0\xFE\xFF", 4) + encoded("Καλημέρα\n", "UTF-32BE"), "UTF-32BE"},
        // A surrogate is no UTF-32 character, the first of them included.
        TextCase{"Utf32Surrogate",
                 std::string("\xFF\xFE\0\0", 4) + encoded("Καλημέρα\n", "UTF-32LE") + std::string("\0\xD8\0\0", 4),
                 "none"},
        TextCase{"Utf16MarkBeforeBinary", "\xFF\xFE" + randomBytes(2048), "none"},
        TextCase{"RandomBytes", randomBytes(4096), "none"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the whole file ---------------------------------------------------------------------------------

// Hands out a string in reads of a few thousand bytes, and fails at failAt when that is within it.
class ShortReader final : public guess::Reader
{
public:
    explicit ShortReader(std::string_view bytes, std::size_t failAt = std::string::npos)
        : m_bytes(bytes), m_failAt(failAt)
    {
    }
    base::Expected<std::size_t> read(char* buffer, std::size_t size) override
    {
        if (m_at >= m_failAt)
            return base::Error::system(EIO, base::Side::Input);
        const std::size_t count = std::min({size, m_bytes.size() - m_at, std::size_t(4093)});
        std::memcpy(buffer, m_bytes.data() + m_at, count);
        m_at += count;
        return count;
    }

private:
    std::string_view m_bytes;
    std::size_t m_failAt;
    std::size_t m_at = 0;
};

struct FileCase
{
    const char* name;
    std::string bytes;
    const char* best;
};

class File : public testing::TestWithParam<FileCase>
{
};

// The same answer from memory and from a file read in pieces, down to the confidences: a byte lost or
// repeated where the reads meet the window would change them.
TEST_P(File, NamedWrongly)
{
    const FileCase& c = GetParam();
    const guess::Guess inMemory = guess::guessEncoding(c.bytes);
    EXPECT_EQ(named(inMemory), c.best);
    ShortReader reader(c.bytes);
    const base::Expected<guess::Guess> read = guess::guessFile(reader);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->ranked.size(), inMemory.ranked.size());
    for (std::size_t i = 0; i < inMemory.ranked.size(); ++i) {
        EXPECT_EQ(read->ranked[i].encoding, inMemory.ranked[i].encoding);
        EXPECT_EQ(read->ranked[i].confidence, inMemory.ranked[i].confidence);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Guess, File,
    testing::Values(
        FileCase{"Utf8CutAtWindowEdge", std::string(65535, ' ') + "Καλημέρα σας\n", "UTF-8"},
        FileCase{"GreekAfter100KiBOfAscii",
                 englishText(100 * 1024) + encoded("\r\nΚαλημέρα, αυτή είναι η τελευταία γραμμή.\r\n", "CP737"),
                 "CP737"},
        FileCase{"GreekRightAfterFirstWindow",
                 englishText(guess::kWindowSize) + encoded("Τέλος του κειμένου.\r\n", "CP1253"), "CP1253"},
        FileCase{"EuroFarInIsAfterNumber",
                 englishText(300 * 1024) + encoded("Τιμή: 5 €\n", "ISO-8859-7") + englishText(70 * 1024), "ISO-8859-7"},
        // The file ends within the window that starts at its first letter, after the read that found it:
        // the window holds the rest of the file and nothing beyond it.
        FileCase{"GreekNearTheEnd",
                 englishText(124 * 1024) + encoded("Καλημέρα σας.\r\n", "CP737") + englishText(10 * 1024), "CP737"},
        FileCase{"AsciiThroughout", englishText(200 * 1024), "ASCII"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Guess, ReadFailureIsLost)
{
    for (const std::size_t failAt : {std::size_t(0), guess::kWindowSize + 5000}) {
        const std::string bytes = englishText(200 * 1024);
        ShortReader reader(bytes, failAt);
        const base::Expected<guess::Guess> guess = guess::guessFile(reader);
        ASSERT_FALSE(guess) << failAt;
        EXPECT_TRUE(guess.error().is(EIO));
        EXPECT_EQ(guess.error().side, base::Side::Input);
    }
}

// --- file names -------------------------------------------------------------------------------------

TEST(Guess, NameMisread)
{
    const struct
    {
        const char* name;
        const char* encoding;
        const char* best; // nullptr: any that reads the name as encoding does
    } cases[] = {{"ΑΡΧΕΙΟ.TXT", "CP737", nullptr},     {"ΠΕΛΑΤΕΣ.DBF", "CP869", nullptr},
                 {"Έγγραφο.doc", "CP1253", nullptr},   {"Φωτογραφία 1.jpg", "ISO-8859-7", nullptr},
                 {"σημειώσεις.txt", "UTF-8", "UTF-8"}, {"notes.txt", "ASCII", "ASCII"}};
    for (const auto& c : cases) {
        const std::string bytes = encoded(c.name, c.encoding == std::string("UTF-8") ? "" : c.encoding);
        const std::string answer = named(guess::guessName(bytes));
        if (c.best)
            EXPECT_EQ(answer, c.best) << c.name;
        else
            EXPECT_TRUE(guesscorpus::readsAlike(bytes, c.encoding, answer))
                << c.name << " in " << c.encoding << ": " << answer;
    }
}

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
                 {"UTF-16LE -> 1253", Utf16Be, false},
                 {"", Ascii, false}};
    for (const auto& c : cases)
        EXPECT_EQ(guess::describesSource(c.description, c.encoding), c.source) << c.description;
}

// --- trelvick-convert --guess -----------------------------------------------------------------------

// Ά, the curly quotes and the dash are where 1253 and 8859-7 part; the rest reads alike in both.
const std::string kGreek = "«Άλλο ένα “καλό” κείμενο» – είπε ο δάσκαλος στην τάξη, και όλοι γέλασαν 😀 \U0010FFFD.\r\n";
const std::string kPlainGreek = "καλημέρα σε όλους, τι κάνετε σήμερα; είμαστε καλά\r\n";

struct CliCase
{
    const char* name;
    QStringList arguments; // "%d/" stands for the folder of the files below
    int status;
    QStringList lines;       // standard output, one pattern a line
    QStringList errors = {}; // in standard error
    std::string input = {};  // standard input
    QString lang = u"C"_s;
};

class Cli : public testing::TestWithParam<CliCase>
{
};

TEST_P(Cli, WrongLineOrStatus)
{
    const CliCase& c = GetParam();
    const testsupport::TempFolder dir;
    const std::pair<const char*, std::string> files[] = {
        {"dos", encoded(kGreek, "CP737")},
        {"alike", encoded(kPlainGreek, "CP1253")},
        {"unicode", kGreek},
        {"empty", ""},
        {"random", randomBytes(4096)},
        {"tab\tname", encoded(kGreek, "CP737")},
    };
    for (const auto& [name, bytes] : files)
        ASSERT_TRUE(dir.write(QString::fromUtf8(name), QByteArray::fromStdString(bytes)));
    ASSERT_TRUE(QDir(dir.folder()).mkdir(u"folder"_s));

    QStringList arguments;
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
    process.write(QByteArray::fromStdString(c.input));
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    EXPECT_EQ(process.exitCode(), c.status) << out.toStdString() << errors.toStdString();
    QStringList lines = out.split(u'\n');
    ASSERT_EQ(lines.takeLast(), QString()) << out.toStdString(); // every line ended
    ASSERT_EQ(lines.size(), c.lines.size()) << out.toStdString();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString pattern = QString(c.lines[i]).replace(u"%d"_s, QRegularExpression::escape(dir.folder()));
        EXPECT_TRUE(QRegularExpression(u'^' + pattern + u'$').match(lines[i]).hasMatch())
            << lines[i].toStdString() << "\n  does not match " << pattern.toStdString();
    }
    for (const QString& expected : c.errors)
        EXPECT_TRUE(errors.contains(QString(expected).replace(u"%d"_s, dir.folder()))) << errors.toStdString();
}

// One line per file on standard output, failures included; two codepages that read a file alike share
// the vote and say so; a guess is certain only when no other codepage fits.
INSTANTIATE_TEST_SUITE_P(
    Guess, Cli,
    testing::Values(CliCase{"EachFileItsLine",
                            {u"--guess"_s, u"%d/dos"_s, u"%d/alike"_s, u"%d/unicode"_s, u"%d/empty"_s},
                            0,
                            {u"%d/dos: CP737, \\d+% sure; converters: Μ1, Μ7, Μ11"_s,
                             u"%d/alike: CP1253, \\d+% sure; runner-up ISO-8859-7, \\d+%, which reads it the same; "
                             u"converters: Μ2, Μ4, Μ6, Μ14"_s,
                             u"%d/unicode: UTF-8, 100% sure; no converter starts from UTF-8"_s,
                             u"%d/empty: ASCII, 100% sure; no converter starts from ASCII"_s}},
                    CliCase{"FailedFilesDropped",
                            {u"--guess"_s, u"%d/missing"_s, u"%d/random"_s, u"%d/folder"_s, u"%d/dos"_s},
                            1,
                            {u"%d/missing: could not be read"_s, u"%d/random: not text in a known codepage"_s,
                             u"%d/folder: could not be read"_s, u"%d/dos: CP737, .*"_s},
                            {u"%d/missing: No such file or directory"_s, u"%d/folder: Is a directory"_s}},
                    CliCase{"NameFormat",
                            {u"--guess=name"_s, u"%d/dos"_s, u"%d/random"_s, u"%d/alike"_s},
                            3,
                            {u"CP737"_s, u"unknown"_s, u"CP1253"_s}},
                    CliCase{"TsvFormat",
                            {u"--guess=tsv"_s, u"%d/alike"_s, u"%d/missing"_s, u"%d/tab\tname"_s, u"-"_s},
                            1,
                            {u"%d/alike\tCP1253\t\\d+\tISO-8859-7\t\\d+\tΜ2,Μ4,Μ6,Μ14"_s,
                             u"%d/missing\tunknown\t0\t\t\t"_s, u"%d/tab\\\\x09name\tCP737\t\\d+\t\t\tΜ1,Μ7,Μ11"_s,
                             u"-\tUTF-8\t100\t\t\t"_s},
                            {u"%d/missing: No such file or directory"_s},
                            kGreek},
                    CliCase{"ScriptFormatTranslated",
                            {u"--guess=tsv"_s, u"%d/random"_s},
                            3,
                            {u"%d/random\tunknown\t0\t\t\t"_s},
                            {},
                            {},
                            u"el_GR.UTF-8"_s},
                    CliCase{"GreekMessages",
                            {u"--guess"_s, u"%d/dos"_s, u"-"_s},
                            0,
                            {u"%d/dos: CP737, βεβαιότητα \\d+%· μετατροπείς: Μ1, Μ7, Μ11"_s,
                             u"\\(τυπική είσοδος\\): CP1253, .*· μετατροπείς: Μ2, Μ4, Μ6, Μ14"_s},
                            {},
                            encoded(kGreek, "CP1253"),
                            u"el_GR.UTF-8"_s},
                    CliCase{"UnknownFormatAccepted",
                            {u"--guess=xml"_s, u"%d/dos"_s},
                            2,
                            {},
                            {u"'xml' is not a value of '--guess': name, tsv"_s}},
                    CliCase{"NoFileIsBadUsage", {u"--guess"_s}, 2, {}, {u"--guess needs at least one file"_s}}),
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
        for (int encoding = 0; encoding < guess::kEncodingCount; ++encoding)
            EXPECT_TRUE(help.contains(guess::encodingName(guess::Encoding(encoding)).data())) << lang << encoding;
    }
}

} // namespace
