// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/engine.h"

#include "convert/blockmap.h"
#include "convert/linescan.h"
#include "convert/pagebuffer.h"
#include "convert/readahead.h"

#include <cstring>
#include <memory>
#include <optional>
#include <system_error>

namespace trelvick::convert {

namespace {

constexpr unsigned char kCR = '\r';
constexpr unsigned char kLF = '\n';

// The next CR at which the bulk mapping has to stop, or end.
//
// When LF has no table entry, a CR LF pair can go through the map with the line bytes: neither byte
// has an entry, and the pair is already the terminator the output wants. Only a CR that is not
// followed by LF (or ends the block, where its LF may come with the next read) needs an LF added.
// When LF has an entry, the LF of every CR LF must be kept from the table, so every CR stops the map.
const unsigned char* nextStop(const unsigned char* p, const unsigned char* end, bool everyCr, SimdLevel level)
{
    if (!everyCr)
        return findLoneCr(p, end, level);
    const void* cr = std::memchr(p, kCR, static_cast<std::size_t>(end - p));
    return cr ? static_cast<const unsigned char*>(cr) : end;
}

bool endsWithCrLf(const unsigned char* begin, const unsigned char* end)
{
    return end - begin >= 2 && end[-2] == kCR && end[-1] == kLF;
}

// Maps blocks as they come from the source, carrying the state of the line rules from one block to
// the next. Kept apart from the reading and writing so that the mapping can change on its own.
class LineTranslator final
{
public:
    explicit LineTranslator(const ConversionTable& table) : m_map(table), m_stopAtEveryCr(m_map.hasEntryFor(kLF)) {}

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
    // into the room before the input and never reaches it.
    Output translate(unsigned char* const input, std::int64_t size)
    {
        const unsigned char* in = input;
        const unsigned char* const end = in + size;
        const unsigned char* const firstLone = findLoneCr(in, end, m_map.level());
        std::int64_t growth = 0;
        if (m_map.inPlace()) {
            for (const unsigned char* p = firstLone; p != end; p = findLoneCr(p + 1, end, m_map.level()))
                ++growth;
        }
        unsigned char* const output = input - (m_map.inPlace() ? growth : m_map.outputCapacity(size));
        const bool endsWithPair = endsWithCrLf(in, end); // before the output may overwrite it
        if (m_crEndedBlock && *in == kLF)
            ++in;
        m_crEndedBlock = false;

        unsigned char* out = output;
        const unsigned char* stop = m_stopAtEveryCr ? nextStop(in, end, true, m_map.level()) : firstLone;
        for (;;) {
            const auto length = static_cast<std::size_t>(stop - in);
            const BlockMap::Applied applied = m_map.apply(in, length, out);
            m_counts.changed += applied.changed;
            m_counts.processed += static_cast<std::int64_t>(length); // a CR LF inside counts its 2
            out += applied.written;
            if (stop == end) {
                if (length > 0)
                    m_lineOpen = length < 2 || !endsWithPair;
                break;
            }
            in = stop + 1;
            const bool pair = in != end && *in == kLF;
            *out++ = kCR;
            *out++ = kLF;
            m_counts.processed += 2;
            m_lineOpen = false;
            if (in == end) {
                m_crEndedBlock = true;
                break;
            }
            if (pair)
                ++in;
            stop = nextStop(in, end, m_stopAtEveryCr, m_map.level());
        }
        return {output, out - output};
    }

    // The last line needs no terminator in the file but gets one in the output.
    bool lineOpen() const { return m_lineOpen; }
    void closeLine() { m_counts.processed += 2; }
    const Counts& counts() const { return m_counts; }

private:
    const BlockMap m_map;
    const bool m_stopAtEveryCr;
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

} // namespace

EngineResult convertStream(ByteSource& source, ByteSink& sink, const ConversionTable& table,
                           const ProgressCallback& progress, std::chrono::milliseconds interval, ReadThread readThread)
{
    using Clock = std::chrono::steady_clock;

    LineTranslator translator(table);
    // Maps one block. Once a reading thread runs, it calls this and owns translator until the end.
    const auto process = [&translator](unsigned char* data, std::int64_t size) {
        const auto out = translator.translate(data, size);
        return ReadAhead::Block{size, out.data, out.size, translator.counts()};
    };
    // A block is read into the upper part of its buffer and mapped downwards (see translate). The first read asks for little, and the buffer grows to a whole block only
    // when a read fills it: in a batch of small files, full-size buffers would be mapped and unmapped
    // by the allocator for every file.
    std::int64_t readSize = kEngineFirstReadSize;
    auto buffer = std::make_unique<PageBuffer>(translator.room(readSize) + readSize); // while there is no reading thread
    // Reading and mapping move to a thread of their own once reads fill whole blocks: a small file
    // is done before a thread would have started.
    std::optional<ReadAhead> reader;
    bool threadTried = false;
    Counts counts;
    auto lastReport = Clock::now();

    for (;;) {
        ReadAhead::Block block;
        if (reader) {
            block = reader->next();
        } else {
            unsigned char* const in = buffer->get() + translator.room(readSize);
            block.read = source.read(reinterpret_cast<char*>(in), readSize);
            if (block.read > 0)
                block = process(in, block.read);
        }
        if (block.read < 0)
            return failure(source, counts);
        if (block.read == 0)
            break;
        counts = block.counts;
        if (!sink.write(reinterpret_cast<const char*>(block.data), block.size))
            return failure(sink, counts);

        if (reader) {
            reader->release();
        } else if (block.read == readSize) {
            if (readSize < kEngineBlockSize) {
                readSize = kEngineBlockSize;
                buffer.reset();
                buffer = std::make_unique<PageBuffer>(translator.room(readSize) + readSize);
            } else if (!threadTried) {
                threadTried = true;
                try {
                    if (readThread == ReadThread::Always ||
                        (readThread == ReadThread::WhenProcessorIdle && ReadAhead::processorIdle())) {
                        const std::int64_t room = translator.room(kEngineBlockSize);
                        reader.emplace(source, process, room + kEngineBlockSize, room, kBlocksAhead);
                        buffer.reset();
                    }
                } catch (const std::system_error&) {
                    // No thread to spare: the same work, one step after the other.
                }
            }
        }

        if (progress) {
            const auto now = Clock::now();
            if (now - lastReport >= interval) {
                progress(counts);
                lastReport = now;
            }
        }
    }

    // The reading thread, if any, has stopped at the end: translator is this thread's again.
    if (translator.lineOpen()) {
        const char terminator[] = {'\r', '\n'};
        if (!sink.write(terminator, 2))
            return failure(sink, translator.counts());
        translator.closeLine();
    }
    if (progress)
        progress(translator.counts());
    return EngineResult{true, {}, translator.counts()};
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
