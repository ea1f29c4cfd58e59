// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/engine.h"

#include "convert/blockmap.h"
#include "convert/linescan.h"
#include "convert/pagebuffer.h"
#include "convert/readahead.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <system_error>

namespace trelvick::convert {

namespace {

constexpr unsigned char kCR = '\r';
constexpr unsigned char kLF = '\n';

bool endsWithCrLf(const unsigned char* begin, const unsigned char* end)
{
    return end - begin >= 2 && end[-2] == kCR && end[-1] == kLF;
}

const unsigned char* nextCr(const unsigned char* p, const unsigned char* end)
{
    const void* cr = std::memchr(p, kCR, static_cast<std::size_t>(end - p));
    return cr ? static_cast<const unsigned char*>(cr) : end;
}

const unsigned char* nextLineEnd(const unsigned char* p, const unsigned char* end)
{
    return std::find_if(p, end, [](unsigned char c) { return c == kCR || c == kLF; });
}

// Maps blocks as they come from the source, carrying the state of the line rules from one block to
// the next. Kept apart from the reading and writing so that the mapping can change on its own.
class LineTranslator final
{
public:
    template <typename Conversion>
    LineTranslator(const Conversion& conversion, const EngineOptions& options)
        : m_map(conversion, options.simdLevel), m_lineEnds(options.lineEnds)
    {
    }

    struct Output
    {
        const unsigned char* data;
        std::int64_t size;
    };

    // The room a read of size bytes needs before it in its buffer.
    std::int64_t room(std::int64_t size) const { return m_map.inPlace() ? size : m_map.outputCapacity(size); }

    // Maps the size bytes at in, which have room(size) bytes before them, and returns where the output
    // lies. A byte table writes over the input: a CR that gains an LF makes the output one byte longer
    // than the input, so it starts that many bytes before the input and overwrites only input already
    // read; a block without lone CRs is mapped in place. UTF-8, up to four bytes for one, is written
    // into the room before the input and never reaches it; so is UTF-8 read.
    Output translate(unsigned char* const input, std::int64_t size)
    {
        const unsigned char* in = input;
        const unsigned char* const end = in + size;
        const bool crlf = m_lineEnds == LineEnds::CrLf;
        const bool joined = m_crEndedBlock && *in == kLF; // the LF of a CR LF that the read cut
        const unsigned char* const firstGrowing = nextGrowing(joined ? in + 1 : in, end);
        std::int64_t growth = 0;
        if (m_map.inPlace()) {
            for (const unsigned char* p = firstGrowing; p != end; p = nextGrowing(p + 1, end))
                ++growth;
        }
        unsigned char* const output = input - (m_map.inPlace() ? growth : m_map.outputCapacity(size));
        const bool endsWithPair = endsWithCrLf(in, end); // before the output may overwrite it
        if (!crlf)
            m_counts.processed += size;
        unsigned char* out = output;
        if (joined) {
            if (m_lineEnds == LineEnds::Keep)
                *out++ = kLF;
            ++in;
        }
        m_crEndedBlock = false;

        const bool growingStops = (crlf || m_lineEnds == LineEnds::CrLfEach) && m_map.keepsLf();
        const unsigned char* stop = growingStops ? firstGrowing : nextStop(in, end);
        for (;;) {
            const auto length = static_cast<std::size_t>(stop - in);
            const BlockMap::Applied applied = m_map.apply(in, length, out, stop == end);
            m_counts.changed += applied.changed;
            m_counts.lost += applied.losses.lost;
            m_counts.invalid += applied.losses.invalid;
            out += applied.written;
            if (crlf)
                m_counts.processed += static_cast<std::int64_t>(length); // a CR LF inside counts its 2
            if (stop == end) {
                if (length > 0)
                    m_lineOpen = length < 2 || !endsWithPair;
                break;
            }
            const bool atCr = *stop == kCR; // only CrLfEach stops at an LF
            in = stop + 1;
            const bool pair = atCr && in != end && *in == kLF;
            out = writeTerminator(out, pair);
            m_lineOpen = false;
            if (in == end) {
                m_crEndedBlock = atCr;
                break;
            }
            if (pair)
                ++in;
            stop = nextStop(in, end);
        }
        return {output, out - output};
    }

