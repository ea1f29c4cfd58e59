// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Samples for judging the codepage detector, shared by its test and its benchmark: real text from gettext
// catalogs that the detector did not learn from, written out in each candidate encoding with iconv.

#include "mocatalog.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trelvick::guesscorpus {

inline const char* const kEncodings[] = {"CP737", "CP869", "ISO-8859-7", "CP1253", "CP437", "CP1252", "UTF-8", "ASCII"};

// The whole input through iconv; a character the target lacks becomes '?' when substitute is set,
// otherwise the conversion fails.
inline std::optional<std::string> recode(const std::string& to, const std::string& from, std::string_view input,
                                         bool substitute)
{
    const iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string output;
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    bool ok = true;
    while (ok && inLeft > 0) {
        char buffer[4096];
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const bool stopped = iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1);
        output.append(buffer, out);
        if (!stopped || errno == E2BIG)
            continue;
        ok = errno == EILSEQ && substitute;
        // Skip the UTF-8 character that has no place in the target.
        output.push_back('?');
        std::size_t length = 1;
        while (length < inLeft && (static_cast<unsigned char>(in[length]) & 0xC0) == 0x80)
            ++length;
        in += length;
        inLeft -= length;
    }
    iconv_close(cd);
    return ok ? std::optional(output) : std::nullopt;
}

inline bool isAscii(std::string_view bytes)
{
    return std::none_of(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; });
}

// The catalogs' messages in UTF-8, one a line: the translations into language, or for "" the English
// originals that are plain ASCII. The C library's and the shell's (packages libc-l10n and bash): the
// detector learnt from others.
inline std::string catalogText(const std::string& localeDir, const std::string& language)
{
    std::string text;
    for (const char* catalog : {"libc.mo", "bash.mo"}) {
        const std::string path = localeDir + "/" + (language.empty() ? "el" : language) + "/LC_MESSAGES/" + catalog;
        for (const auto& message : mocatalog::readCatalog(path)) {
            const std::string& line = language.empty() ? message.original : message.translation;
            if (!language.empty() || isAscii(line))
                text += line + "\n";
        }
    }
    return text;
}

// Up to 200 pieces of size bytes of the text in encoding, one after another: Greek, French and German
// for 437 and 1252, English for ASCII. UTF-8 pieces start and end on whole characters, as a file does.
inline std::vector<std::string> samples(const std::string& localeDir, const std::string& encoding, std::size_t size,
                                        std::size_t count)
{
    const bool latin = encoding == "CP437" || encoding == "CP1252";
    const std::string text = encoding == "ASCII" ? catalogText(localeDir, "")
                             : latin             ? catalogText(localeDir, "fr") + catalogText(localeDir, "de")
                                                 : catalogText(localeDir, "el");
    const std::string bytes = recode(encoding, "UTF-8", text, true).value_or("");
    const auto continuation = [&](std::size_t at) {
        return encoding == "UTF-8" && at < bytes.size() && (static_cast<unsigned char>(bytes[at]) & 0xC0) == 0x80;
    };
    std::vector<std::string> pieces;
    for (std::size_t start = 0; pieces.size() < count && start + size <= bytes.size(); start += size) {
        std::size_t from = start;
        std::size_t to = start + size;
        while (continuation(from))
            ++from;
        while (to > from && continuation(to))
            --to;
        pieces.push_back(bytes.substr(from, to - from));
    }
    return pieces;
}

// "ASCII" is right for seven-bit bytes alone, and only it; otherwise the answer must read the same
// characters as the true encoding: where 1253 and 8859-7 (or 437 and 737) read a sample alike, both are.
inline bool readsAlike(const std::string& sample, const std::string& encoding, const std::string& answer)
{
    if (isAscii(sample) || answer == "ASCII")
        return isAscii(sample) && answer == "ASCII";
    const auto truth = recode("UTF-8", encoding, sample, false);
    return truth && truth == recode("UTF-8", answer, sample, false);
}

} // namespace trelvick::guesscorpus
