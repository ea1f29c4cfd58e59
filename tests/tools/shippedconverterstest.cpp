// SPDX-License-Identifier: GPL-3.0-or-later
// The converters of the shipped tq.ini, read by the program's own reader, at letters known from the code
// charts. That the file is exactly the table tool's output is checked beside the tool.

#include "config/codesection.h"
#include "config/configuration.h"

#include <QFileInfo>
#include <QString>

#include <gtest/gtest.h>

using namespace trelvick::config;
using trelvick::convert::ConversionTable;

namespace {

const QString kIni = QStringLiteral(TRELVICK_SHIPPED_INI);

// Ten byte converters, then six to UTF-8; the letters below show that each section loads.
TEST(ShippedConverters, StartUpOffersAllInKeyOrder)
{
    const auto config = loadConfiguration(locateConfiguration(QFileInfo(kIni).absolutePath()));
    ASSERT_TRUE(config) << config.error().code.message();
    EXPECT_EQ(config->converterCount, 16);
    ASSERT_EQ(config->converters.size(), 16);
    EXPECT_EQ(config->converters.front().description, "737 (DOS Greek) -> 1253 (Windows Greek)");
    EXPECT_EQ(config->converters.back().key, converterKey(16));
    EXPECT_EQ(config->converters.back().description, "1252 (Windows Latin) -> UTF-8");
}

struct Anchor
{
    int key;
    int source;
    int target; // -1: no entry (a byte, or for UTF-8 a code point)
    const char* what;
};

class ShippedAnchor : public testing::TestWithParam<Anchor>
{
};

TEST_P(ShippedAnchor, MapsAsTheCodeChartsSay)
{
    const Anchor a = GetParam();
    const auto profile = ProfileReader::fromFile(kIni);
    ASSERT_TRUE(profile);
    const auto table = loadCodeSection(*profile, converterKey(a.key));
    ASSERT_TRUE(table) << "faulty at key " << table.error().key.toStdString();
    EXPECT_EQ(table->output() == ConversionTable::Output::Utf8, a.key > 10);
    EXPECT_EQ(table->lookup(std::uint8_t(a.source)), a.target) << a.what;
}

INSTANTIATE_TEST_SUITE_P(
    Letters, ShippedAnchor,
    testing::Values(
        Anchor{1, 0x80, 0xC1, "737 capital alpha"}, Anchor{1, 0xAA, 0xF2, "737 final sigma"},
        Anchor{1, 0xC4, '-', "737 box-drawing horizontal becomes a hyphen"},
        Anchor{2, 0xC0, 0xA0, "1253 iota with dialytika and tonos becomes plain iota"},
        Anchor{3, 0xB6, 0xA2, "ISO capital alpha with tonos"}, Anchor{3, 0xAE, -1, "ISO 0xAE is undefined and passes"},
        Anchor{4, 0xA2, 0xB6, "1253 alpha with tonos"}, Anchor{5, 0xA4, 0xC1, "869 capital alpha"},
        Anchor{6, 0xF2, 0xED, "1253 final sigma"}, Anchor{7, 0xEA, 0xB6, "737 capital alpha with tonos"},
        Anchor{8, 0xF2, 0xAA, "ISO final sigma"}, Anchor{9, 0x82, 0xE9, "437 e acute"},
        Anchor{10, 0xC0, 'A', "1252 A grave loses its accent"},
        Anchor{10, 0x80, '?', "1252 euro sign has no one-byte substitute"},
        Anchor{11, 0x80, 0x391, "737 capital alpha"}, Anchor{12, 0xA4, 0x391, "869 capital alpha"},
        Anchor{13, 0xA1, 0x2018, "ISO left quotation mark"}, Anchor{14, 0xA2, 0x386, "1253 alpha with tonos"},
        Anchor{14, 0xAA, -1, "1253 0xAA is undefined and becomes U+FFFD"}, Anchor{15, 0x82, 0xE9, "437 e acute"},
        Anchor{15, 'A', -1, "ASCII stays itself"}, Anchor{16, 0x80, 0x20AC, "1252 euro sign"}));

} // namespace
