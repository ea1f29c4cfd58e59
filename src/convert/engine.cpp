#include "convert/engine.h"

#include "convert/bytemap.h"
#include "convert/linescan.h"
#include "convert/pagebuffer.h"
#include "convert/writebehind.h"

#include <cstring>
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

    // Maps the size bytes at in into out, which has room for 2 * size, and returns the bytes written.
    std::int64_t translate(const unsigned char* in, std::int64_t size, unsigned char* const output)
    {
        const unsigned char* const end = in + size;
        if (m_crEndedBlock && *in == kLF)
            ++in;
        m_crEndedBlock = false;

        unsigned char* out = output;
        const unsigned char* stop = nextStop(in, end, m_stopAtEveryCr, m_map.level());
        for (;;) {
            const auto length = static_cast<std::size_t>(stop - in);
            m_counts.changed += m_map.apply(in, length, out);
            m_counts.processed += static_cast<std::int64_t>(length); // a CR LF inside counts its 2
            out += length;
            if (stop == end) {
                if (length > 0)
                    m_lineOpen = !endsWithCrLf(in, end);
                break;
            }
            *out++ = kCR;
            *out++ = kLF;
            m_counts.processed += 2;
            m_lineOpen = false;
            in = stop + 1;
            if (in == end) {
                m_crEndedBlock = true;
                break;
            }
            if (*in == kLF)
                ++in;
            stop = nextStop(in, end, m_stopAtEveryCr, m_map.level());
        }
        return out - output;
    }

    // The last line needs no terminator in the file but gets one in the output.
    bool lineOpen() const { return m_lineOpen; }
    void closeLine() { m_counts.processed += 2; }
    const Counts& counts() const { return m_counts; }

private:
    const ByteMap m_map;
    const bool m_stopAtEveryCr;
    Counts m_counts;
    bool m_lineOpen = false;     // bytes of a line have been read but not its terminator
    bool m_crEndedBlock = false; // the last block ended with CR: an LF starting this one belongs to it
};

// How many blocks may wait for the writing thread. More buy nothing once reading and writing keep
// pace; each holds 2 * kEngineBlockSize.
constexpr int kBlocksInFlight = 4;

EngineResult failure(const ByteSource& source, const Counts& counts)
{
    return EngineResult{false, source.errorString(), counts, FailedSide::Source};
}

EngineResult failure(const ByteSink& sink, const Counts& counts)
{
    return EngineResult{false, sink.errorString(), counts, FailedSide::Sink};
}

} // namespace

EngineResult convertStream(ByteSource& source, ByteSink& sink, const ConversionTable& table,
                           const ProgressCallback& progress, std::chrono::milliseconds interval)
{
    using Clock = std::chrono::steady_clock;

    LineTranslator translator(table);
    const PageBuffer input(kEngineBlockSize);
    const PageBuffer output(2 * kEngineBlockSize);
    // Writing moves to a thread of its own once a read fills a whole block: a small file is done
    // before a thread would have started.
    std::optional<WriteBehind> writer;
    bool threadTried = false;
    auto lastReport = Clock::now();

    for (;;) {
        const std::int64_t got = source.read(reinterpret_cast<char*>(input.get()), kEngineBlockSize);
        if (got < 0) {
            // The blocks read before still go out; a write that failed on them came first.
            if (writer && !writer->finish())
                return failure(sink, translator.counts());
            return failure(source, translator.counts());
        }
        if (got == 0)
            break;

        if (got == kEngineBlockSize && !threadTried) {
            threadTried = true;
            try {
                writer.emplace(sink, 2 * kEngineBlockSize, kBlocksInFlight);
            } catch (const std::system_error&) {
                // No thread to spare: the same work, one step after the other.
            }
        }

        unsigned char* const block = writer ? writer->nextBlock() : output.get();
        if (!block) {
            writer->finish();
            return failure(sink, translator.counts());
        }
        const std::int64_t size = translator.translate(input.get(), got, block);
        if (writer)
            writer->queue(size);
        else if (!sink.write(reinterpret_cast<const char*>(block), size))
            return failure(sink, translator.counts());

        if (progress) {
            const auto now = Clock::now();
            if (now - lastReport >= interval) {
                progress(translator.counts());
                lastReport = now;
            }
        }
    }

    if (writer && !writer->finish())
        return failure(sink, translator.counts());
    if (translator.lineOpen()) {
        const char terminator[] = {'\r', '\n'};
        if (!sink.write(terminator, 2))
            return failure(sink, translator.counts());
        translator.closeLine();
    }
    if (progress)
        progress(translator.counts());
    return EngineResult{true, {}, translator.counts(), FailedSide::None};
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
