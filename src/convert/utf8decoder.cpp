// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/utf8decoder.h"

#include <algorithm>
#include <cstring>

namespace trelvick::convert {

namespace {

// A value of the table: the byte in bits 0..7, and flags.
constexpr std::uint16_t kLost = 0x100;
constexpr std::uint16_t kChanged = 0x200;
constexpr char32_t kInvalid = 0xFFFFFFFF;
constexpr unsigned char kCR = '\r';

// The character at p, of which n bytes are there (n > 0): its length and code point, kInvalid for the
// longest start of a sequence that breaks off (or a byte that starts none), or length 0 when all n
// bytes are the start of a longer sequence.
int decodeOne(const unsigned char* p, std::size_t n, char32_t& c)
{
    const unsigned lead = p[0];
    c = kInvalid;
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    int length;
    char32_t value;
    unsigned low = 0x80; // the range of the second byte; later ones are always 80..BF
    unsigned high = 0xBF;
    if (lead < 0xC2) {
        return 1;
    } else if (lead < 0xE0) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead < 0xF0) {
        length = 3;
        value = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;  // overlong
        high = lead == 0xED ? 0x9F : 0xBF; // surrogates
    } else if (lead < 0xF5) {
        length = 4;
        value = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;  // overlong
        high = lead == 0xF4 ? 0x8F : 0xBF; // above U+10FFFF
    } else {
        return 1;
    }
    for (int k = 1; k < length; ++k) {
        if (std::size_t(k) >= n)
            return 0;
        const unsigned next = p[k];
        if (next < low || next > high)
            return k;
        value = value << 6 | (next & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    c = value;
    return length;
}

#ifdef TRELVICK_X86_KERNELS

// For each mask of 8 bytes, the shuffle that packs the bytes it keeps to the front, and their number.
struct BytePacking
{
    alignas(8) std::array<std::array<unsigned char, 8>, 256> shuffles{};
    std::array<unsigned char, 256> counts{};

    constexpr BytePacking()
    {
        for (int mask = 0; mask < 256; ++mask) {
            int at = 0;
            for (int k = 0; k < 8; ++k)
                if (mask >> k & 1)
                    shuffles[mask][at++] = static_cast<unsigned char>(k);
            counts[mask] = static_cast<unsigned char>(at);
        }
    }
};
constexpr BytePacking kBytePacking;

// Stores the bytes of the lane that keep (16 bits) selects, packed, and returns the end.
__attribute__((target("avx2"))) inline unsigned char* storeKept(unsigned char* out, __m128i lane, unsigned keep)
{
    const unsigned low = keep & 0xFF;
    const unsigned high = keep >> 8 & 0xFF;
    const __m128i shuffle = _mm_add_epi8(
        _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(kBytePacking.shuffles[low].data())),
                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kBytePacking.shuffles[high].data()))),
        _mm_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 8, 8, 8, 8, 8, 8, 8, 8));
    const __m128i packed = _mm_shuffle_epi8(lane, shuffle);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
    out += kBytePacking.counts[low];
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_unpackhi_epi64(packed, packed));
    return out + kBytePacking.counts[high];
}

#endif

} // namespace

struct Utf8Decoder::State
{
    const unsigned char* p;
    const unsigned char* end;
    unsigned char* out;
    Applied applied;
};

