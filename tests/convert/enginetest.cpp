// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/engine.h"
#include "convert/marksource.h"
#include "referenceconverter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <thread>
#include <type_traits>

using namespace trelvick::convert;
using trelvick::testsupport::referenceConvert;
using trelvick::testsupport::referenceDecode;
using trelvick::testsupport::ReferenceResult;
using namespace std::string_literals;

namespace {

// Hands out its bytes in reads of at most maxChunk bytes (0: as many as asked for, -1: a random
// 1..64), and fails once failAfter bytes have gone out.
class ChunkSource final : public ByteSource
{
public:
    explicit ChunkSource(std::string data, std::int64_t maxChunk = 0, std::int64_t failAfter = -1)
        : m_data(std::move(data)), m_maxChunk(maxChunk), m_failAfter(failAfter), m_random(std::uint32_t(m_data.size()))
    {
    }
    std::int64_t read(char* buffer, std::int64_t capacity) override
    {
        if (m_failAfter >= 0 && m_pos >= m_failAfter)
            return -1;
        std::int64_t size = std::min<std::int64_t>(capacity, std::int64_t(m_data.size()) - m_pos);
        if (m_maxChunk > 0)
            size = std::min(size, m_maxChunk);
        if (m_maxChunk < 0 && size > 0)
            size = std::uniform_int_distribution<std::int64_t>(1, std::min<std::int64_t>(size, 64))(m_random);
        if (m_failAfter >= 0)
            size = std::min(size, m_failAfter - m_pos);
        std::memcpy(buffer, m_data.data() + m_pos, std::size_t(size));
        m_pos += size;
        return size;
    }
    trelvick::base::Error error() const override { return trelvick::base::Error::system(EIO); }

private:
    std::string m_data;
    std::int64_t m_maxChunk, m_failAfter, m_pos = 0;
    std::mt19937 m_random;
};

// Keeps what it gets; with a limit it is a device that fills up, and it notes writes after a failure.
struct StringSink final : ByteSink
{
    explicit StringSink(std::int64_t limit = -1) : limit(limit) {}
    bool write(const char* data, std::int64_t size) override
    {
        writesAfterFailure = writesAfterFailure || failed;
        largestWrite = std::max(largestWrite, size);
        ++writes;
        failed = failed || (limit >= 0 && std::int64_t(bytes.size()) + size > limit);
        if (failed)
            return false;
        bytes.append(data, std::size_t(size));
        return true;
    }
    trelvick::base::Error error() const override { return trelvick::base::Error::system(ENOSPC); }

    std::string bytes;
    std::int64_t limit, largestWrite = 0, writes = 0;
    bool failed = false, writesAfterFailure = false;
};

// Entries for CR and LF too: a terminator going through the table would show. Without an LF entry
// the engine maps CR LF pairs in bulk with the line bytes, so both kinds are run. The UTF-8 table
// gives 1 to 4 bytes, the most output a block can make.
ConversionTable testTable(bool lfEntry, bool utf8 = false)
{
    std::array<int, 256> lookup;
    lookup.fill(-1);
    lookup['a'] = utf8 ? 0x1F600 : 'A';
    lookup['b'] = 'b'; // mapped to itself: still counts as changed
    lookup['\n'] = lfEntry ? (utf8 ? 0x2502 : '|') : -1;
    lookup['\r'] = '#';
    lookup[0x00] = '@';
    lookup[0x1A] = utf8 ? 0x3A3 : '^';
    lookup[0x80] = 0xC1;
    return ConversionTable::fromLookup(lookup, utf8 ? ConversionTable::Output::Utf8 : ConversionTable::Output::Bytes);
}

// A code page with the ASCII of 737, some Greek letters at their 737 places, and no ΐ.
CodePage greekPage()
{
    std::array<int, 256> characters;
    characters.fill(-1);
    for (int c = 0; c < 128; ++c)
        characters[c] = c;
    for (int c = 0; c < 24; ++c)
        characters[0x80 + c] = 0x391 + c + (c >= 17); // Α..Ω, no U+03A2
    characters[0xE0] = 0x3C9;                         // ω
    characters[0xFE] = 0x20AC;                        // €, three bytes of UTF-8
    return CodePage::fromCharacters(characters);
}

// Notes whether any read came from another thread than the one that made it.
class ThreadNotingSource final : public ByteSource
{
public:
    explicit ThreadNotingSource(std::string data) : m_source(std::move(data)) {}
    std::int64_t read(char* buffer, std::int64_t capacity) override
    {
        elsewhere = elsewhere || std::this_thread::get_id() != m_caller;
        return m_source.read(buffer, capacity);
    }
    trelvick::base::Error error() const override { return m_source.error(); }

