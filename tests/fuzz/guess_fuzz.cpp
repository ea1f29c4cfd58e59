// SPDX-License-Identifier: GPL-3.0-or-later
// The codepage detector on any bytes: only names and languages from its lists, confidences between 0 and 1
// that add up to 1 (half for a mostly-UTF-8 file), best first, and the same answer from memory as from a
// file read in pieces of fuzzer-chosen sizes. A double encoding it finds is repaired into valid UTF-8, and
// the repair takes any bytes through any encoding without harm.
// The bytes may be put behind ASCII filler near the window's size, so that the scan for the first byte
// beyond ASCII and the window around it are reached with short inputs.

#include "fuzzcheck.h"
#include "guess/guess.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

using namespace trelvick;

namespace {

// Reads of the sizes in the list, over and over.
class PieceReader final : public base::ByteSource
{
public:
    PieceReader(const std::string& bytes, std::vector<std::size_t> sizes) : m_bytes(bytes), m_sizes(std::move(sizes)) {}
    std::int64_t read(char* buffer, std::int64_t size) override
    {
        FUZZ_CHECK(size > 0);
        const std::size_t count =
            std::min({std::size_t(size), m_bytes.size() - m_at, m_sizes[m_reads++ % m_sizes.size()]});
        std::memcpy(buffer, m_bytes.data() + m_at, count);
        m_at += count;
        return std::int64_t(count);
    }
    trelvick::base::Error error() const override { return {}; }

private:
    const std::string& m_bytes;
    std::vector<std::size_t> m_sizes;
    std::size_t m_reads = 0;
    std::size_t m_at = 0;
};

void checkGuess(const guess::Guess& guess)
{
    double sum = 0;
    for (std::size_t i = 0; i < guess.ranked.size(); ++i) {
        const guess::Likelihood& likelihood = guess.ranked[i];
        FUZZ_CHECK(static_cast<int>(likelihood.encoding) >= 0 &&
                   static_cast<int>(likelihood.encoding) < guess::kEncodingCount);
        FUZZ_CHECK(!guess::encodingName(likelihood.encoding).empty());
        FUZZ_CHECK(static_cast<int>(likelihood.language) >= 0 &&
                   static_cast<int>(likelihood.language) < guess::kLanguageCount);
        const double percent = likelihood.confidence * 100;
        FUZZ_CHECK(percent >= 0 && percent <= 100);
        FUZZ_CHECK(i == 0 ? likelihood.readsLikeBest : likelihood.confidence <= guess.ranked[i - 1].confidence);
        sum += likelihood.confidence;
    }
    FUZZ_CHECK(guess.ranked.empty() || std::fabs(sum - (guess.mostlyUtf8 ? guess::kMostlyUtf8Share : 1.0)) < 1e-9);
    FUZZ_CHECK(guess.certainty() >= 0 && guess.certainty() <= 1.0 + 1e-9);
}

bool same(const guess::Guess& a, const guess::Guess& b)
{
    if (a.ranked.size() != b.ranked.size())
        return false;
    for (std::size_t i = 0; i < a.ranked.size(); ++i) {
        if (a.ranked[i].encoding != b.ranked[i].encoding || a.ranked[i].confidence != b.ranked[i].confidence)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider provider(data, size);
    const auto flags = provider.ConsumeIntegral<std::uint8_t>();
    std::vector<std::size_t> sizes;
    for (int reads = provider.ConsumeIntegralInRange(1, 4); reads > 0; --reads)
        sizes.push_back(provider.ConsumeIntegralInRange<std::size_t>(1, 70000));
    std::string bytes;
    if ((flags & 0x0F) == 0x0F) {
        // Filler that ends a little before or after the first window's end. Rare: such runs are slow.
        const auto filler = static_cast<char>(provider.ConsumeIntegralInRange(0x20, 0x7E));
        const int shift = provider.ConsumeIntegralInRange(-300, 300);
        bytes.assign(std::size_t(std::int64_t(guess::kWindowSize) + shift), filler);
    }
    const std::string tail = provider.ConsumeRemainingBytesAsString();
    bytes += tail;

    const guess::Guess inMemory = guess::guessEncoding(bytes);
    checkGuess(inMemory);
    PieceReader reader(bytes, sizes);
    const base::Expected<guess::Guess> read = guess::guessFile(reader);
    FUZZ_CHECK(read.hasValue() && same(*read, inMemory));

    if (inMemory.doubleEncodedThrough) {
        const std::optional<std::string> repaired = guess::repairMojibake(bytes, *inMemory.doubleEncodedThrough);
        FUZZ_CHECK(repaired && repaired->size() < bytes.size());
    }
    const auto through = static_cast<guess::Encoding>(flags % guess::kEncodingCount);
    if (const std::optional<std::string> repaired = guess::repairMojibake(tail, through))
        FUZZ_CHECK(repaired->size() <= tail.size());

    const guess::Guess name = guess::guessName(tail.substr(0, 255));
    checkGuess(name);
    FUZZ_CHECK(name.fits()); // a name is always read somehow
    return 0;
}