Utf8Decoder::Utf8Decoder(const CodePage& target, SimdLevel level)
    : m_level(isSupported(level) ? level : SimdLevel::None), m_target(target)
{
    const std::optional<std::uint8_t> question = target.byteOf(U'?');
    m_substitute = static_cast<std::uint16_t>(question.value_or('?') | kLost | kChanged);
    // Only the code page's own characters are looked at: a batch of small files makes one of these
    // for every file.
    m_low.fill(m_substitute);
    m_pages.emplace_back().fill(m_substitute);
    std::array<int, 16> windowHas{}; // characters in each block of 128 below U+0800
    for (const auto& [c, byte] : target.encoding()) {
        if (c < m_low.size()) {
            m_low[c] = static_cast<std::uint16_t>(byte | (c >= 0x80 || byte != c ? kChanged : 0));
            ++windowHas[c >> 7];
        } else if (c <= 0xFFFF) {
            std::uint16_t& page = m_pageOf[c >> 8];
            if (page == 0) {
                page = static_cast<std::uint16_t>(m_pages.size());
                m_pages.emplace_back().fill(m_substitute);
            }
            m_pages[page][c & 0xFF] = static_cast<std::uint16_t>(byte | kChanged);
        }
    }
    m_low[kCR] = kCR;
    bool asciiStaysItself = true;
    for (char32_t c = 0; c < 0x80; ++c)
        asciiStaysItself = asciiStaysItself && m_low[c] == c;
    // The window: the pair of lead bytes (C2 C3, C4 C5, ... DE DF) whose 128 code points the code
    // page has most of.
    const auto most = std::max_element(windowHas.begin() + 1, windowHas.end());
    m_windowLead = static_cast<unsigned char>(0xC0 + 2 * (most - windowHas.begin()));
    const char32_t base = (m_windowLead & 0x1F) << 6;
    std::array<unsigned char, 128> window;
    for (int i = 0; i < 128; ++i) {
        window[i] = static_cast<unsigned char>(m_low[base + i]);
        if (m_low[base + i] & kLost)
            m_windowLost.add(i);
        else if (window[i] == static_cast<unsigned char>(m_substitute))
            m_substituteOnlyForLost = false;
    }
    m_window = ShuffleRows(window.data());
    // The kernel copies ASCII as it is.
    m_vector = m_level != SimdLevel::None && asciiStaysItself;
}

std::uint16_t Utf8Decoder::valueOf(char32_t c) const
{
    if (c < m_low.size())
        return m_low[c];
    if (c <= 0xFFFF)
        return m_pages[m_pageOf[c >> 8]][c & 0xFF];
    const std::optional<std::uint8_t> byte = m_target.byteOf(c);
    return byte ? static_cast<std::uint16_t>(*byte | kChanged) : m_substitute;
}

// Characters until p reaches limit; the last may reach past it, up to end. The work is done on
// locals: with the output written byte by byte, the compiler would reload every field of state
// after each store.
void Utf8Decoder::decodePlain(State& state, const unsigned char* limit, bool continued)
{
    const unsigned char* p = state.p;
    const unsigned char* const end = state.end;
    unsigned char* out = state.out;
    const std::uint16_t* const low = m_low.data();
    const std::uint16_t* const pageOf = m_pageOf.data();
    const std::array<std::uint16_t, 256>* const pages = m_pages.data();
    std::int64_t changed = 0;
    std::int64_t lost = 0;
    std::int64_t invalid = 0;
    while (p < limit) {
        // ASCII and two-byte characters, most of any text, without a branch between them.
        const unsigned lead = *p;
        const unsigned next = p + 1 < end ? p[1] : 0;
        const bool two = lead - 0xC2 < 0x1E && (next & 0xC0) == 0x80;
        std::uint16_t value;
        int length = 1 + two;
        if (lead < 0x80 || two) {
            value = low[two ? (lead & 0x1F) << 6 | (next & 0x3F) : lead];
        } else if (lead - 0xE1 < 0x0F && lead != 0xED && end - p > 2 && (next & 0xC0) == 0x80 &&
                   (p[2] & 0xC0) == 0x80) {
            // Three bytes that can be neither overlong (E0) nor a surrogate (ED): box drawing, dashes
            // and quotes, the rest of most old texts.
            const char32_t c = (lead & 0x0F) << 12 | (next & 0x3F) << 6 | (p[2] & 0x3F);
            value = pages[pageOf[c >> 8]][c & 0xFF];
            length = 3;
        } else {
            char32_t c;
            length = decodeOne(p, static_cast<std::size_t>(end - p), c);
            if (length == 0 && continued) {
                m_pendingSize = static_cast<std::size_t>(end - p);
                std::memcpy(m_pending.data(), p, m_pendingSize);
                p = end;
                break;
            }
            if (length == 0 || c == kInvalid) {
                *out++ = static_cast<unsigned char>(m_substitute);
                ++invalid;
                p = length == 0 ? end : p + length;
                continue;
            }
            value = valueOf(c);
        }
        *out++ = static_cast<unsigned char>(value);
        lost += value >> 8 & 1;
        changed += value >> 9 & 1;
        p += length;
    }
    state.p = p;
    state.out = out;
    state.applied.changed += changed;
    state.applied.losses.lost += lost;
    state.applied.losses.invalid += invalid;
}

#ifdef TRELVICK_X86_KERNELS