    bool elsewhere = false;

private:
    ChunkSource m_source;
    std::thread::id m_caller = std::this_thread::get_id();
};

// Large sources are read on a second thread only when a processor is idle: tests pick the way.
constexpr auto kNoInterval = std::chrono::milliseconds(0);

EngineOptions withLineEnds(LineEnds lineEnds, ReadThread readThread = ReadThread::Always)
{
    EngineOptions options;
    options.lineEnds = lineEnds;
    options.interval = kNoInterval;
    options.readThread = readThread;
    return options;
}

// A table, or a code page that UTF-8 input is written in. The CR LF rule goes through the entry point
// the window and the safe file conversion call.
template <typename Conversion>
void expectLikeReference(const std::string& input, const Conversion& conversion, std::int64_t maxChunk = 0,
                         const EngineOptions& options = withLineEnds(LineEnds::CrLf))
{
    ChunkSource source(input, maxChunk);
    StringSink sink;
    EngineResult result;
    ReferenceResult expected;
    if constexpr (std::is_same_v<Conversion, CodePage>) {
        result = convertStream(source, sink, FromUtf8{conversion}, options);
        expected = referenceDecode(input, conversion, options.lineEnds);
    } else {
        result = options.lineEnds == LineEnds::CrLf && options.simdLevel == bestSimdLevel()
                     ? convertStream(source, sink, conversion, {}, kNoInterval, options.readThread)
                     : convertStream(source, sink, conversion, options);
        expected = referenceConvert(input, conversion, options.lineEnds);
    }
    ASSERT_TRUE(result.ok);
    ASSERT_TRUE(sink.bytes == expected.output) << ::testing::PrintToString(input.substr(0, 80));
    ASSERT_EQ(result.counts.processed, expected.processed);
    ASSERT_EQ(result.counts.changed, expected.changed);
    ASSERT_EQ(result.counts.lost, expected.lost);
    ASSERT_EQ(result.counts.invalid, expected.invalid);
}

void expectLikeReference(const std::string& input, const ConversionTable& table, std::int64_t maxChunk,
                         ReadThread readThread)
{
    expectLikeReference(input, table, maxChunk, withLineEnds(LineEnds::CrLf, readThread));
}

// Each shape read whole and in reads of 1, 2, 3 and 5 bytes, which split every CR LF somewhere.
TEST(Engine, LineShapesConvertLikeTheLineRules)
{
    const struct
    {
        std::string input, output; // output with the LF entry
        std::int64_t processed, changed;
    } cases[] = {
        {"", "", 0, 0},
        {"ab\r\nb\r\n", "Ab\r\nb\r\n", 7, 3},
        {"a\rb\r", "A\r\nb\r\n", 6, 2},               // a lone CR becomes CR LF
        {"a\nb", "A|b\r\n", 5, 3},                    // a lone LF is mapped like any byte
        {"\r\r", "\r\n\r\n", 4, 0},                   // two empty lines
        {"\n\r", "|\r\n", 3, 1},                      // an LF before a CR is line content
        {"\r\n\n", "\r\n|\r\n", 5, 1},                // a second LF starts a line
        {"x\r\r\n", "x\r\n\r\n", 5, 0},               // CR CR LF is two lines
        {"a\r", "A\r\n", 3, 1},                       // a CR at the end adds no line
        {"xy\r\nz", "xy\r\nz\r\n", 7, 0},             // the last line gets its CR LF
        {"a\0b\x1a\r\n\x1a"s, "A@b^\r\n^\r\n", 9, 5}, // NUL and Ctrl-Z are ordinary bytes
        {"\x80\x81\xff", "\xc1\x81\xff\r\n", 5, 1},   // high bytes without entry pass
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.input));
        const auto reference = referenceConvert(c.input, testTable(true));
        ASSERT_EQ(reference.output, c.output) << "the reference itself is wrong";
        ASSERT_EQ(reference.processed, c.processed);
        ASSERT_EQ(reference.changed, c.changed);
        for (const std::int64_t chunk : {0, 1, 2, 3, 5}) {
            SCOPED_TRACE(chunk);
            expectLikeReference(c.input, testTable(true), chunk);
            expectLikeReference(c.input, testTable(false), chunk);
        }
    }
}

