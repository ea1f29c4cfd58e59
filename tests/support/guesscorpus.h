// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Samples for judging the codepage detector: real text from gettext catalogs that the detector did not
// learn from, written out in each candidate encoding with iconv and cut into pieces of a given size.

#include "mocatalog.h"

#include <cerrno>
#include <iconv.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trelvick::guesscorpus {

// Greek text from the C library's and the shell's translations (packages libc-l10n and bash); the
// Latin-script samples come from their French and German translations, the ASCII ones from the
// English originals.
inline const char* const kCatalogs[] = {"libc.mo", "bash.mo"};

inline const char* const kEncodings[] = {"CP737", "CP869", "ISO-8859-7", "CP1253", "CP437", "CP1252", "UTF-8", "ASCII"};

struct Sample
{
    std::string bytes;
};

// One iconv descriptor, closed when it goes out of scope.
class Iconv
{
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // The whole input converted; a character the target lacks becomes '?' when substitute is set,
    // otherwise the conversion fails.
    std::optional<std::string> convert(std::string_view input, bool substitute) const
    {
        if (!valid())
            return std::nullopt;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        std::string output;
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        char buffer[4096];
        while (inLeft > 0) {
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t done = iconv(m_cd, &in, &inLeft, &out, &outLeft);
            output.append(buffer, out);
            if (done != static_cast<std::size_t>(-1) || errno == E2BIG)
                continue;
            if (errno != EILSEQ || !substitute)
                return std::nullopt;
            // Skip the UTF-8 character that has no place in the target.
            output.push_back('?');
            std::size_t length = 1;
            while (length < inLeft && (static_cast<unsigned char>(in[length]) & 0xC0) == 0x80)
                ++length;
            in += length;
            inLeft -= length;
        }
        return output;
    }

private:
    iconv_t m_cd;
};

inline bool isAscii(std::string_view bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// The UTF-8 text of the catalogs' messages, one a line: the translations into language, or the
// English originals when language is empty. Empty when the catalogs are missing.
inline std::string catalogText(const std::string& localeDir, const std::string& language)
{
    std::string text;
    for (const char* catalog : kCatalogs) {
        const std::string path = localeDir + "/" + (language.empty() ? "el" : language) + "/LC_MESSAGES/" + catalog;
        for (const auto& message : mocatalog::readCatalog(path)) {
            const std::string& line = language.empty() ? message.original : message.translation;
            if (!language.empty() || isAscii(line))
                text += line + "\n";
        }
    }
    return text;
}

// Up to count samples of size bytes of the text in encoding, taken one after another. UTF-8 samples
// start and end on whole characters, as a file does.
inline std::vector<Sample> samples(const std::string& localeDir, const std::string& encoding, std::size_t size,
                                   std::size_t count)
{
    std::string text;
    if (encoding == "ASCII") {
        text = catalogText(localeDir, {});
    } else if (encoding == "CP437" || encoding == "CP1252") {
        text = catalogText(localeDir, "fr") + catalogText(localeDir, "de");
    } else {
        text = catalogText(localeDir, "el");
    }
    const std::optional<std::string> bytes = Iconv(encoding.c_str(), "UTF-8").convert(text, true);
    std::vector<Sample> out;
    if (!bytes)
        return out;
    auto continuation = [&](std::size_t at) {
        return encoding == "UTF-8" && at < bytes->size() && (static_cast<unsigned char>((*bytes)[at]) & 0xC0) == 0x80;
    };
    for (std::size_t start = 0; out.size() < count && start + size <= bytes->size(); start += size) {
        std::size_t from = start;
        std::size_t to = start + size;
        while (continuation(from))
            ++from;
        while (to > from && continuation(to))
            --to;
        out.push_back({bytes->substr(from, to - from)});
    }
    return out;
}

// Whether answer reads the sample as it was written: "ASCII" only for seven-bit bytes, which must be
// called so; otherwise the answer's decoding must give the same characters as the true encoding's.
// Where 1253 and 8859-7 (or 437 and 737) read a sample alike, either answer is right.
inline bool readsAlike(const Sample& sample, const std::string& encoding, const std::string& answer)
{
    if (isAscii(sample.bytes))
        return answer == "ASCII";
    if (answer == "ASCII")
        return false;
    const auto truth = Iconv("UTF-8", encoding.c_str()).convert(sample.bytes, false);
    const auto read = Iconv("UTF-8", answer.c_str()).convert(sample.bytes, false);
    return truth && read && *truth == *read;
}

} // namespace trelvick::guesscorpus
