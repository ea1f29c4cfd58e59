// SPDX-License-Identifier: GPL-3.0-or-later
// The streaming engine against the plain reference conversion, with reads of fuzzer-chosen sizes (so CR and
// LF of one pair, and the bytes of one UTF-8 sequence, land in different reads), block boundaries read on the
// second thread or not, every rule for line ends, tables that write bytes or UTF-8, UTF-8 read into a code page,
// and injected read or write failures. Every vector kernel is held to the plain loop.

#include "convert/bytemap.h"
#include "convert/engine.h"
#include "convert/linescan.h"
#include "convert/losscounter.h"
#include "convert/utf8decoder.h"
#include "convert/utf8map.h"
#include "fuzzcheck.h"
#include "referenceconverter.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

using namespace trelvick::convert;
using trelvick::testsupport::referenceConvert;
using trelvick::testsupport::referenceDecode;
using trelvick::testsupport::ReferenceResult;

namespace {

constexpr SimdLevel kLevels[] = {SimdLevel::None, SimdLevel::Avx2, SimdLevel::Avx512Vbmi};

// Reads of the sizes in the list, over and over (0: as much as asked for); fails on read number
// failAt when that is not negative.
struct ChunkSource final : ByteSource
{
    ChunkSource(const std::string& bytes, std::vector<std::int64_t> sizes, int failAt)
        : m_bytes(bytes), m_sizes(std::move(sizes)), m_failAt(failAt)
    {
    }
    std::int64_t read(char* buffer, std::int64_t capacity) override
    {
        FUZZ_CHECK(capacity > 0);
        if (m_reads++ == m_failAt)
            return -1;
        std::int64_t size = std::min<std::int64_t>(capacity, std::int64_t(m_bytes.size()) - m_pos);
        if (const std::int64_t wanted = m_sizes[std::size_t(m_reads) % m_sizes.size()]; wanted > 0)
            size = std::min(size, wanted);
        std::memcpy(buffer, m_bytes.data() + m_pos, std::size_t(size));
        m_pos += size;
        return size;
    }
    trelvick::base::Error error() const override { return trelvick::base::Error::system(EIO); }

    const std::string& m_bytes;
    std::vector<std::int64_t> m_sizes;
    int m_failAt;
    int m_reads = 0;
    std::int64_t m_pos = 0;
};

// Keeps what it gets; fails on write number failAt when that is not negative.
struct StringSink final : ByteSink
{
    explicit StringSink(int failAt) : m_failAt(failAt) {}
    bool write(const char* data, std::int64_t size) override
    {
        FUZZ_CHECK(!failed && size >= 0); // nothing is written after a failure
        if (m_writes++ == m_failAt) {
            failed = true;
            return false;
        }
        bytes.append(data, std::size_t(size));
        return true;
    }
    trelvick::base::Error error() const override { return trelvick::base::Error::system(ENOSPC); }

