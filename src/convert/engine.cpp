#include "convert/engine.h"

#include "convert/blockmap.h"
#include "convert/linescan.h"

#include <cstring>
#include <new>

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

// A buffer on page boundaries: the kernel copies into and out of it a good deal faster than into
// the odd offset where a plain allocation of this size starts. Not value-initialised: every byte is
// written before it is read.
class PageBuffer final
{
public:
    explicit PageBuffer(std::int64_t size)
        : m_data(static_cast<unsigned char*>(::operator new(static_cast<std::size_t>(size), kAlignment)))
    {
    }
    ~PageBuffer() { ::operator delete(m_data, kAlignment); }
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;

    unsigned char* get() const { return m_data; }

private:
    static constexpr std::align_val_t kAlignment{4096};
    unsigned char* m_data;
};

EngineResult failure(QString error, const Counts& counts)
{
    return EngineResult{false, std::move(error), counts};
}

} // namespace

EngineResult convertStream(ByteSource& source, ByteSink& sink, const ConversionTable& table,
                           const ProgressCallback& progress, std::chrono::milliseconds interval)
{
    using Clock = std::chrono::steady_clock;

    const BlockMap map(table);
    const bool stopAtEveryCr = map.hasEntryFor(kLF);
    const PageBuffer input(kEngineBlockSize);
    const PageBuffer output(map.outputCapacity(kEngineBlockSize));

    Counts counts;
    bool lineOpen = false;     // bytes of a line have been read but not its terminator
    bool crEndedBlock = false; // the last block ended with CR: an LF starting this one belongs to it
    auto lastReport = Clock::now();

    for (;;) {
        const std::int64_t got = source.read(reinterpret_cast<char*>(input.get()), kEngineBlockSize);
        if (got < 0)
            return failure(source.errorString(), counts);
        if (got == 0)
            break;

        const unsigned char* in = input.get();
        const unsigned char* const end = in + got;
        if (crEndedBlock && *in == kLF)
            ++in;
        crEndedBlock = false;

        unsigned char* out = output.get();
        const unsigned char* stop = nextStop(in, end, stopAtEveryCr, map.level());
        for (;;) {
            const auto size = static_cast<std::size_t>(stop - in);
            const BlockMap::Applied applied = map.apply(in, size, out);
            counts.changed += applied.changed;
            counts.processed += static_cast<std::int64_t>(size); // a CR LF inside counts its 2
            out += applied.written;
            if (stop == end) {
                if (size > 0)
                    lineOpen = !endsWithCrLf(in, end);
                break;
            }
            *out++ = kCR;
            *out++ = kLF;
            counts.processed += 2;
            lineOpen = false;
            in = stop + 1;
            if (in == end) {
                crEndedBlock = true;
                break;
            }
            if (*in == kLF)
                ++in;
            stop = nextStop(in, end, stopAtEveryCr, map.level());
        }

        if (!sink.write(reinterpret_cast<const char*>(output.get()), out - output.get()))
            return failure(sink.errorString(), counts);

        if (progress) {
            const auto now = Clock::now();
            if (now - lastReport >= interval) {
                progress(counts);
                lastReport = now;
            }
        }
    }

    // The last line needs no terminator in the file but gets one in the output.
    if (lineOpen) {
        const char terminator[] = {'\r', '\n'};
        if (!sink.write(terminator, 2))
            return failure(sink.errorString(), counts);
        counts.processed += 2;
    }
    if (progress)
        progress(counts);
    return EngineResult{true, {}, counts};
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
