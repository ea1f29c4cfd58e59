// SPDX-License-Identifier: GPL-3.0-or-later
// The .mo reader: lookups in either byte order, plural forms, and files that are no catalogue.
#include "lang/mocatalog.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

using trelvick::lang::MoCatalog;
using namespace std::string_literals;

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>; // original, translation (NUL apart)

// A catalogue as msgfmt writes one: header, the two tables, then the strings.
std::string moFile(const Entries& entries, bool bigEndian)
{
    std::string out;
    const auto word = [&out, bigEndian](std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            out.push_back(char((value >> (8 * (bigEndian ? 3 - i : i))) & 0xff));
    };
    const auto count = std::uint32_t(entries.size());
    std::uint32_t at = 28 + 16 * count;
    for (const std::uint32_t value : {0x950412deU, 0U, count, 28U, 28 + 8 * count, 0U, 0U})
        word(value);
    std::string strings;
    for (const bool translation : {false, true}) {
        for (const auto& [original, translated] : entries) {
            const std::string& text = translation ? translated : original;
            word(std::uint32_t(text.size()));
            word(at);
            strings += text + '\0';
            at += std::uint32_t(text.size() + 1);
        }
    }
    return out + strings;
}

std::string written(const QTemporaryDir& dir, const std::string& bytes)
{
    const std::string path = dir.filePath(QStringLiteral("el.mo")).toStdString();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

const Entries kEntries = {{"", "Language: el\n"}, {"Cancel", "Άκυρο"}, {"%1 file\0%1 files"s, "%1 αρχείο\0%1 αρχεία"s}};

class ByteOrder : public testing::TestWithParam<bool>
{
};

TEST_P(ByteOrder, TranslationAndPluralFormFoundWhateverTheByteOrder)
{
    QTemporaryDir dir;
    const MoCatalog catalog = MoCatalog::read(written(dir, moFile(kEntries, GetParam())));
    ASSERT_NE(catalog.find("Cancel"), nullptr);
    EXPECT_EQ(*catalog.find("Cancel"), "Άκυρο");
    EXPECT_EQ(*catalog.find("%1 file", 1), "%1 αρχείο");
    EXPECT_EQ(*catalog.find("%1 file", 0), "%1 αρχεία");
    EXPECT_EQ(*catalog.find("%1 file", 2), "%1 αρχεία");
    EXPECT_EQ(catalog.find("Undo"), nullptr);
    EXPECT_EQ(catalog.find(""), nullptr) << "the header is no message";
    ASSERT_EQ(catalog.messages().size(), 2U);
    EXPECT_EQ(catalog.messages()[1].translation, "%1 αρχείο\n%1 αρχεία");
}
INSTANTIATE_TEST_SUITE_P(MoCatalog, ByteOrder, testing::Bool());

// A damaged or foreign file must read as no catalogue, never past its end.
TEST(MoCatalog, DamagedOrForeignFileReadsAsEmpty)
{
    const std::string whole = moFile(kEntries, false);
    std::string farOffset = whole;
    farOffset[28 + 8 * 3 + 8 + 7] = char(0x7f); // the second translation's offset far beyond the end
    const std::vector<std::string> files = {"", whole.substr(0, 20), whole.substr(0, 40),
                                            "\x12\x34\x56\x78" + whole.substr(4), farOffset};
    QTemporaryDir dir;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const MoCatalog catalog = MoCatalog::read(written(dir, files[i]));
        EXPECT_EQ(catalog.find("%1 file", 2), nullptr) << i;
        EXPECT_LE(catalog.messages().size(), 1U) << i;
    }
    EXPECT_TRUE(MoCatalog::read(dir.filePath(QStringLiteral("missing.mo")).toStdString()).empty());
}

} // namespace
