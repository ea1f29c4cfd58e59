// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/bytemap.h"
#include "convert/linescan.h"
#include "convert/losscounter.h"
#include "convert/utf8decoder.h"
#include "convert/utf8map.h"

#include <QString>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>

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
// up to 3 bytes long, of every byte as its own code point, of all four widths, and of all four widths
// above 127 only (the shape of a real code page, which the AVX2 kernel takes).
TEST_P(Kernels, WriteUtf8LikeTheTable)
{
    std::mt19937 random(5);
    for (int kind = 0; kind < 4; ++kind) {
        std::array<int, 256> lookup;
        for (int c = 0; c <= 255; ++c) {
            const int widths[] = {0x80, 0x800, 0x10000, 0x110000};
            // Mostly two bytes in the last kind, so that whole pieces go without a wider code.
            const int width = kind >= 2 ? (kind == 3 && random() % 64 ? 1 : random() % 4) : random() % 3;
            const int target = int(random() % widths[width]);
            lookup[c] = random() % 3 == 0 || (target >= 0xD800 && target <= 0xDFFF) || (kind == 3 && c < 128) ? -1
                        : kind == 1                                                                           ? c
                                                                                                              : target;
        }
        const ConversionTable table = ConversionTable::fromLookup(lookup, ConversionTable::Output::Utf8);
        Utf8Map map(table, GetParam());
        // The second pass runs after a large input, which the plain loop answers with a table of pairs.
        for (int pass = 0; pass < 2; ++pass) {
            const std::basic_string<unsigned char> large(pass << 20, 'a');
            std::basic_string<unsigned char> scratch(4 * large.size() + Utf8Map::kSlack, 0);
            map.apply(large.data(), large.size(), scratch.data());
            for (std::size_t size = 0; size <= 200; ++size) {
                SCOPED_TRACE(::testing::Message() << "table " << kind << ", pass " << pass << ", size " << size);
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
}

// UTF-8 into a code page against the plain loop, at every length and cut into two runs anywhere:
// ASCII, the code page's own block (Greek), other two-byte characters, wider ones and broken
// sequences, mixed so that some pieces hold nothing but ASCII and the block.
TEST_P(Kernels, DecodeUtf8LikeThePlainLoop)
{
    std::array<int, 256> characters;
    for (int b = 0; b < 256; ++b)
        characters[b] = b < 128 ? b : b < 0xB0 ? 0x380 + (b - 0x80) * 2 : b < 0xC0 ? 0x20AC + b : -1;
    const CodePage page = CodePage::fromCharacters(characters);
    const std::string pieces[] = {"a",        "\r\n",     "\xCE\x91",     "\xCF\x80",
                                  "\xCE\x90", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
                                  "\xCE",     "\x80",     "\xE2\x82"};
    std::mt19937 random(3);
    for (std::size_t size = 0; size <= 200; ++size) {
        std::string input;
        const std::size_t kinds = size % 3 == 0 ? std::size(pieces) : 4;
        while (input.size() < size)
            input += pieces[random() % kinds];
        input.resize(size);
        const auto* in = reinterpret_cast<const unsigned char*>(input.data());
        const std::size_t cut = random() % (size + 1);
        const auto decode = [&](SimdLevel level) {
            Utf8Decoder decoder(page, level);
            std::string out(size + 2 * (1 + Utf8Decoder::kSlack), '\0');
            auto* at = reinterpret_cast<unsigned char*>(out.data());
            const Utf8Decoder::Applied first = decoder.apply(in, cut, at, true);
            const Utf8Decoder::Applied second = decoder.apply(in + cut, size - cut, at + first.written, false);
            out.resize(first.written + second.written);
            return std::make_tuple(out, first.changed + second.changed, first.losses.lost + second.losses.lost,
                                   first.losses.invalid + second.losses.invalid);
        };
        ASSERT_EQ(decode(GetParam()), decode(SimdLevel::None)) << ::testing::PrintToString(input) << " cut " << cut;
    }
}

// Bytes marked lost or invalid, counted at every length; CR never.
TEST_P(Kernels, CountMarkedBytesLikeTheTable)
{
    std::mt19937 random(13);
    ConversionTable table;
    for (int c = 0; c < 256; ++c)
        table.markLoss(std::uint8_t(c), ConversionTable::Loss(random() % 3));
    const LossCounter counter(table, GetParam());
    for (std::size_t size = 0; size <= 200; ++size) {
        std::basic_string<unsigned char> in(size, 0);
        Losses expected;
        for (auto& c : in) {
            c = static_cast<unsigned char>(random());
            const auto loss = c == '\r' ? ConversionTable::Loss::None : table.loss(c);
            expected.lost += loss == ConversionTable::Loss::Lost;
            expected.invalid += loss == ConversionTable::Loss::Invalid;
        }
        const Losses counted = counter.count(in.data(), size);
        ASSERT_EQ(counted.lost, expected.lost) << size;
        ASSERT_EQ(counted.invalid, expected.invalid) << size;
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

// A step whose only lone CR is its first byte (a mask of exactly 1) must stop there too: random mixes
// hardly ever hold a single one. One lone CR among CR LF pairs at every place, alone and with another.
TEST_P(Kernels, SingleLoneCrInAStepSkipped)
{
    for (std::size_t at = 0; at < 150; ++at) {
        for (const bool second : {false, true}) {
            std::string s;
            while (s.size() + 1 < at)
                s += "\r\n";
            s.resize(at, 'x');
            s += "\rb\r\n";
            if (second)
                s += "\rc";
            while (s.size() < 160)
                s += "\r\n";
            const auto* begin = reinterpret_cast<const unsigned char*>(s.data());
            ASSERT_EQ(findLoneCr(begin, begin + s.size(), GetParam()) - begin, std::ptrdiff_t(at))
                << ::testing::PrintToString(s);
        }
    }
}

// The same mixes for the first line end that is no CR LF pair: each kernel against a plain reading
// of the rule, with an LF at the start (which counts) and a pair across every step of the kernels.
TEST_P(Kernels, FindTheFirstUnpairedLineEnd)
{
    std::mt19937 random(12);
    for (int n = 0; n < 2400; ++n) {
        std::string s(std::uniform_int_distribution<std::size_t>(0, 200)(random), 'a');
        for (char& c : s)
            c = "\r\naaaa"[random() % (n % 2 ? 3 : 6)];
        if (n >= 2000) { // CR LF pairs at every offset, then one line end of each kind
            s = std::string(std::size_t(n - 2000) % 130, 'a');
            while (s.size() < 140)
                s += "\r\n";
            s += n % 4 < 2 ? "a\n" : "a\r";
        }
        std::size_t first = 0;
        const auto unpaired = [&](std::size_t i) {
            return (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n')) ||
                   (s[i] == '\n' && (i == 0 || s[i - 1] != '\r'));
        };
        while (first < s.size() && !unpaired(first))
            ++first;
        const std::string buffer = "\r" + s + '\n'; // a CR before and an LF after, neither to be read
        const auto* begin = reinterpret_cast<const unsigned char*>(buffer.data()) + 1;
        ASSERT_EQ(findUnpairedLineEnd(begin, begin + s.size(), GetParam()) - begin, std::ptrdiff_t(first))
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
