// SPDX-License-Identifier: GPL-3.0-or-later
// The converters of the shipped tq.ini, read by the program's own reader: every byte of the UTF-8 ones
// checked against glibc's iconv, the byte ones at letters known from the code charts.
// That the file is exactly the table tool's output is checked beside the tool.

#include "config/configuration.h"
#include "config/profilereader.h"
#include "config/codesection.h"
#include "referenceconverter.h"

#include <QByteArray>
#include <QFileInfo>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <optional>
#include <string>

namespace {

using trelvick::config::ProfileReader;
using trelvick::convert::ConversionTable;

const QString kIni = QStringLiteral(TRELVICK_SHIPPED_INI);

struct Shipped
{
    const char* key; // ASCII digits only; the key is Greek capital Mu followed by them
    const char* from;
    const char* to;
    const char* description;
};

constexpr std::array<Shipped, 10> kShipped{{
    {"1", "CP737", "CP1253", "737 (DOS Greek) -> 1253 (Windows Greek)"},
    {"2", "CP1253", "CP737", "1253 (Windows Greek) -> 737 (DOS Greek)"},
    {"3", "ISO-8859-7", "CP1253", "ISO-8859-7 (ISO Greek) -> 1253 (Windows Greek)"},
    {"4", "CP1253", "ISO-8859-7", "1253 (Windows Greek) -> ISO-8859-7 (ISO Greek)"},
    {"5", "CP869", "CP1253", "869 (DOS Greek 2) -> 1253 (Windows Greek)"},
    {"6", "CP1253", "CP869", "1253 (Windows Greek) -> 869 (DOS Greek 2)"},
    {"7", "CP737", "ISO-8859-7", "737 (DOS Greek) -> ISO-8859-7 (ISO Greek)"},
    {"8", "ISO-8859-7", "CP737", "ISO-8859-7 (ISO Greek) -> 737 (DOS Greek)"},
    {"9", "CP437", "CP1252", "437 (DOS Latin US) -> 1252 (Windows Latin)"},
    {"10", "CP1252", "CP437", "1252 (Windows Latin) -> 437 (DOS Latin US)"},
}};

// After the byte converters, in the order of their keys.
constexpr std::array<Shipped, 6> kShippedUtf8{{
    {"11", "CP737", "UTF-8", "737 (DOS Greek) -> UTF-8"},
    {"12", "CP869", "UTF-8", "869 (DOS Greek 2) -> UTF-8"},
    {"13", "ISO-8859-7", "UTF-8", "ISO-8859-7 (ISO Greek) -> UTF-8"},
    {"14", "CP1253", "UTF-8", "1253 (Windows Greek) -> UTF-8"},
    {"15", "CP437", "UTF-8", "437 (DOS Latin US) -> UTF-8"},
    {"16", "CP1252", "UTF-8", "1252 (Windows Latin) -> UTF-8"},
}};

QString keyOf(const Shipped& c)
{
    return QStringLiteral("Μ") + QString::fromLatin1(c.key);
}

// --- glibc iconv, asked directly ----------------------------------------------------------------------

std::optional<std::string> iconvOnce(const std::string& to, const std::string& from, const std::string& input)
{
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "iconv does not know " << from << " -> " << to;
        return std::nullopt;
    }
    std::string in = input;
    std::string out(64, '\0');
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0 &&
                    iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (!ok)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

class ShippedConverters : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(QFileInfo::exists(kIni)) << TRELVICK_SHIPPED_INI;
    }

    static ConversionTable load(const Shipped& c)
    {
        const auto result = trelvick::config::loadCodeSection(ProfileReader::fromFile(kIni), keyOf(c));
        EXPECT_TRUE(result.ok()) << "section " << keyOf(c).toStdString() << " fails to load at key " << result.faultyKey
                                 << " (" << result.faultyValue.toStdString() << ")";
        return result.table;
    }
};

// --- the file as the program reads it ---------------------------------------------------------------