// The same shapes kept as they were read, and with LF for every terminator: no line gains one.
TEST(Engine, LineEndsKeptOrMadeLfLikeTheLineRules)
{
    const struct
    {
        std::string input, keep, lf; // with the LF entry
    } cases[] = {
        {"ab\r\nb\r\n", "Ab\r\nb\r\n", "Ab\nb\n"},
        {"a\rb\r", "A\rb\r", "A\nb\n"},
        {"a\nb", "A|b", "A|b"}, // a lone LF is still line content
        {"\n\r\r\n\n", "|\r\r\n|", "|\n\n|"},
        {"x\r\r\n", "x\r\r\n", "x\n\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.input));
        ASSERT_EQ(referenceConvert(c.input, testTable(true), LineEnds::Keep).output, c.keep) << "the reference";
        ASSERT_EQ(referenceConvert(c.input, testTable(true), LineEnds::Lf).output, c.lf) << "the reference";
        for (const LineEnds lineEnds : {LineEnds::Keep, LineEnds::Lf})
            for (const std::int64_t chunk : {0, 1, 2, 3})
                for (const bool lfEntry : {true, false})
                    for (const bool utf8 : {false, true})
                        expectLikeReference(c.input, testTable(lfEntry, utf8), chunk, withLineEnds(lineEnds));
    }
}

// Under CrLfEach an LF ends a line as CR and CR LF do, and each becomes CR LF; no line gains one at
// the end, and the terminator never goes through the table (nor through the UTF-8 reading).
TEST(Engine, LoneLfOrLastLineMisreadWhenEveryLineEndBecomesCrLf)
{
    const struct
    {
        std::string input, output; // through the table with the LF entry
    } cases[] = {
        {"ab\ncd\n", "Ab\r\ncd\r\n"},
        {"a\r\nb\rc\nd", "A\r\nb\r\nc\r\nd"},
        {"\n\n\r\r\n", "\r\n\r\n\r\n\r\n"}, // LF LF, then a lone CR and a pair
        {"\n\r", "\r\n\r\n"},               // an LF before a CR: two line ends
        {"\r\n\n\r", "\r\n\r\n\r\n"},
        {"x\r", "x\r\n"},
        {"x", "x"},
    };
    const CodePage greek = greekPage();
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.input));
        ASSERT_EQ(referenceConvert(c.input, testTable(true), LineEnds::CrLfEach).output, c.output) << "the reference";
        for (const std::int64_t chunk : {0, 1, 2, 3}) {
            for (const bool lfEntry : {true, false})
                for (const bool utf8 : {false, true})
                    expectLikeReference(c.input, testTable(lfEntry, utf8), chunk, withLineEnds(LineEnds::CrLfEach));
            expectLikeReference(c.input, greek, chunk, withLineEnds(LineEnds::CrLfEach));
        }
    }
}

std::string around(std::int64_t at, const std::string& middle, std::int64_t total)
{
    std::string s(std::size_t(at), 'a');
    s += middle;
    s.resize(std::size_t(total), 'b');
    return s;
}

