// SPDX-License-Identifier: GPL-3.0-or-later
// trelvick-convert -f/-t run as a process, as scripts run it, against the C library's iconv.
#include "programrun.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <iconv.h>

using namespace trelvick;
using namespace Qt::StringLiterals;
using testsupport::PrintTo;

namespace {

const QString kProgram = QStringLiteral(TRELVICK_CONVERT_PATH);

using testsupport::Outcome;

// What iconv makes of each byte alone; a byte it rejects is missing, or becomes mark.
QByteArray iconvBytes(const char* from, const char* to, const QByteArray& input, const QByteArray& mark = {})
{
    iconv_t cd = ::iconv_open(to, from);
    EXPECT_NE(cd, iconv_t(-1)) << from << " -> " << to;
    QByteArray result;
    for (const char byte : input) {
        char in[1] = {byte};
        char out[8];
        char* inPointer = in;
        char* outPointer = out;
        std::size_t inLeft = 1, outLeft = sizeof out;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (::iconv(cd, &inPointer, &inLeft, &outPointer, &outLeft) == std::size_t(-1))
            result += mark;
        else
            result.append(out, static_cast<qsizetype>(sizeof out - outLeft));
    }
    ::iconv_close(cd);
    return result;
}

QByteArray allBytes()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes += char(b);
    return bytes + "a\r\nb\rc\n\r"; // the three kinds of line end, and a CR last
}

class Transcode : public testing::Test, protected testsupport::TempFolder
{
protected:
    Outcome run(const QStringList& arguments, const QByteArray& input = {}) const
    {
        QStringList expanded;
        for (const QString& argument : arguments)
            expanded << QString(argument).replace(u"%d"_s, folder());
        return testsupport::runProgram(kProgram, expanded, input, testsupport::localeEnvironment(u"C"_s));
    }
};

const char* const kCodepages[] = {"CP437",  "CP737",      "CP850",      "CP869", "CP1252",
                                  "CP1253", "ISO-8859-1", "ISO-8859-7", "KOI8-R"};

// Every byte and every kind of line end, as iconv writes them; bytes iconv rejects become U+FFFD.
// Back from UTF-8, each codepage's own characters give its bytes again.
TEST_F(Transcode, BytesDifferFromIconv)
{
    const QByteArray input = allBytes();
    write(u"in"_s, input);
    for (const char* codepage : kCodepages) {
        SCOPED_TRACE(codepage);
        const QByteArray utf8 = iconvBytes(codepage, "UTF-8", input, "\xEF\xBF\xBD");
        const Outcome to = run({u"-f"_s, QString::fromLatin1(codepage), u"%d/in"_s});
        EXPECT_EQ(to.status, 0) << to.err.toStdString();
        EXPECT_EQ(to.out, utf8);

        const QByteArray own = iconvBytes(codepage, "UTF-8", input);
        const Outcome back = run({u"--from-code=UTF-8"_s, u"-t"_s, QString::fromLatin1(codepage)}, own);
        EXPECT_EQ(back.status, 0);
        EXPECT_EQ(back.out, testsupport::iconvText(own, "UTF-8", codepage));
        EXPECT_FALSE(back.err.contains(u"no equivalent"_s)) << back.err.toStdString();
    }
}

// One codepage into another: the text the target can hold, byte for byte as iconv gives it.
TEST_F(Transcode, PairDiffersFromIconv)
{
    const std::pair<const char*, const char*> pairs[] = {
        {"CP737", "CP1253"}, {"CP1253", "ISO-8859-7"}, {"CP869", "CP737"}, {"KOI8-R", "CP1252"}, {"CP437", "CP850"}};
    for (const auto& [from, to] : pairs) {
        SCOPED_TRACE(std::string(from) + " -> " + to);
        // The bytes of from whose characters to has.
        const QByteArray all = allBytes();
        QByteArray input;
        for (const char byte : all) {
            const QByteArray utf8 = iconvBytes(from, "UTF-8", QByteArray(1, byte));
            if (!utf8.isEmpty() && !iconvBytes("UTF-8", to, utf8).isEmpty())
                input += byte;
        }
        const Outcome outcome = run({u"-f"_s, QString::fromLatin1(from), u"-t"_s, QString::fromLatin1(to)}, input);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.out, testsupport::iconvText(input, from, to));
        EXPECT_FALSE(outcome.err.contains(u"no equivalent"_s)) << outcome.err.toStdString();
    }
}

