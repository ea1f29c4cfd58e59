// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "convert/conversiontable.h"

#include <chrono>
#include <cstdint>
#include <functional>

namespace trelvick::convert {

// Where the engine reads from and writes to. Each tells why its last call failed.
class ByteSource
{
public:
    virtual ~ByteSource() = default;
    // Bytes read (0 at the end), or -1 on failure.
    virtual std::int64_t read(char* buffer, std::int64_t capacity) = 0;
    virtual base::Error error() const = 0;
};

class ByteSink
{
public:
    virtual ~ByteSink() = default;
    // All bytes written, or false on failure.
    virtual bool write(const char* data, std::int64_t size) = 0;
    virtual base::Error error() const = 0;
};

struct Counts
{
    std::int64_t processed = 0; // bytes read, plus 2 for every line (its terminator, written or not)
    std::int64_t changed = 0;   // bytes that the table replaced (a code mapped to itself counts)
};

struct EngineResult
{
    bool ok = true;
    base::Error error; // the source's failure on Side::Input, the sink's on Side::Output
    Counts counts;
};

using ProgressCallback = std::function<void(const Counts&)>;

// The engine asks its source for blocks of this size; each block's buffer holds twice as much, the
// case of a block of lone CRs that each become CR LF (for UTF-8 output, as much as the widest code
// point needs). The blocks in flight stay in the processor's second-level cache: 1 MiB blocks
// measured markedly slower.
inline constexpr std::int64_t kEngineBlockSize = std::int64_t(128) * 1024;
// The first read asks for less, so that a small file needs no more memory than the allocator hands
// out from its heap.
inline constexpr std::int64_t kEngineFirstReadSize = std::int64_t(32) * 1024;

// Whether a large source is read on a second thread. It only pays while a processor would otherwise
// stand idle: on a busy machine, waking the other thread and moving each block between processors
// cost more than the overlap saves.
enum class ReadThread
{
    WhenProcessorIdle, // looked at once, when a source turns out large
    Always,
    Never,
};

// Streams source through table into sink with the line rules of the conversion:
//  - a line ends at CR or at CR LF; the terminator never goes through the table;
//  - a lone LF is an ordinary byte of the line and is looked up like any other;
//  - every line is written with CR LF, the last one too even when the file had no terminator;
//  - an empty source gives an empty sink.
// For example "a\rb\nc\r\n" is the two lines "a" and "b\nc" and gives "A\r\nB\nC\r\n" with a table
// that maps a, b and c to A, B and C (and none for LF); processed = 4 + 2 * 2, changed = 3.
// A CR at the end of one read and an LF at the start of the next are one terminator.
// Memory stays bounded by the block buffers whatever the line lengths.
// A large source may be read and mapped by a second thread, a few blocks ahead, while the blocks
// already mapped are written; the source is never called from two threads at once. The sink and
// progress are only ever called on the calling thread: progress between blocks, at most once per
// interval, and once more at the end. After a failure nothing more is written; blocks read before a
// failed read are.
EngineResult convertStream(ByteSource& source, ByteSink& sink, const ConversionTable& table,
                           const ProgressCallback& progress = {},
                           std::chrono::milliseconds interval = std::chrono::milliseconds(30),
                           ReadThread readThread = ReadThread::WhenProcessorIdle);

// Integer part of (100 / size) * processed, in double precision, capped at 100.
int progressPercentage(std::int64_t processed, std::int64_t size);

} // namespace trelvick::convert