// Terminators just before, on and after every power-of-two offset up to two blocks: whatever pieces
// the engine cuts its work into, some terminator straddles each cut.
TEST(Engine, TerminatorsAcrossBlockEndsMatchTheReference)
{
    std::vector<std::string> inputs = {std::string(std::size_t(3 * kEngineBlockSize + 17), 'a') + "\r\nb",
                                       std::string(std::size_t(kEngineBlockSize), '\r') + "a",
                                       std::string(std::size_t(kEngineBlockSize), '\n') + "a"};
    std::vector<std::int64_t> offsets = {kEngineFirstReadSize + kEngineBlockSize}; // after the first whole block
    for (std::int64_t offset = 16; offset <= 2 * kEngineBlockSize; offset *= 2)
        offsets.push_back(offset);
    for (const std::int64_t offset : offsets)
        for (std::int64_t shift = -2; shift <= 1; ++shift)
            for (const char* terminator : {"\r\n", "\r", "\r\r\n", "\n\r", "\n"})
                inputs.push_back(around(offset + shift, terminator, offset + 40));
    for (const auto& input : inputs) {
        for (const bool lfEntry : {true, false})
            for (const bool utf8 : {false, true})
                for (const ReadThread readThread : {ReadThread::Always, ReadThread::Never})
                    expectLikeReference(input, testTable(lfEntry, utf8), 0, readThread);
        // The other rules stop at every CR only with an LF entry (or to drop it); in place and not.
        expectLikeReference(input, testTable(true, false), 0, withLineEnds(LineEnds::Keep));
        expectLikeReference(input, testTable(false, true), 0, withLineEnds(LineEnds::Lf));
        expectLikeReference(input, testTable(true, false), 0, withLineEnds(LineEnds::CrLfEach));
        expectLikeReference(input, testTable(false, true), 0, withLineEnds(LineEnds::CrLfEach));
    }
}