const QByteArray kGreek = "Η Αθήνα είναι η πρωτεύουσα της Ελλάδας και η μεγαλύτερη πόλη της χώρας.\r\n";

struct FormCase
{
    const char* name;
    QStringList arguments; // %d: the temporary folder, which holds a (737 "Αβγ\r\n") and b (737 "δ\rε\n")
    QByteArray input;      // standard input
    int status;
    QByteArray out;       // standard output
    QString err;          // a part of standard error
    QByteArray file = {}; // what %d/o holds afterwards ("old" before)
};

class Forms : public Transcode, public testing::WithParamInterface<FormCase>
{
};

TEST_P(Forms, WrongOutputOrStatus)
{
    const FormCase& c = GetParam();
    write(u"a"_s, "\x80\x99\x9a\r\n");
    write(u"b"_s, "\x9b\r\x9c\n");
    write(u"o"_s, "old");
    write(u"g"_s, testsupport::iconvText(kGreek, "UTF-8", "CP737"));
    write(u"z"_s, QByteArray("\x00\x01\x02\xFF\xFE\x00\x10\x80\x00", 9));
    const Outcome outcome = run(c.arguments, c.input);
    EXPECT_EQ(outcome.status, c.status) << outcome.err.toStdString();
    EXPECT_EQ(outcome.out, c.out);
    EXPECT_TRUE(outcome.err.contains(QString(c.err).replace(u"%d"_s, folder()))) << outcome.err.toStdString();
    EXPECT_EQ(read(u"o"_s), c.file.isNull() ? QByteArray("old") : c.file);
}

