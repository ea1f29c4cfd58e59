// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/bytemap.h"
#include "convert/linescan.h"
#include "convert/utf8map.h"

#include <QString>

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace trelvick::convert;

namespace {

class Kernels : public ::testing::TestWithParam<SimdLevel>
{
protected:
    void SetUp() override
    {
        if (!isSupported(GetParam()))
            GTEST_SKIP() << "this processor lacks the instructions";
    }
};

// Every length around the vector widths, at an odd offset, into another buffer and over itself, with
// tables of random entries, of entries that change nothing (yet count), and of all 256 codes.
TEST_P(Kernels, MapEveryByteLikeTheTable)
{
    std::mt19937 random(7);
    for (int kind = 0; kind < 3; ++kind) {
        std::array<int, 256> lookup;
        for (int c = 0; c <= 255; ++c)
            lookup[c] = kind == 0 ? (random() % 2 ? int(random() % 256) : -1) : kind == 1 ? (c % 3 ? -1 : c) : 255 - c;
        const ConversionTable table = ConversionTable::fromLookup(lookup);
        const ByteMap map(table, GetParam());
        for (std::size_t size = 0; size <= 200; ++size) {
            SCOPED_TRACE(::testing::Message() << "table " << kind << ", size " << size);
            std::basic_string<unsigned char> in(size + 1, 0);
            for (auto& c : in)
                c = static_cast<unsigned char>(random());
            auto expected = in;
            std::int64_t count = 0;
            for (std::size_t i = 1; i < in.size(); ++i) {
                // CR always ends a line, so its entry never applies.
                if (in[i] != '\r' && table.lookup(in[i]) >= 0) {
                    expected[i] = static_cast<unsigned char>(table.lookup(in[i]));
                    ++count;
                }
            }
            auto out = in;
            ASSERT_EQ(map.apply(in.data() + 1, size, out.data() + 1), count);
            ASSERT_EQ(out, expected);
            // Shifted down by one byte over its own input, as the engine maps a block that grows.
            ASSERT_EQ(map.apply(in.data() + 1, size, in.data()), count);
            expected.erase(0, 1);
            ASSERT_EQ(in.substr(0, size), expected);
        }
    }
}

// UTF-8 output against Qt's encoder, at every length around the vector width: tables of code points
// up to 3 bytes long, of every byte as its own code point, and of all four widths.
TEST_P(Kernels, WriteUtf8LikeTheTable)
{
    std::mt19937 random(5);
    for (int kind = 0; kind < 3; ++kind) {
        std::array<int, 256> lookup;
        for (int c = 0; c <= 255; ++c) {
            const int widths[] = {0x80, 0x800, 0x10000, 0x110000};
            const int target = int(random() % widths[kind == 2 ? random() % 4 : random() % 3]);
            lookup[c] = random() % 3 == 0 || (target >= 0xD800 && target <= 0xDFFF) ? -1 : kind == 1 ? c : target;
        }
        const ConversionTable table = ConversionTable::fromLookup(lookup, ConversionTable::Output::Utf8);
        const Utf8Map map(table, GetParam());
        for (std::size_t size = 0; size <= 200; ++size) {
            SCOPED_TRACE(::testing::Message() << "table " << kind << ", size " << size);
            std::basic_string<unsigned char> in(size, 0);
            for (auto& c : in)
                c = static_cast<unsigned char>(random());
            QByteArray expected;
            std::int64_t count = 0;
            for (const unsigned char c : in) {
                const int target = c == '\r' ? -1 : table.lookup(c);
                const char32_t point = target >= 0 ? char32_t(target) : c < 0x80 ? char32_t(c) : U'\uFFFD';
                expected += QString::fromUcs4(&point, 1).toUtf8();
                count += target >= 0 ? 1 : 0;
            }
            std::basic_string<unsigned char> out(4 * size + Utf8Map::kSlack, 0xAA);
            const Utf8Map::Applied applied = map.apply(in.data(), size, out.data());
            ASSERT_EQ(applied.changed, count);
            ASSERT_EQ(QByteArray(reinterpret_cast<const char*>(out.data()), qsizetype(applied.written)), expected);
        }
    }
}

// Random mixes of CR, LF and one other byte, with lengths across the vector widths.
TEST_P(Kernels, FindTheFirstCrWithoutLf)
{
    std::mt19937 random(11);
    for (int n = 0; n < 2200; ++n) {
        std::string s(std::uniform_int_distribution<std::size_t>(0, 200)(random), 'a');
        for (char& c : s)
            c = "\r\na"[random() % 3];
        if (n >= 2000) { // CR LF pairs only, and a CR as the very last byte
            s.clear();
            while (s.size() + 3 < std::size_t(n - 2000))
                s += "a\r\n";
            s.resize(std::size_t(n - 2000), 'a');
            s += '\r';
        }
        std::size_t lone = 0;
        while (lone < s.size() && !(s[lone] == '\r' && (lone + 1 == s.size() || s[lone + 1] != '\n')))
            ++lone;
        // An LF just past the end: a scan that looks beyond it would take a final CR for half a pair.
        const std::string buffer = s + '\n';
        const auto* begin = reinterpret_cast<const unsigned char*>(buffer.data());
        ASSERT_EQ(findLoneCr(begin, begin + s.size(), GetParam()) - begin, std::ptrdiff_t(lone))
            << ::testing::PrintToString(s);
    }
}

std::string levelName(const ::testing::TestParamInfo<SimdLevel>& info)
{
    const char* names[] = {"Plain", "Avx2", "Avx512Vbmi"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Convert, Kernels, ::testing::Values(SimdLevel::None, SimdLevel::Avx2, SimdLevel::Avx512Vbmi),
                         levelName);

} // namespace