TEST_F(ShippedConverters, StartUpOffersAllInKeyOrder)
{
    const auto result = trelvick::config::loadConfiguration(QFileInfo(kIni).absolutePath());
    ASSERT_EQ(result.failure, trelvick::config::ConfigFailure::None) << result.errorText.toStdString();
    std::vector<Shipped> all(kShipped.begin(), kShipped.end());
    all.insert(all.end(), kShippedUtf8.begin(), kShippedUtf8.end());
    EXPECT_EQ(result.config.converterCount, int(all.size()));
    ASSERT_EQ(result.config.converters.size(), qsizetype(all.size()));
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(result.config.converters[qsizetype(i)].key, keyOf(all[i]));
        EXPECT_EQ(result.config.converters[qsizetype(i)].description, QString::fromUtf8(all[i].description));
    }
}

// --- every byte of every UTF-8 table ------------------------------------------------------------------

class ShippedUtf8Converter : public ShippedConverters, public testing::WithParamInterface<Shipped>
{
};

// All 256 bytes as one text: LF (10) is a character of the line and CR (13) ends it, so the output is
// iconv's with CR LF for that CR and at the end. Bytes iconv leaves undefined must become U+FFFD.
TEST_P(ShippedUtf8Converter, EveryByteComesOutAsIconvWritesIt)
{
    const Shipped c = GetParam();
    const ConversionTable table = load(c);
    ASSERT_EQ(table.output(), ConversionTable::Output::Utf8);

    std::string input;
    std::string expected;
    int changed = 0;
    for (int b = 0; b < 256; ++b) {
        input += static_cast<char>(b);
        const auto utf8 = iconvOnce("UTF-8", c.from, std::string(1, static_cast<char>(b)));
        expected += b == '\r' ? "\r\n" : utf8.value_or("\xEF\xBF\xBD");
        // An entry for every defined byte that is not its own character, and for undefined ASCII.
        const bool entry = utf8 ? b >= 0x80 || *utf8 != std::string(1, static_cast<char>(b)) : b < 0x80;
        changed += b != '\r' && entry ? 1 : 0;
    }
    expected += "\r\n";

    const auto result = trelvick::testsupport::referenceConvert(input, table);
    EXPECT_EQ(result.output, expected) << keyOf(c).toStdString() << " " << c.from << " -> UTF-8";
    EXPECT_EQ(result.changed, changed);
}

INSTANTIATE_TEST_SUITE_P(All, ShippedUtf8Converter, testing::ValuesIn(kShippedUtf8),
                         [](const testing::TestParamInfo<Shipped>& info) { return std::string("M") + info.param.key; });

// --- a few letters known by heart, independent of iconv ------------------------------------------------

struct Anchor
{
    const char* key;
    int source;
    int target; // -1: no entry
    const char* what;
};

class ShippedAnchor : public ShippedConverters, public testing::WithParamInterface<Anchor>
{
};

TEST_P(ShippedAnchor, MapsAsTheCodeChartsSay)
{
    const Anchor a = GetParam();
    const auto it = std::find_if(kShipped.begin(), kShipped.end(),
                                 [&a](const Shipped& c) { return std::strcmp(c.key, a.key) == 0; });
    ASSERT_NE(it, kShipped.end());
    EXPECT_EQ(load(*it).lookup(std::uint8_t(a.source)), a.target) << a.what;
}

INSTANTIATE_TEST_SUITE_P(
    Letters, ShippedAnchor,
    testing::Values(Anchor{"1", 0x80, 0xC1, "737 capital alpha"}, Anchor{"1", 0xAA, 0xF2, "737 final sigma"},
                    Anchor{"1", 0xC4, '-', "737 box-drawing horizontal becomes a hyphen"},
                    Anchor{"2", 0xC0, 0xA0, "1253 iota with dialytika and tonos becomes plain iota"},
                    Anchor{"3", 0xB6, 0xA2, "ISO capital alpha with tonos"},
                    Anchor{"3", 0xAE, -1, "ISO 0xAE is undefined and passes"},
                    Anchor{"4", 0xA2, 0xB6, "1253 alpha with tonos"}, Anchor{"5", 0xA4, 0xC1, "869 capital alpha"},
                    Anchor{"6", 0xF2, 0xED, "1253 final sigma"},
                    Anchor{"7", 0xEA, 0xB6, "737 capital alpha with tonos"}, Anchor{"8", 0xF2, 0xAA, "ISO final sigma"},
                    Anchor{"9", 0x82, 0xE9, "437 e acute"}, Anchor{"10", 0xC0, 'A', "1252 A grave loses its accent"},
                    Anchor{"10", 0x80, '?', "1252 euro sign has no one-byte substitute"}));

} // namespace
