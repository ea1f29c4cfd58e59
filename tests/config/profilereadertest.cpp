// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/profilereader.h"

#include "testsupport.h"

#include <gtest/gtest.h>

using namespace trelvick::config;
using namespace Qt::StringLiterals;

namespace {

struct ReaderCase
{
    const char* fault;
    QString file; // lines joined with "\n"; each test runs with CR LF, LF and CR line ends
    QString section;
    QString key;
    QString expected;
    int capacity = 49;
};

const QString absent = QString::fromUtf16(kAbsentMarker);

const ReaderCase readerCases[] = {
    {"LatinNameCaseCounts", "[trelvick]\nkey=v", "TRELVICK", "KEY", "v"},
    {"GreekNameCaseCounts", "[ΠεριγραφήΜετατροπέων]\nμ1=v", "ΠΕΡΙΓΡΑΦΉΜΕΤΑΤΡΟΠΈΩΝ", "Μ1", "v"},
    {"AccentedLetterNotFolded", "[S]\nήλιος=v", "S", "ΉΛΙΟΣ", "v"},
    {"DialytikaNotFolded", "[S]\nϊ=w", "S", "Ϊ", "w"},
    {"AccentIgnored", "[S]\nΗΛΙΟΣ=v", "S", "ΉΛΙΟΣ", absent},
    {"LatinMTakenForMu", "[S]\nM1=latin", "S", "Μ1", absent},
    {"MicroSignTakenForMu", "[S]\nµ1=micro", "S", "Μ1", absent},
    {"MuTakenForMicroSign", "[S]\nμ1=mu", "S", "µ1", absent},
    {"BlanksAroundValueKept", "[S]\nK = \t\v value \t", "S", "K", "value"},
    {"BlanksInsideNameIgnored", "[S]\nKey Name=v", "S", "KeyName", absent},
    {"BlanksAroundArgumentsCount", "[S]\nK=v", " S\t", " K ", "v"},
    {"DoubleQuotesKept", "[S]\nK= \"  v  \" ", "S", "K", "  v  "},
    {"SingleQuotesKept", "[S]\nK='v'", "S", "K", "v"},
    {"MoreThanOnePairDropped", "[S]\nK=\"\"v\"\"", "S", "K", "\"v\""},
    {"MismatchedQuotesDropped", "[S]\nK=\"v'", "S", "K", "\"v'"},
    {"EmptyQuotesKept", "[S]\nK=\"\"", "S", "K", ""},
    {"LoneQuoteDropped", "[S]\nK=\"", "S", "K", "\""},
    {"EmptyValueReadAsAbsent", "[S]\nK=", "S", "K", ""},
    {"BlanksOnlyValueEmpty", "[S]\nK= \t ", "S", "K", ""},
    {"ValueNotCutToCapacity", "[S]\nK=" + QString(60, u'δ'), "S", "K", QString(49, u'δ')},
    {"CutBeforeUnquoting", "[S]\nK=\"abcdef\"", "S", "K", "abc", 3},
    {"ValueStopsAtSecondEquals", "[S]\na=b=c", "S", "A", "b=c"},
    {"LaterKeyWins", "[S]\nk=1\nK=2", "S", "K", "1"},
    {"KeyWithoutEqualsSkipped", "[S]\nK\nK=2", "S", "K", absent},
    {"RepeatedSectionSearched", "[S]\nA=1\n[s]\nA=2\nB=3", "S", "B", absent},
    {"CommentReadAsKey", "[S]\n  ;K=1", "S", ";K", absent},
    {"HashTakenForComment", "[S]\n#K=1", "S", "#K", "1"},
    {"TextAfterBracketInName", "[S] more]\nK=v", "S", "K", "v"},
    {"HeaderWithoutBracketLost", "[ S \nK=v", "S", "K", "v"},
    {"KeyBeforeFirstHeaderRead", "K=v\n[S]", "", "K", absent},
    {"MissingSectionNotAbsent", "[S]\nK=v", "T", "K", absent},
};

class ReaderRule : public testing::TestWithParam<ReaderCase>
{
};

TEST_P(ReaderRule, ReadsAsTheClassicReader)
{
    const ReaderCase& c = GetParam();
    for (const QString& lineEnd : {u"\r\n"_s, u"\n"_s, u"\r"_s}) {
        SCOPED_TRACE(lineEnd == u"\n" ? "LF" : lineEnd == u"\r" ? "CR" : "CR LF");
        const QString file = QString(c.file).replace(u'\n', lineEnd);
        EXPECT_EQ(ProfileReader::fromBytes(windows1253(file)).read(c.section, c.key, c.capacity), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, ReaderRule, testing::ValuesIn(readerCases),
                         [](const auto& info) { return info.param.fault; });

// Each file holds "[S]" and "K=Από 437"; every encoding must give the same lookup.
struct EncodingCase
{
    const char* fault;
    QByteArray bytes;
    QString expected = u"Από 437"_s;
};

const QByteArray kUtf8Bom = "\xEF\xBB\xBF";
const QString kText = u"[S]\r\nK=Από 437"_s;

const EncodingCase encodingCases[] = {
    {"GreekBytesMisreadAsUtf8", windows1253(kText)},
    {"Utf8MisreadAsGreekBytes", kText.toUtf8()},
    {"Utf8BomNotDropped", kUtf8Bom + kText.toUtf8()},
    {"BomBeforeGreekBytesMisread", kUtf8Bom + windows1253(kText)},
    {"Utf16LeMisread", "\xFF\xFE" + QByteArray(QStringEncoder(QStringEncoder::Utf16LE).encode(kText))},
    {"Utf16BeMisread", "\xFE\xFF" + QByteArray(QStringEncoder(QStringEncoder::Utf16BE).encode(kText))},
    // Starts like UTF-8 but is cut short: still windows-1253.
    {"CutSequenceTakenForUtf8", "[S]\nK=a\xCE", u"aΞ"_s},
};

using Encoding = testing::TestWithParam<EncodingCase>;

TEST_P(Encoding, EntryMisread)
{
    EXPECT_EQ(ProfileReader::fromBytes(GetParam().bytes).read("S", "K", 49), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(ConfigText, Encoding, testing::ValuesIn(encodingCases),
                         [](const auto& info) { return info.param.fault; });

} // namespace

// A file that is not there is its errno, not an empty profile and not a wait.
TEST(ProfileReader, MissingFileTakenForEmpty)
{
    const auto reader = ProfileReader::fromFile(u"/nonexistent/trelvick/tq.ini"_s);
    ASSERT_FALSE(reader);
    EXPECT_TRUE(reader.error().is(ENOENT));
}