    // What the end of the input adds to the output: '?' for a UTF-8 sequence left unfinished, and
    // under the CR LF rule the terminator of a last line that had none. buffer holds 64 bytes.
    Output finish(unsigned char* buffer)
    {
        const BlockMap::Applied applied = m_map.apply(buffer, 0, buffer, false);
        m_counts.invalid += applied.losses.invalid;
        unsigned char* out = buffer + applied.written;
        if (m_lineEnds == LineEnds::CrLf && m_lineOpen) {
            *out++ = kCR;
            *out++ = kLF;
            m_counts.processed += 2;
        }
        return {buffer, out - buffer};
    }

    const Counts& counts() const { return m_counts; }

private:
    // The next CR at which the bulk mapping has to stop, or end.
    //
    // When LF comes out of the map as it went in, a CR LF pair can go through the map with the line
    // bytes, and under LineEnds::Keep so can a lone CR: the map writes CR as it is. Under the CR LF
    // rule only a CR that is not followed by LF (or ends the block, where its LF may come with the
    // next read) needs an LF added. Otherwise the LF of every CR LF must be kept from the map, and
    // under LineEnds::Lf every CR goes, so every CR stops the map. Under LineEnds::CrLfEach an LF
    // ends a line too: a CR LF goes through the map as under the CR LF rule, and only a lone CR or a
    // lone LF stops it, or with an LF the map would change, every CR and every LF.
    const unsigned char* nextStop(const unsigned char* p, const unsigned char* end) const
    {
        if (m_lineEnds == LineEnds::CrLfEach)
            return m_map.keepsLf() ? findUnpairedLineEnd(p, end, m_map.level()) : nextLineEnd(p, end);
        if (!m_map.keepsLf() || m_lineEnds == LineEnds::Lf)
            return nextCr(p, end);
        return m_lineEnds == LineEnds::Keep ? end : findLoneCr(p, end, m_map.level());
    }

    // The next line end whose output is a byte longer than it, or end: a lone CR under the CR LF
    // rules, and a lone LF too under CrLfEach.
    const unsigned char* nextGrowing(const unsigned char* p, const unsigned char* end) const
    {
        switch (m_lineEnds) {
        case LineEnds::CrLf:
            return findLoneCr(p, end, m_map.level());
        case LineEnds::CrLfEach:
            return findUnpairedLineEnd(p, end, m_map.level());
        default:
            return end;
        }
    }

    unsigned char* writeTerminator(unsigned char* out, bool pair)
    {
        if (m_lineEnds != LineEnds::Lf)
            *out++ = kCR;
        if (m_lineEnds != LineEnds::Keep || pair)
            *out++ = kLF;
        if (m_lineEnds == LineEnds::CrLf)
            m_counts.processed += 2;
        return out;
    }

    BlockMap m_map;
    const LineEnds m_lineEnds;
    Counts m_counts;
    bool m_lineOpen = false;     // bytes of a line have been read but not its terminator
    bool m_crEndedBlock = false; // the last block ended with CR: an LF starting this one belongs to it
};

// How many blocks the reading thread may be ahead by. More buy nothing once reading and the rest keep
// pace; each holds 2 * kEngineBlockSize.
constexpr int kBlocksAhead = 4;

EngineResult failure(const ByteSource& source, const Counts& counts)
{
    base::Error error = source.error();
    error.side = base::Side::Input;
    return EngineResult{false, std::move(error), counts};
}

EngineResult failure(const ByteSink& sink, const Counts& counts)
{
    base::Error error = sink.error();
    error.side = base::Side::Output;
    return EngineResult{false, std::move(error), counts};
}

bool wantsThread(const EngineOptions& options)
{
    return options.readThread == ReadThread::Always ||
           (options.readThread == ReadThread::WhenProcessorIdle && options.processorIdle && options.processorIdle());
}

// Where the engine's blocks come from. A block is read into the upper part of its buffer and mapped
// downwards (see translate). The first read asks for little, and the buffer grows to a whole block
// only when a read fills it: in a batch of small files, full-size buffers would be mapped and
// unmapped by the allocator for every file. Reading and mapping move to a thread of their own once
// reads fill whole blocks: a small file is done before a thread would have started.
class Blocks final
{
public:
    Blocks(ByteSource& source, LineTranslator& translator, const EngineOptions& options)
        : m_source(source), m_translator(translator), m_options(options),
          m_buffer(std::make_unique<PageBuffer>(translator.room(m_readSize) + m_readSize))
    {
    }

    // The next block, read and mapped; read is 0 at the end and -1 on failure.
    ReadAhead::Block next()
    {
        if (m_reader)
            return m_reader->next();
        unsigned char* const in = m_buffer->get() + m_translator.room(m_readSize);
        ReadAhead::Block block;
        block.read = m_source.read(reinterpret_cast<char*>(in), m_readSize);
        return block.read > 0 ? process(in, block.read) : block;
    }