// The UTF-8 of the Greek capital Α, of €, of U+1F600 and broken starts of them, just before, on and
// after the first block ends: a sequence cut by a read is whole again when the next comes.
TEST(Engine, Utf8SequencesAcrossBlockEndsMatchTheReference)
{
    const CodePage greek = greekPage();
    for (const std::int64_t offset : {kEngineFirstReadSize, kEngineFirstReadSize + kEngineBlockSize})
        for (std::int64_t shift = -3; shift <= 0; ++shift)
            for (const char* sequence :
                 {"\xCE\x91", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xE2\x82\r\n", "\xF0\x9F\x98"})
                for (const LineEnds lineEnds : {LineEnds::CrLf, LineEnds::Keep, LineEnds::CrLfEach})
                    for (const SimdLevel level : {SimdLevel::None, bestSimdLevel()}) {
                        EngineOptions options = withLineEnds(lineEnds);
                        options.simdLevel = level;
                        expectLikeReference(around(offset + shift, sequence, offset + 40), greek, 0, options);
                    }
}

// The reading thread starts after whole blocks; a last read of one byte still belongs to the file.
TEST(Engine, ShortLastReadOnTheReadingThreadIsKept)
{
    const std::string blocks(std::size_t(kEngineFirstReadSize + 4 * kEngineBlockSize), 'a');
    for (const char* tail : {"\r", "\r\r"})
        expectLikeReference(blocks + tail, testTable(true));
}

TEST(Engine, RandomInputsMatchTheReference)
{
    // Mostly terminators and table bytes, so that every pair of neighbours turns up often.
    const char alphabet[] = {'\r', '\r', '\n', '\n', 'a', 'b', 'c', '\0', '\x1a', '\x80'};
    for (std::uint32_t seed = 1; seed <= 500; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        std::string input(std::uniform_int_distribution<std::size_t>(0, 3000)(random), ' ');
        for (char& c : input) {
            const int k = std::uniform_int_distribution<int>(0, sizeof alphabet)(random);
            c = k < int(sizeof alphabet) ? alphabet[k] : char(random());
        }
        // Every third table writes UTF-8, its code points of all lengths (a surrogate means no entry).
        const bool utf8 = seed % 3 == 0;
        std::array<int, 256> lookup;
        for (int& entry : lookup)
            entry = random() % 2 ? int(random() % (utf8 ? 0x800 << (random() % 10) : 256)) : -1;
        if (seed % 4 < 2)
            lookup['\n'] = -1;
        if (seed % 5 == 0)
            lookup['a'] = 'a';
        ConversionTable table =
            ConversionTable::fromLookup(lookup, utf8 ? ConversionTable::Output::Utf8 : ConversionTable::Output::Bytes);
        for (int code = 0; code < 256; ++code)
            table.markLoss(std::uint8_t(code), ConversionTable::Loss(random() % 8 < 2 ? 1 + random() % 2 : 0));
        // Odd seeds read in random pieces; even ones whole, through the long vector loops.
        expectLikeReference(input, table, seed % 2 ? -1 : 0, withLineEnds(LineEnds(seed % 7 % 4)));
    }
}

// UTF-8 of Greek and of other blocks, ASCII, line ends and bytes that break sequences, in random
// order, into a code page that lacks some of the characters.
TEST(Engine, RandomUtf8InputsMatchTheReference)
{
    const std::string pieces[] = {"\r",
                                  "\n",
                                  "a",
                                  " ",
                                  "\xCE\x91",
                                  "\xCF\x89",
                                  "\xCE\x90",
                                  "\xC3\xA9",
                                  "\xE2\x82\xAC",
                                  "\xF0\x9F\x98\x80",
                                  "\xCE",
                                  "\xE2\x82",
                                  "\x80",
                                  "\xFF",
                                  "\xED\xA0\x80",
                                  "\xC0\xAF"};
    const CodePage greek = greekPage();
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        std::string input;
        for (std::size_t n = random() % 1500; n > 0; --n)
            input += pieces[random() % (seed % 4 ? 6 : std::size(pieces))];
        EngineOptions options = withLineEnds(LineEnds(seed % 4));
        options.simdLevel = seed % 5 ? bestSimdLevel() : SimdLevel::None;
        expectLikeReference(input, greek, seed % 2 ? -1 : 0, options);
    }
}

// The reading thread starts as asked; under the load rule only when the rule says so.
TEST(Engine, ReadingThreadStartsAsChosen)
{
    const struct
    {
        ReadThread readThread;
        bool idle, started;
    } cases[] = {{ReadThread::Always, false, true},
                 {ReadThread::Never, true, false},
                 {ReadThread::WhenProcessorIdle, true, true},
                 {ReadThread::WhenProcessorIdle, false, false}};
    for (const auto& c : cases) {
        ThreadNotingSource source(std::string(std::size_t(8 * kEngineBlockSize), 'a'));
        StringSink sink;
        EngineOptions options = withLineEnds(LineEnds::Keep, c.readThread);
        options.processorIdle = [&c] { return c.idle; };
        ASSERT_TRUE(convertStream(source, sink, testTable(true), options).ok);
        EXPECT_EQ(source.elsewhere, c.started) << int(c.readThread) << c.idle;
    }
}

// Small runs and large ones (read on a second thread) alike name the side that failed. Nothing is
// written after a failed write; every block read before a failed read is, in order, but the line it
// cut is not ended: it must not look finished.
TEST(Engine, FailureStopsTheRunWithItsError)
{
    const std::string large(std::size_t(12 * kEngineBlockSize), 'a');
    const std::int64_t readable = 5 * kEngineBlockSize + 7;
    const struct
    {
        std::string input;
        std::int64_t chunk, failAfter, limit;
        std::optional<std::string> written;
    } cases[] = {
        {"ab\rab\r", 1, 4, -1, "Ab\r\nA"},
        {large, 0, readable, -1, std::string(std::size_t(readable), 'A')},
        {"ab\r\nab\r\n", 0, -1, 0, ""},
        {std::string(100, 'a') + "\r\n", 3, -1, 10, {}},
        {"abc", 0, -1, 3, "Abc"}, // the final CR LF
        {large, 0, -1, 0, ""},
        {large, 0, -1, 5 * kEngineBlockSize + 1, {}},
        {large, 0, -1, std::int64_t(large.size()) + 1, std::string(large.size(), 'A')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases); // the row
        ChunkSource source(c.input, c.chunk, c.failAfter);
        StringSink sink(c.limit);
        const EngineResult result = convertStream(source, sink, testTable(true), {}, kNoInterval, ReadThread::Always);
        EXPECT_FALSE(result.ok);
        const bool read = c.failAfter >= 0;
        EXPECT_TRUE(result.error.is(read ? EIO : ENOSPC));
        EXPECT_EQ(result.error.side, read ? trelvick::base::Side::Input : trelvick::base::Side::Output);
        EXPECT_FALSE(sink.writesAfterFailure);
        if (c.written) {
            EXPECT_EQ(sink.bytes, *c.written);
        }
    }
}

TEST(Engine, ProgressAndWritesComePerBlockNotPerLine)
{
    std::string manyLines;
    for (int i = 0; i < 5000; ++i) // within the first read
        manyLines += "ab\r\n";
    std::vector<Counts> reports;
    bool elsewhere = false; // the window handles its events in the callback: it must stay on this thread
    const auto record = [&, caller = std::this_thread::get_id()](const Counts& c) {
        elsewhere = elsewhere || std::this_thread::get_id() != caller;
        reports.push_back(c);
    };
    ChunkSource oneBlock(manyLines);
    StringSink sink;
    const EngineResult result = convertStream(oneBlock, sink, testTable(true), record, std::chrono::milliseconds(0));
    ASSERT_LE(reports.size(), 2u); // after the one block, and at the end
    EXPECT_EQ(reports.back().processed, result.counts.processed);
    EXPECT_EQ(reports.back().changed, result.counts.changed);

    reports.clear();
    ChunkSource tinyReads(manyLines, 1);
    convertStream(tinyReads, sink, testTable(true), record, std::chrono::hours(1));
    EXPECT_EQ(reports.size(), 1u); // the interval never passed: only the final report

    // A line of 16 blocks is written block by block, its progress too.
    reports.clear();
    ChunkSource blocks(std::string(std::size_t(16 * kEngineBlockSize), 'a'));
    StringSink blockSink;
    const EngineResult longLine =
        convertStream(blocks, blockSink, testTable(true), record, kNoInterval, ReadThread::Always);
    EXPECT_EQ(longLine.counts.processed, 16 * kEngineBlockSize + 2);
    EXPECT_GE(reports.size(), 17u); // one per block at least, and the last
    EXPECT_GE(blockSink.writes, 16);
    EXPECT_LE(blockSink.largestWrite, 2 * kEngineBlockSize);
    EXPECT_FALSE(elsewhere);
}

// A mark split over reads, or a start that only looks like one, must neither stay nor cost a byte of
// the text, whatever the sizes of the reads.
TEST(MarkSource, MarkKeptOrTextLostAcrossReads)
{
    const std::string mark(trelvick::convert::kUtf8Mark);
    const std::string text = "\xce\xb1\xce\xb2 line\r\n" + std::string(300, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {mark + text, text},
        {text, text},
        {mark, ""},
        {"", ""},
        {"\xef\xbb", "\xef\xbb"},
        {"\xef\xbb" + text, "\xef\xbb" + text},
        {"\xef" + mark + text, "\xef" + mark + text},
        {mark + mark + text, mark + text},
    };
    for (const auto& [input, expected] : cases) {
        for (const std::int64_t chunk : {0, 1, 2, 3, -1}) {
            for (const std::int64_t capacity : {1, 2, 4, 4096}) {
                ChunkSource inner(input, chunk);
                trelvick::convert::MarkSource source(inner);
                std::string got;
                std::vector<char> buffer(static_cast<std::size_t>(capacity));
                for (std::int64_t n; (n = source.read(buffer.data(), capacity)) > 0;)
                    got.append(buffer.data(), std::size_t(n));
                EXPECT_EQ(got, expected) << "chunk " << chunk << ", capacity " << capacity << ", input size "
                                         << input.size();
            }
        }
    }
}

TEST(Engine, PercentageTruncatesAndCaps)
{
    const struct
    {
        std::int64_t processed, size;
        int percentage;
    } cases[] = {{0, 0, 100},   // empty file: done at once
                 {2, 3, 66},    // truncated, not rounded
                 {12, 10, 100}, // lone CRs count 2 each
                 {3221225472LL, 4294967296LL, 75},
                 {97, 97, 99}}; // division first: 100 / 97 * 97 falls just short of 100
    for (const auto& c : cases)
        EXPECT_EQ(progressPercentage(c.processed, c.size), c.percentage) << c.processed << " of " << c.size;
}

} // namespace