    std::string bytes;
    bool failed = false;
    int m_failAt;
    int m_writes = 0;
};

// Every vector kernel agrees with the plain one (which the engine's output checks where it is the
// level used): byte maps into another buffer and over themselves, the line scan, the counts of marked
// bytes, UTF-8 written, and UTF-8 read in two runs cut at split.
void checkKernels(const ConversionTable& table, const CodePage& page, const std::string& input, std::size_t split)
{
    if (input.empty())
        return; // the engine never maps an empty run, and empty vectors have no data pointer
    // Exact-size heap copies, so that a kernel reading past the end is seen by ASan.
    const std::vector<unsigned char> in(input.begin(), input.end());
    const unsigned char* const end = in.data() + in.size();
    const auto decoded = [&](SimdLevel level) {
        Utf8Decoder decoder(page, level);
        std::vector<unsigned char> out(in.size() + 2 * (1 + Utf8Decoder::kSlack));
        const auto first = decoder.apply(in.data(), split, out.data(), true);
        const auto second = decoder.apply(in.data() + split, in.size() - split, out.data() + first.written, false);
        out.resize(first.written + second.written);
        return std::make_tuple(out, first.changed + second.changed, first.losses.lost + second.losses.lost,
                               first.losses.invalid + second.losses.invalid);
    };
    const auto written = [&](SimdLevel level) {
        std::vector<unsigned char> out(4 * in.size() + Utf8Map::kSlack);
        const Utf8Map::Applied applied = Utf8Map(table, level).apply(in.data(), in.size(), out.data());
        out.resize(applied.written);
        return std::make_pair(out, applied.changed);
    };
    std::vector<unsigned char> expected(in.size());
    const std::int64_t changed = ByteMap(table, SimdLevel::None).apply(in.data(), in.size(), expected.data());
    const unsigned char* const loneCr = findLoneCr(in.data(), end, SimdLevel::None);
    const unsigned char* const unpaired = findUnpairedLineEnd(in.data(), end, SimdLevel::None);
    const Losses losses = LossCounter(table, SimdLevel::None).count(in.data(), in.size());
    const auto plainDecoded = decoded(SimdLevel::None);
    const auto plainWritten = written(SimdLevel::None);
    const bool utf8 = table.output() == ConversionTable::Output::Utf8;
    for (const SimdLevel level : kLevels) {
        if (level == SimdLevel::None || !isSupported(level))
            continue;
        FUZZ_CHECK(findLoneCr(in.data(), end, level) == loneCr);
        FUZZ_CHECK(findUnpairedLineEnd(in.data(), end, level) == unpaired);
        const Losses counted = LossCounter(table, level).count(in.data(), in.size());
        FUZZ_CHECK(counted.lost == losses.lost && counted.invalid == losses.invalid);
        FUZZ_CHECK(decoded(level) == plainDecoded);
        if (utf8) {
            FUZZ_CHECK(written(level) == plainWritten);
            continue;
        }
        const ByteMap map(table, level);
        std::vector<unsigned char> out(in.size());
        FUZZ_CHECK(map.apply(in.data(), in.size(), out.data()) == changed && out == expected);
        std::vector<unsigned char> inPlace = in;
        FUZZ_CHECK(map.apply(inPlace.data(), inPlace.size(), inPlace.data()) == changed && inPlace == expected);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    const auto flags = data.ConsumeIntegral<std::uint8_t>();
    const auto choices = data.ConsumeIntegral<std::uint8_t>();

    // The table: optionally every code shifted by a constant (dense tables take other kernel
    // paths), then single entries; an entry that is no code of the output removes one. For UTF-8
    // input the same entries are the characters of the code page it is read into.
    const bool fromUtf8 = choices & 0x04;
    const auto output = (flags & 0x40) || fromUtf8 ? ConversionTable::Output::Utf8 : ConversionTable::Output::Bytes;
    std::array<int, 256> lookup;
    lookup.fill(-1);
    if (flags & 1) {
        const int shift = data.ConsumeIntegral<std::uint8_t>();
        for (int code = 0; code <= 255; ++code)
            lookup[std::size_t(code)] =
                fromUtf8 ? code < 128 ? code : 0x380 + ((code + shift) & 0x7F) : (code + shift) & 0xFF;
    }
    for (int entries = data.ConsumeIntegralInRange(0, 24); entries > 0; --entries) {
        const auto source = data.ConsumeIntegral<std::uint8_t>();
        lookup[source] = data.ConsumeIntegralInRange(-1, ConversionTable::highestCode(output));
    }
    ConversionTable table = ConversionTable::fromLookup(lookup, output);
    for (int marks = data.ConsumeIntegralInRange(0, 8); marks > 0; --marks) {
        const auto code = data.ConsumeIntegral<std::uint8_t>();
        table.markLoss(code, ConversionTable::Loss(data.ConsumeIntegralInRange(0, 2)));
    }
    const CodePage page = CodePage::fromCharacters(lookup);

    std::vector<std::int64_t> sizes;
    for (int reads = data.ConsumeIntegralInRange(1, 8); reads > 0; --reads)
        sizes.push_back(data.ConsumeIntegralInRange(0, 64));
    const int readFailure = (flags & 2) ? data.ConsumeIntegralInRange(0, 40) : -1;
    const int writeFailure = (flags & 4) ? data.ConsumeIntegralInRange(0, 40) : -1;

    EngineOptions options;
    options.lineEnds = LineEnds(choices & 3);
    options.readThread = (choices & 0x08) ? ReadThread::Always : ReadThread::Never;
    options.simdLevel = kLevels[(choices >> 4) % 3];
    options.interval = std::chrono::milliseconds(0);

    // A run of filler that ends just before the end of the engine's second read puts the fuzzer's
    // bytes on a real block boundary (the source then hands out full blocks), read on the second
    // thread when it is asked for. Rare: such runs are slow.
    std::string input;
    if ((flags & 0x38) == 0x38) {
        const auto filler = static_cast<char>(data.ConsumeIntegral<std::uint8_t>());
        input.assign(std::size_t(kEngineFirstReadSize + kEngineBlockSize - data.ConsumeIntegralInRange(0, 8)), filler);
        sizes.assign(1, 0);
    }
    input += data.ConsumeRemainingBytesAsString();

    const ReferenceResult expected =
        fromUtf8 ? referenceDecode(input, page, options.lineEnds) : referenceConvert(input, table, options.lineEnds);

    ChunkSource source(input, sizes, readFailure);
    StringSink sink(writeFailure);
    std::vector<Counts> reports;
    options.progress = [&](const Counts& counts) { reports.push_back(counts); };
    const EngineResult result =
        fromUtf8 ? convertStream(source, sink, FromUtf8{page}, options) : convertStream(source, sink, table, options);

    // Progress never goes back, and never beyond the end.
    for (std::size_t i = 0; i < reports.size(); ++i) {
        FUZZ_CHECK(reports[i].processed <= expected.processed && reports[i].changed <= expected.changed);
        FUZZ_CHECK(i == 0 ||
                   (reports[i - 1].processed <= reports[i].processed && reports[i - 1].changed <= reports[i].changed));
    }

    if (result.ok) {
        FUZZ_CHECK(!sink.failed && sink.bytes == expected.output);
        FUZZ_CHECK(result.counts.processed == expected.processed && result.counts.changed == expected.changed);
        FUZZ_CHECK(result.counts.lost == expected.lost && result.counts.invalid == expected.invalid);
        FUZZ_CHECK(!reports.empty() && reports.back().processed == result.counts.processed &&
                   reports.back().changed == result.counts.changed);
    } else {
        // Only an injected failure stops the run, with that failure's text; what was written up to
        // then is the start of the right output.
        FUZZ_CHECK(result.error.is(sink.failed ? ENOSPC : EIO));
        FUZZ_CHECK(result.error.side == (sink.failed ? trelvick::base::Side::Output : trelvick::base::Side::Input));
        FUZZ_CHECK(sink.failed || readFailure >= 0);
        FUZZ_CHECK(expected.output.compare(0, sink.bytes.size(), sink.bytes) == 0);
        FUZZ_CHECK(result.counts.processed <= expected.processed && result.counts.changed <= expected.changed);
    }

    const std::string tail = input.size() > 4096 ? input.substr(input.size() - 4096) : input;
    checkKernels(table, page, tail, tail.empty() ? 0 : std::size_t(choices) * 31 % tail.size());
    return 0;
}
