// SPDX-License-Identifier: GPL-3.0-or-later
// Codepages by name and the conversions made from them, against the C library's iconv itself: every
// byte of each codepage into UTF-8, one codepage into another on text the target can hold, UTF-8 back
// into each, with LF, CR LF and lone CR lines kept as they are.

#include "charset/charset.h"
#include "charset/tables.h"
#include "charset/widesource.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <optional>
#include <string>

using namespace trelvick;
using charset::Charset;

namespace {

struct StringSource final : convert::ByteSource
{
    StringSource(std::string bytes, std::int64_t piece) : bytes(std::move(bytes)), piece(piece) {}
    std::int64_t read(char* buffer, std::int64_t capacity) override
    {
        const std::int64_t size = std::min({capacity, piece, std::int64_t(bytes.size()) - pos});
        std::memcpy(buffer, bytes.data() + pos, std::size_t(size));
        pos += size;
        return size;
    }
    trelvick::base::Error error() const override { return {}; }

    std::string bytes;
    std::int64_t piece, pos = 0;
};

struct StringSink final : convert::ByteSink
{
    bool write(const char* data, std::int64_t size) override
    {
        bytes.append(data, std::size_t(size));
        return true;
    }
    trelvick::base::Error error() const override { return {}; }

    std::string bytes;
};

struct Converted
{
    std::string bytes;
    convert::Counts counts;
};

// As trelvick-convert -f from -t to: line ends kept; reads of piece bytes.
Converted convert(const std::string& from, const std::string& to, const std::string& input,
                  std::int64_t piece = std::int64_t(1) << 30)
{
    const auto source = Charset::find(from);
    const auto target = Charset::find(to);
    EXPECT_TRUE(source && target) << from << " " << to;
    const auto converter = charset::converter(*source, *target);
    EXPECT_TRUE(converter);
    StringSource in(input, piece);
    StringSink out;
    convert::EngineOptions options;
    options.lineEnds = convert::LineEnds::Keep;
    const convert::EngineResult result = convert::convertStream(in, out, *converter, options);
    EXPECT_TRUE(result.ok);
    return {out.bytes, result.counts};
}

// iconv's own conversion of the whole input at once; a byte it refuses becomes U+FFFD (or '?' when
// replacement is '?') and the conversion goes on after it.
std::string iconvConvert(const std::string& from, const std::string& to, std::string input,
                         const std::string& replacement = "\xEF\xBF\xBD")
{
    const std::unique_ptr<void, int (*)(iconv_t)> cd(iconv_open(to.c_str(), from.c_str()), iconv_close);
    std::string output;
    char* in = input.data();
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
        char buffer[4096];
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t done = iconv(cd.get(), &in, &inLeft, &out, &outLeft);
        output.append(buffer, std::size_t(out - buffer));
        if (done == std::size_t(-1) && errno == EILSEQ) {
            output += replacement;
            ++in;
            --inLeft;
        } else if (done == std::size_t(-1) && errno != E2BIG) {
            ADD_FAILURE() << from << " -> " << to << ": " << std::strerror(errno);
            break;
        }
    }
    return output;
}

// Lines of 16 bytes each, ended by terminator, holding the bytes that keep says.
std::string lines(const std::function<bool(int)>& keep, const std::string& terminator)
{
    std::string text;
    for (int b = 0; b < 256; ++b) {
        if (keep(b))
            text += char(b);
        if (b % 16 == 15)
            text += terminator;
    }
    return text;
}

struct NameCase
{
    const char* name;
    std::optional<base::Fault> fault;
    int byte = -1, character = -1; // the character of one byte, or -1 for UTF-8
};

class CharsetNames : public testing::TestWithParam<NameCase>
{
};

