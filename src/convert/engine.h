// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/bytes.h"
#include "base/error.h"
#include "convert/codepage.h"
#include "convert/conversiontable.h"
#include "convert/simdlevel.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <variant>

namespace trelvick::convert {

// Where the engine reads from and writes to.
using base::ByteSink;
using base::ByteSource;

struct Counts
{
    // Under LineEnds::CrLf the bytes of the lines plus 2 for every line (its terminator, written or
    // not); otherwise the bytes read.
    std::int64_t processed = 0;
    // Bytes that the table replaced (a code mapped to itself counts); from UTF-8, the characters of
    // two bytes or more and those written as another byte.
    std::int64_t changed = 0;
    std::int64_t lost = 0;    // characters the target lacks, written as '?'
    std::int64_t invalid = 0; // no text in the source's code page: undefined bytes, invalid UTF-8
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

// What the engine does with line ends. A line ends at CR or at CR LF; a lone LF is an ordinary
// byte of the line, looked up like any other, except under CrLfEach. The terminator never goes
// through the table.
enum class LineEnds
{
    CrLf, // every line ends with CR LF, the last one too (the window's rule, see convertStream)
    Lf,   // CR LF and lone CR become LF; a last line without a terminator stays without
    Keep, // every CR LF and lone CR as it was read: bytes in, bytes out, as iconv writes them
    // A line ends at LF, CR LF or a lone CR, and each becomes CR LF; a last line without one stays
    // without: "ab\ncd\r\ne\rf" gives "ab\r\ncd\r\ne\r\nf" (what DOS line ends are made of text
    // from anywhere).
    CrLfEach,
};

// Whether a processor besides the caller's stands idle right now (the running threads that
// /proc/loadavg counts), so that a reading thread would run at once rather than take turns with the
// caller or with other programs.
bool processorIdleByLoad();

struct EngineOptions
{
    LineEnds lineEnds = LineEnds::CrLf;
    ProgressCallback progress;
    std::chrono::milliseconds interval{30};
    ReadThread readThread = ReadThread::WhenProcessorIdle;
    // The rule for ReadThread::WhenProcessorIdle, asked once, when a source turns out large.
    std::function<bool()> processorIdle = processorIdleByLoad;
    SimdLevel simdLevel = bestSimdLevel(); // a level the processor lacks means the plain loops
};

// UTF-8 input written into a single-byte code page (see Utf8Decoder for what becomes of characters
// the code page lacks and of invalid sequences).
struct FromUtf8
{
    CodePage target;
};

// Everything the engine converts through: bytes through a table (the converters of tq.ini, one code
// page into another or into UTF-8), or UTF-8 into a code page.
using Converter = std::variant<ConversionTable, FromUtf8>;

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

// The same with every choice open: the line ends (LineEnds::CrLf is the rule above), the reading
// thread and its rule, the vector kernels. Under LineEnds::Keep with a table that has no entry for
// LF, every byte but CR goes through the table, CR is written as it is, and the output of a table
// from charset is what iconv writes. Counts::lost and Counts::invalid come from the marks of the
// table (ConversionTable::Loss), or from the UTF-8 read.
EngineResult convertStream(ByteSource& source, ByteSink& sink, const ConversionTable& table,
                           const EngineOptions& options);
EngineResult convertStream(ByteSource& source, ByteSink& sink, const FromUtf8& conversion,
                           const EngineOptions& options);
EngineResult convertStream(ByteSource& source, ByteSink& sink, const Converter& converter,
                           const EngineOptions& options);

// Integer part of (100 / size) * processed, in double precision, capped at 100.
int progressPercentage(std::int64_t processed, std::int64_t size);

} // namespace trelvick::convert