INSTANTIATE_TEST_SUITE_P(
    Transcode, Forms,
    testing::Values(
        FormCase{"StandardInputNotDefault",
                 {u"-f"_s, u"737"_s},
                 "\x80\n",
                 0,
                 "Α\n",
                 u"(standard input) -> (standard output): 1 character changed"_s},
        FormCase{"DashNotStandardInput", {u"-qf"_s, u"ibm737"_s, u"-"_s, u"%d/a"_s}, "\x81", 0, "ΒΑβγ\r\n", {}},
        FormCase{"InputsNotConcatenated",
                 {u"-f"_s, u"CP737"_s, u"%d/a"_s, u"%d/b"_s, u"-o"_s, u"%d/o"_s},
                 {},
                 0,
                 {},
                 u"%d/a, %d/b -> %d/o: 5 characters changed"_s,
                 "Αβγ\r\nδ\rε\n"},
        FormCase{"LfNotMade", {u"--eol=lf"_s, u"-f"_s, u"CP737"_s, u"%d/a"_s, u"%d/b"_s}, {}, 0, "Αβγ\nδ\nε\n", {}},
        FormCase{"CrLfNotMade", {u"--eol"_s, u"crlf"_s, u"-f"_s, u"CP737"_s, u"%d/b"_s}, {}, 0, "δ\r\nε\r\n", {}},
        FormCase{"CrLfAddedAtTheEnd",
                 {u"--eol=crlf"_s, u"-qf"_s, u"1253"_s},
                 "ab\ncd\n\r\r\nx",
                 0,
                 "ab\r\ncd\r\n\r\n\r\nx",
                 {}},
        FormCase{"LostNotCounted",
                 {u"-f"_s, u"UTF-8"_s, u"-t"_s, u"CP737"_s},
                 "«€»Ω",
                 0,
                 "???\x97",
                 u"3 characters have no equivalent in CP737 and became '?'"_s},
        FormCase{"InvalidNotCounted",
                 {u"-f"_s, u"utf8"_s, u"-t"_s, u"CP737"_s},
                 "a\xC3",
                 0,
                 "a?",
                 u"1 byte is no character of utf8 and became '?'"_s},
        FormCase{"UndefinedNotReplaced",
                 {u"-f"_s, u"ISO-8859-7"_s},
                 "\xAE",
                 0,
                 "\xEF\xBF\xBD",
                 u"1 byte is no character of ISO-8859-7 and became U+FFFD"_s},
        FormCase{"StrictWroteOutput",
                 {u"--strict"_s, u"-f"_s, u"UTF-8"_s, u"-t"_s, u"CP737"_s, u"-o"_s, u"%d/o"_s},
                 "€",
                 1,
                 {},
                 u"(standard input): Characters without an equivalent in the target"_s},
        FormCase{"StrictRefusedCleanText",
                 {u"--strict"_s, u"-f"_s, u"UTF-8"_s, u"-t"_s, u"CP737"_s, u"-o"_s, u"%d/o"_s},
                 "Ω",
                 0,
                 {},
                 {},
                 "\x97"},
        FormCase{"OutputReplacedByItsInput",
                 {u"-f"_s, u"CP737"_s, u"%d/o"_s, u"--output=%d/o"_s},
                 {},
                 1,
                 {},
                 u"are the same file"_s},
        FormCase{"UnknownNameAccepted",
                 {u"-f"_s, u"CP999"_s},
                 "x",
                 2,
                 {},
                 u"-f 'CP999': Unknown codepage (trelvick-convert --list-codepages"_s},
        FormCase{"SuffixAccepted",
                 {u"--from-code=CP737//TRANSLIT"_s},
                 "x",
                 2,
                 {},
                 u"iconv's // suffixes do not apply here"_s},
        FormCase{"MultiByteAccepted", {u"-f"_s, u"SHIFT_JIS"_s}, "x", 2, {}, u"Not a single-byte codepage"_s},
        FormCase{"Utf16Refused", {u"-f"_s, u"UTF-16"_s}, QByteArray("\xff\xfe\xa3\x03\n\0", 6), 0, "Σ\n", {}},
        FormCase{"Utf8NotPassedThrough", {u"-f"_s, u"UTF-8"_s, u"--eol=lf"_s}, "é\r\n", 0, "é\n", {}},
        FormCase{"AutoGuessWrong", {u"-f"_s, u"auto"_s, u"%d/g"_s}, {}, 0, kGreek, {}},
        FormCase{"AutoSeveralIntoOneFile",
                 {u"-f"_s, u"auto"_s, u"%d/a"_s, u"%d/g"_s, u"-o"_s, u"%d/o"_s},
                 {},
                 2,
                 {},
                 u"with -f auto, several files go only to standard output"_s},
        FormCase{"AutoReadStandardInput",
                 {u"-f"_s, u"auto"_s},
                 "x",
                 2,
                 {},
                 u"-f auto guesses named files, not standard input"_s},
        FormCase{"AutoConvertedBinary", {u"-f"_s, u"auto"_s, u"%d/z"_s}, {}, 1, {}, u"not text in a known codepage"_s}),
    [](const auto& info) { return std::string(info.param.name); });

// The names -f and -t take, one a line, for completion and for the curious.
TEST_F(Transcode, CodepageMissingFromList)
{
    const Outcome outcome = run({u"--list-codepages"_s});
    EXPECT_EQ(outcome.status, 0);
    const QList<QByteArray> names = outcome.out.split('\n');
    for (const char* name : {"CP737", "UTF-8", "ISO-8859-7", "KOI8-R"})
        EXPECT_TRUE(names.contains(name)) << name;
    EXPECT_FALSE(names.contains("UTF-16"));
}

} // namespace