TEST_P(CharsetNames, FoundUnderIconvsNamesOrRefusedWithTheReason)
{
    const NameCase c = GetParam();
    const auto found = Charset::find(c.name);
    if (c.fault) {
        ASSERT_FALSE(found);
        EXPECT_TRUE(found.error().is(*c.fault)) << found.error().code.message();
        EXPECT_EQ(found.error().key, QString::fromUtf8(c.name));
        return;
    }
    ASSERT_TRUE(found) << found.error().code.message();
    EXPECT_EQ(found->isUtf8(), c.byte < 0);
    if (c.byte >= 0) {
        EXPECT_EQ(found->codePage().character(std::uint8_t(c.byte)), c.character);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, CharsetNames,
    testing::Values(NameCase{"CP737", {}, 0x80, 0x391}, NameCase{"737", {}, 0x80, 0x391},
                    NameCase{"ibm737", {}, 0xE0, 0x3C9}, NameCase{"ISO_8859-7", {}, 0xC1, 0x391},
                    NameCase{"iso-8859-7", {}, 0xAE, -1}, // undefined
                    NameCase{"windows-1253", {}, 0x80, 0x20AC}, NameCase{"1253", {}, 0xAA, -1},
                    NameCase{"cp850", {}, 0x80, 0xC7}, NameCase{"KOI8-R", {}, 0xE1, 0x410}, NameCase{"utf8", {}},
                    NameCase{"UTF-8", {}}, NameCase{"CP737//TRANSLIT", base::Fault::CharsetSuffix},
                    NameCase{"UTF-8//IGNORE", base::Fault::CharsetSuffix},
                    NameCase{"UTF-16", base::Fault::NotSingleByte}, NameCase{"SHIFT_JIS", base::Fault::NotSingleByte},
                    NameCase{"CP1258", base::Fault::NotSingleByte},         // composes a letter and its accent
                    NameCase{"CP1255", base::Fault::NotSingleByte},         // and a letter and its point
                    NameCase{"ISO_11548-1", base::Fault::NoCarriageReturn}, // braille: 13 is a pattern
                    NameCase{"NO-SUCH-PAGE", base::Fault::UnknownCharset}, NameCase{"", base::Fault::UnknownCharset},
                    NameCase{"CP99999", base::Fault::UnknownCharset}));

const char* const kCodepages[] = {"CP437",  "CP737",      "CP850",      "CP869", "CP1252",
                                  "CP1253", "ISO-8859-1", "ISO-8859-7", "KOI8-R"};
const char* const kTerminators[] = {"\n", "\r\n", "\r"};

class AgainstIconv : public testing::TestWithParam<const char*>
{
};

// Every byte, the ones iconv refuses as U+FFFD, each counted as invalid.
TEST_P(AgainstIconv, EveryByteIntoUtf8)
{
    const auto page = Charset::find(GetParam());
    ASSERT_TRUE(page);
    for (const char* terminator : kTerminators) {
        const std::string input = lines([](int) { return true; }, terminator);
        const Converted got = convert(GetParam(), "UTF-8", input);
        EXPECT_EQ(got.bytes, iconvConvert(GetParam(), "UTF-8", input)) << GetParam();
        int undefined = 0;
        for (int b = 0; b < 256; ++b)
            undefined += page->codePage().character(std::uint8_t(b)) < 0;
        EXPECT_EQ(got.counts.invalid, undefined);
        EXPECT_EQ(got.counts.lost, 0);
    }
}

// Into every other codepage, the bytes whose character it has; and UTF-8 of every character back.
TEST_P(AgainstIconv, IntoEveryOtherCodepageAndFromUtf8)
{
    const auto from = Charset::find(GetParam());
    ASSERT_TRUE(from);
    for (const char* to : kCodepages) {
        const auto target = Charset::find(to);
        const std::string input = lines(
            [&](int b) {
                const int c = from->codePage().character(std::uint8_t(b));
                return c >= 0 && target->codePage().byteOf(char32_t(c));
            },
            kTerminators[std::strlen(to) % 3]);
        const Converted got = convert(GetParam(), to, input);
        EXPECT_EQ(got.bytes, iconvConvert(GetParam(), to, input, "<refused>")) << GetParam() << " -> " << to;
        EXPECT_EQ(got.counts.lost + got.counts.invalid, 0);
    }
    for (const char* terminator : kTerminators) {
        const std::string utf8 =
            iconvConvert(GetParam(), "UTF-8",
                         lines([&](int b) { return from->codePage().character(std::uint8_t(b)) >= 0; }, terminator));
        for (const std::int64_t piece : {std::int64_t(1) << 30, std::int64_t(1)}) {
            const Converted got = convert("UTF-8", GetParam(), utf8, piece);
            EXPECT_EQ(got.bytes, iconvConvert("UTF-8", GetParam(), utf8, "<refused>")) << GetParam();
            EXPECT_EQ(got.counts.lost + got.counts.invalid, 0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Codepages, AgainstIconv, testing::ValuesIn(kCodepages));

struct LossCase
{
    const char* from;
    const char* to;
    std::string input, output;
    std::int64_t lost, invalid;
};

class Losses : public testing::TestWithParam<LossCase>
{
};

// What becomes '?', and is counted, read whole and one byte at a time (every sequence split).
TEST_P(Losses, BecomeQuestionMarksCountedApart)
{
    const LossCase c = GetParam();
    for (const std::int64_t piece : {std::int64_t(1) << 30, std::int64_t(1)}) {
        const Converted got = convert(c.from, c.to, c.input, piece);
        EXPECT_EQ(got.bytes, c.output);
        EXPECT_EQ(got.counts.lost, c.lost);
        EXPECT_EQ(got.counts.invalid, c.invalid);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Losses,
                         testing::Values(LossCase{"UTF-8", "CP737", "\xCE\x91\xCF\x8A", "\x80\xE4", 0, 0},
                                         LossCase{"UTF-8", "CP737", "«€»ΐ", "????", 4, 0},
                                         LossCase{"UTF-8", "CP737", "a\xCE", "a?", 0, 1},       // cut off by the end
                                         LossCase{"UTF-8", "CP737", "\xCE\r\n", "?\r\n", 0, 1}, // and by a line end
                                         LossCase{"UTF-8", "CP737",
                                                  "\xE2\x82"
                                                  "A",
                                                  "?A", 0, 1},                               // the longest start is one
                                         LossCase{"UTF-8", "CP737", "\xC0\xAF", "??", 0, 2}, // overlong
                                         LossCase{"UTF-8", "CP737", "\xED\xA0\x80", "???", 0, 3},      // a surrogate
                                         LossCase{"UTF-8", "CP737", "\xF4\x90\x80\x80", "????", 0, 4}, // above U+10FFFF
                                         LossCase{"UTF-8", "KOI8-R", "\xF0\x9F\x98\x80\xD0\x90", "?\xE1", 1, 0},
                                         LossCase{"CP1253", "CP737", "\x80\xC1\xAA", "?\x80?", 1, 1}, // €; Α; undefined
                                         LossCase{"CP1253", "UTF-8", "\xAA\xC1", "\xEF\xBF\xBD\xCE\x91", 0, 1}));

TEST(CodepageNames, ListSingleByteCodepagesAndUtf8Only)
{
    const std::vector<std::string> names = charset::codepageNames();
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    for (const char* name : {"CP737", "ISO-8859-7", "KOI8-R", "UTF-8", "ANSI_X3.4-1968"})
        EXPECT_TRUE(std::count(names.begin(), names.end(), name)) << name;
    for (const char* name : {"UTF-16", "SHIFT_JIS", "CP1258"})
        EXPECT_FALSE(std::count(names.begin(), names.end(), name)) << name;
}

// Every name the listing offers, aliases included: each must find the codepage iconv means by it and
// convert every byte as iconv does, and UTF-8 of every character it has back into the same bytes.
TEST(CodepageNames, EverySingleByteOneConvertsAsIconvBothWays)
{
    std::string everyByte;
    for (int b = 0; b < 256; ++b)
        everyByte += char(b);
    int checked = 0;
    for (const std::string& name : charset::codepageNames()) {
        const auto page = Charset::find(name);
        ASSERT_TRUE(page) << name << " is listed but not found";
        if (page->isUtf8())
            continue;
        ++checked;
        // Named first: a dump of 256 characters says less than the name.
        EXPECT_TRUE(convert(name, "UTF-8", everyByte).bytes == iconvConvert(name, "UTF-8", everyByte))
            << name << " into UTF-8";
        // Back the same way; where iconv writes a character as a byte that reads as another (CP1046's
        // Arabic forms), the byte that reads back as it is the right one.
        const std::string utf8 = iconvConvert(
            name, "UTF-8", lines([&](int b) { return page->codePage().character(std::uint8_t(b)) >= 0; }, ""));
        const std::string back = convert("UTF-8", name, utf8).bytes;
        const std::string iconvBack = iconvConvert("UTF-8", name, utf8, "<refused>");
        EXPECT_TRUE(back == iconvBack ||
                    (iconvConvert(name, "UTF-8", back) == utf8 && iconvConvert(name, "UTF-8", iconvBack) != utf8))
            << name << " from UTF-8";
    }
    EXPECT_GT(checked, 50);
}

} // namespace

namespace {

// UTF-16 and UTF-32 into UTF-8 as iconv reads them, through reads of any size: the mark dropped, a
// sequence that is no character and one cut at the end each one U+FFFD, counted.
convert::EngineOptions keepLineEnds()
{
    convert::EngineOptions options;
    options.lineEnds = convert::LineEnds::Keep;
    return options;
}

TEST(WideSource, Utf16ReadWrongAcrossReadsOrMarkKept)
{
    const std::string text = "Καλημέρα 😀 ASCII\r\nτέλος\n";
    const struct
    {
        charset::WideForm form;
        const char* iconvName;
        std::string mark;
    } forms[] = {
        {charset::WideForm::Utf16Le, "UTF-16LE", "\xff\xfe"},
        {charset::WideForm::Utf16Be, "UTF-16BE", "\xfe\xff"},
        {charset::WideForm::Utf32Le, "UTF-32LE", std::string("\xff\xfe\0\0", 4)},
        {charset::WideForm::Utf32Be, "UTF-32BE", std::string("\0\0\xfe\xff", 4)},
        {charset::WideForm::Utf16, "UTF-16LE", "\xff\xfe"}, // the mark decides
    };
    for (const auto& f : forms) {
        const std::string wide = f.mark + iconvConvert("UTF-8", f.iconvName, text, "<refused>");
        for (const std::int64_t piece : {1, 3, 4096}) {
            StringSource file(wide, piece);
            charset::WideSource source(f.form, file);
            StringSink sink;
            const convert::EngineResult done =
                convert::convertStream(source, sink, convert::ConversionTable(), keepLineEnds());
            EXPECT_TRUE(done.ok);
            EXPECT_EQ(sink.bytes, text) << f.iconvName << " in pieces of " << piece;
            EXPECT_EQ(source.invalid(), 0);
        }
    }
    StringSource broken(std::string("A\0\x00\xd8"
                                    "B\0C",
                                    7),
                        2); // a lone high surrogate, then a cut unit
    charset::WideSource source(charset::WideForm::Utf16Le, broken);
    StringSink sink;
    EXPECT_TRUE(convert::convertStream(source, sink, convert::ConversionTable(), keepLineEnds()).ok);
    EXPECT_EQ(sink.bytes, "A\xef\xbf\xbd"
                          "B\xef\xbf\xbd");
    EXPECT_EQ(source.invalid(), 2);
    EXPECT_EQ(charset::wideForm("utf-16le"), charset::WideForm::Utf16Le);
    EXPECT_FALSE(charset::wideForm("UTF-8"));
}

} // namespace