// 32 bytes at a time while they hold nothing but ASCII and two-byte sequences whose lead byte is
// the window's: the lead's code point less the window's first is (lead & 1) << 6 | (next & 0x3F), a
// 128-entry lookup gives its byte, and the continuation bytes are packed away. Other pieces go
// through the plain loop.
__attribute__((target("avx2,popcnt"))) void Utf8Decoder::decodeAvx2(State& state, bool continued)
{
    __m256i window[8];
    loadShuffleRows(m_window, window);
    const NibbleSetAvx2 windowLost = loadNibbleSet(m_windowLost);
    const __m256i leadPair = _mm256_set1_epi8(static_cast<char>(m_windowLead));
    const __m256i notLowBit = _mm256_set1_epi8(static_cast<char>(0xFE));
    const __m256i one = _mm256_set1_epi8(1);
    const __m256i sixBits = _mm256_set1_epi8(0x3F);
    const __m256i belowC0 = _mm256_set1_epi8(-64); // signed: 0x80..0xBF are below it
    const __m256i substitute = _mm256_set1_epi8(static_cast<char>(m_substitute));
    // Locals, for the same reason as in decodePlain.
    const bool substituteOnlyForLost = m_substituteOnlyForLost;
    const unsigned char* p = state.p;
    const unsigned char* const end = state.end;
    unsigned char* out = state.out;
    std::int64_t changed = 0;
    std::int64_t lost = 0;
    while (end - p > 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const auto high = static_cast<unsigned>(_mm256_movemask_epi8(v));
        if (high == 0) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), v);
            out += 32;
            p += 32;
            continue;
        }
        const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
        const auto leads =
            static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_and_si256(v, notLowBit), leadPair)));
        const auto continuations = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpgt_epi8(belowC0, v)));
        const auto followed = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpgt_epi8(belowC0, next)));
        if ((leads | continuations) != high || (leads & ~followed) != 0 || continuations != leads << 1) {
            state.p = p;
            state.out = out;
            decodePlain(state, p + 32, continued);
            p = state.p;
            out = state.out;
            continue;
        }
        const __m256i index =
            _mm256_or_si256(_mm256_slli_epi16(_mm256_and_si256(v, one), 6), _mm256_and_si256(next, sixBits));
        const __m256i bytes = _mm256_blendv_epi8(v, lookup128(index, window), v);
        changed += _mm_popcnt_u32(leads);
        // The window's characters are never ASCII: '?' among them is a character lost.
        const unsigned missing = substituteOnlyForLost
                                     ? static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, substitute)))
                                     : inSet(index, windowLost);
        lost += _mm_popcnt_u32(leads & missing);
        const unsigned keep = ~continuations;
        out = storeKept(out, _mm256_castsi256_si128(bytes), keep & 0xFFFF);
        out = storeKept(out, _mm256_extracti128_si256(bytes, 1), keep >> 16);
        // A lead in the last place takes the next byte with it.
        p += 32 + (leads >> 31);
    }
    state.p = p;
    state.out = out;
    state.applied.changed += changed;
    state.applied.losses.lost += lost;
}

#endif

Utf8Decoder::Applied Utf8Decoder::apply(const unsigned char* in, std::size_t size, unsigned char* out, bool continued)
{
    State state{in, in + size, out, {}};
    if (m_pendingSize > 0) {
        // The sequence the last run cut off, with as many bytes of this one as it can take.
        std::array<unsigned char, 8> joined{};
        const std::size_t taken = std::min(size, 4 - m_pendingSize);
        std::memcpy(joined.data(), m_pending.data(), m_pendingSize);
        if (taken > 0)
            std::memcpy(joined.data() + m_pendingSize, in, taken);
        State head{joined.data(), joined.data() + m_pendingSize + taken, out, {}};
        const std::size_t pending = m_pendingSize;
        m_pendingSize = 0;
        decodePlain(head, joined.data() + 1, continued);
        state.out = head.out;
        state.applied = head.applied;
        // Still cut off, the whole of this run included; or ended within it.
        state.p = m_pendingSize > 0 ? state.end : in + (head.p - joined.data() - static_cast<std::ptrdiff_t>(pending));
    }
#ifdef TRELVICK_X86_KERNELS
    if (m_vector)
        decodeAvx2(state, continued);
#endif
    decodePlain(state, state.end, continued);
    state.applied.written = static_cast<std::size_t>(state.out - out);
    return state.applied;
}

} // namespace trelvick::convert
