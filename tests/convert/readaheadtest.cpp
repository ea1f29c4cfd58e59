// SPDX-License-Identifier: GPL-3.0-or-later
// The reading thread on its own: blocks in the order read at any depth, a failed read in its place as
// the last block, and a stop while the reader waits for room.

#include "convert/readahead.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

using namespace trelvick::convert;

namespace {

// Bytes 0, 1, 2, ... (mod 251) in reads of at most piece bytes; read number failAt fails, by -1 or
// by an exception. Endless when total is negative.
class CountingSource final : public ByteSource
{
public:
    CountingSource(std::int64_t total, std::int64_t piece, int failAt = -1, bool throws = false)
        : m_total(total), m_piece(piece), m_failAt(failAt), m_throws(throws)
    {
    }
    std::int64_t read(char* buffer, std::int64_t capacity) override
    {
        reader = ::gettid();
        if (reads++ == m_failAt) {
            if (m_throws)
                throw std::runtime_error("read failed");
            return -1;
        }
        std::int64_t size = std::min(capacity, m_piece);
        if (m_total >= 0)
            size = std::min(size, m_total - m_pos);
        for (std::int64_t i = 0; i < size; ++i)
            buffer[i] = char((m_pos + i) % 251);
        m_pos += size;
        return size;
    }
    trelvick::base::Error error() const override { return trelvick::base::Error::system(EIO); }

    std::atomic<int> reads = 0;
    std::atomic<pid_t> reader = 0; // the thread that reads

private:
    std::int64_t m_total, m_piece;
    int m_failAt;
    bool m_throws;
    std::int64_t m_pos = 0;
};

// The bytes of each read as they are, behind 8 bytes of room.
ReadAhead::Block passOn(unsigned char* data, std::int64_t size)
{
    return ReadAhead::Block{size, data, size, {}};
}

std::string expectedBytes(std::int64_t size)
{
    std::string bytes(std::size_t(size), '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i % 251);
    return bytes;
}

TEST(ReadAhead, BlocksComeInTheOrderReadAtEveryDepth)
{
    for (const int depth : {1, 2, 5}) {
        SCOPED_TRACE(depth);
        CountingSource source(10000, 97);
        ReadAhead reader(source, passOn, 8 + 64, 8, depth);
        std::string got;
        for (ReadAhead::Block block = reader.next(); block.read > 0; block = reader.next()) {
            got.append(reinterpret_cast<const char*>(block.data), std::size_t(block.size));
            reader.release();
        }
        EXPECT_EQ(got, expectedBytes(10000));
    }
}

// Every block read before the failure comes first; the failure is the last block, or its exception
// comes out of next().
TEST(ReadAhead, FailedReadIsTheLastBlock)
{
    for (const bool throws : {false, true}) {
        for (const int depth : {1, 4}) {
            SCOPED_TRACE(::testing::Message() << "throws " << throws << ", depth " << depth);
            CountingSource source(-1, 50, 7, throws);
            ReadAhead reader(source, passOn, 8 + 50, 8, depth);
            std::int64_t read = 0;
            for (int i = 0; i < 7; ++i) {
                const ReadAhead::Block block = reader.next();
                ASSERT_EQ(block.read, 50);
                read += block.read;
                reader.release();
            }
            if (throws) {
                EXPECT_THROW(reader.next(), std::runtime_error);
            } else {
                EXPECT_EQ(reader.next().read, -1);
            }
            EXPECT_EQ(source.reads, 8);
        }
    }
}

// The end of the source (a read of 0) ends the reading thread: a terminal or a pipe may give more
// after it, and another read there would wait for input nobody sends. An empty source, and one that
// ends exactly at a block's end.
TEST(ReadAhead, ReadOnPastTheEnd)
{
    for (const std::int64_t total : {0, 64 * 3}) {
        SCOPED_TRACE(total);
        CountingSource source(total, 64);
        ReadAhead reader(source, passOn, 8 + 64, 8, 2);
        std::int64_t read = 0;
        for (ReadAhead::Block block = reader.next(); block.read > 0; block = reader.next()) {
            read += block.read;
            reader.release();
        }
        EXPECT_EQ(read, total);
        // Every block is given back and the last read said "end": the thread must be gone, not
        // reading again or waiting for room.
        const std::string task = "/proc/self/task/" + std::to_string(source.reader.load());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (::access(task.c_str(), F_OK) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        EXPECT_NE(::access(task.c_str(), F_OK), 0);
        EXPECT_EQ(source.reads, total / 64 + 1);
    }
}

// With every block read and none given back, the reader sleeps until there is room; ending the
// reader then must wake and join it, without another read.
TEST(ReadAhead, StopsWhileTheReaderWaitsForRoom)
{
    CountingSource source(-1, 16);
    {
        ReadAhead reader(source, passOn, 8 + 16, 8, 2);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (source.reads < 2 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        ASSERT_EQ(source.reads, 2);
    }
    EXPECT_EQ(source.reads, 2);
}

} // namespace