    // After a block was written: its buffer is free again, and a full read grows the next.
    void written(const ReadAhead::Block& block)
    {
        if (m_reader) {
            m_reader->release();
        } else if (block.read == m_readSize) {
            if (m_readSize < kEngineBlockSize) {
                m_readSize = kEngineBlockSize;
                m_buffer.reset();
                m_buffer = std::make_unique<PageBuffer>(m_translator.room(m_readSize) + m_readSize);
            } else if (!m_threadTried) {
                m_threadTried = true;
                startThread();
            }
        }
    }

private:
    // Once a reading thread runs, it calls this and owns the translator until the end.
    ReadAhead::Block process(unsigned char* data, std::int64_t size)
    {
        const auto out = m_translator.translate(data, size);
        return ReadAhead::Block{size, out.data, out.size, m_translator.counts()};
    }

    void startThread()
    {
        try {
            if (wantsThread(m_options)) {
                const std::int64_t room = m_translator.room(kEngineBlockSize);
                m_reader.emplace(
                    m_source, [this](unsigned char* data, std::int64_t size) { return process(data, size); },
                    room + kEngineBlockSize, room, kBlocksAhead);
                m_buffer.reset();
            }
        } catch (const std::system_error&) {
            // No thread to spare: the same work, one step after the other.
        } catch (const std::bad_alloc&) {
            // No memory for the blocks ahead (ulimit -v): likewise.
        }
    }

    ByteSource& m_source;
    LineTranslator& m_translator;
    const EngineOptions& m_options;
    std::int64_t m_readSize = kEngineFirstReadSize;
    std::unique_ptr<PageBuffer> m_buffer; // while there is no reading thread
    bool m_threadTried = false;
    std::optional<ReadAhead> m_reader; // last: stopped before the buffers and the translator it uses
};

template <typename Conversion>
EngineResult run(ByteSource& source, ByteSink& sink, const Conversion& conversion, const EngineOptions& options)
{
    using Clock = std::chrono::steady_clock;

    LineTranslator translator(conversion, options);
    Counts counts;
    auto lastReport = Clock::now();
    {
        Blocks blocks(source, translator, options);
        for (;;) {
            const ReadAhead::Block block = blocks.next();
            if (block.read < 0)
                return failure(source, counts);
            if (block.read == 0)
                break;
            counts = block.counts;
            if (!sink.write(reinterpret_cast<const char*>(block.data), block.size))
                return failure(sink, counts);
            blocks.written(block);
            if (options.progress && Clock::now() - lastReport >= options.interval) {
                options.progress(counts);
                lastReport = Clock::now();
            }
        }
    }

    // The reading thread, if any, has stopped: translator is this thread's again.
    std::array<unsigned char, 64> last;
    const LineTranslator::Output end = translator.finish(last.data());
    if (end.size > 0 && !sink.write(reinterpret_cast<const char*>(end.data), end.size))
        return failure(sink, translator.counts());
    if (options.progress)
        options.progress(translator.counts());
    return EngineResult{true, {}, translator.counts()};
}

} // namespace

EngineResult convertStream(ByteSource& source, ByteSink& sink, const ConversionTable& table,
                           const ProgressCallback& progress, std::chrono::milliseconds interval, ReadThread readThread)
{
    EngineOptions options;
    options.progress = progress;
    options.interval = interval;
    options.readThread = readThread;
    return run(source, sink, table, options);
}

EngineResult convertStream(ByteSource& source, ByteSink& sink, const ConversionTable& table,
                           const EngineOptions& options)
{
    return run(source, sink, table, options);
}

EngineResult convertStream(ByteSource& source, ByteSink& sink, const FromUtf8& conversion, const EngineOptions& options)
{
    return run(source, sink, conversion.target, options);
}

EngineResult convertStream(ByteSource& source, ByteSink& sink, const Converter& converter, const EngineOptions& options)
{
    return std::visit([&](const auto& conversion) { return convertStream(source, sink, conversion, options); },
                      converter);
}

int progressPercentage(std::int64_t processed, std::int64_t size)
{
    if (size <= 0)
        return 100;
    // Divide first, then multiply: near whole percents the truncation depends on this order.
    const double percentage = 100.0 / static_cast<double>(size) * static_cast<double>(processed);
    return percentage > 100.0 ? 100 : static_cast<int>(percentage);
}

} // namespace trelvick::convert
