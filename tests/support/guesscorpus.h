// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Samples for judging the codepage detector, shared by its test and its benchmark: real text from gettext
// catalogs that the detector did not learn from (it learnt from GTK and GLib only), in each language it
// knows, written out with iconv in each codepage that language was written in.

#include "lang/mocatalog.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trelvick::guesscorpus {

// The catalogs held out, of packages that install them in nearly every language (tools/setup-debian.sh).
inline const char* const kHeldOut[] = {"libc",
                                       "bash",
                                       "coreutils",
                                       "diffutils",
                                       "Linux-PAM",
                                       "at-spi2-core",
                                       "shared-mime-info",
                                       "gdk-pixbuf",
                                       "xdg-user-dirs",
                                       "gsettings-desktop-schemas"};

struct Language
{
    const char* name;                   // as guess::languageName gives it
    const char* code;                   // its catalogs' folder; English is the originals
    std::vector<const char*> codepages; // those it was written in, by iconv's names
};

inline const std::vector<Language>& languages()
{
    static const std::vector<Language> all = {
        {"English", "en", {"CP437", "CP850", "CP1252"}},
        {"Greek", "el", {"CP737", "CP869", "CP1253", "ISO-8859-7"}},
        {"German", "de", {"CP437", "CP850", "CP1252", "ISO-8859-1", "ISO-8859-15", "MACINTOSH"}},
        {"French", "fr", {"CP437", "CP850", "CP863", "CP1252", "ISO-8859-1", "ISO-8859-15", "MACINTOSH"}},
        {"Spanish", "es", {"CP437", "CP850", "CP1252", "ISO-8859-1", "ISO-8859-15", "MACINTOSH"}},
        {"Italian", "it", {"CP437", "CP850", "CP1252", "ISO-8859-1", "ISO-8859-15", "MACINTOSH"}},
        {"Portuguese", "pt", {"CP850", "CP860", "CP1252", "ISO-8859-1", "ISO-8859-15", "MACINTOSH"}},
        {"Dutch", "nl", {"CP437", "CP850", "CP1252", "ISO-8859-1", "ISO-8859-15", "MACINTOSH"}},
        {"Swedish", "sv", {"CP437", "CP850", "CP1252", "ISO-8859-1", "ISO-8859-15", "MACINTOSH"}},
        {"Danish", "da", {"CP850", "CP865", "CP1252", "ISO-8859-1", "ISO-8859-15"}},
        {"Norwegian", "nb", {"CP850", "CP865", "CP1252", "ISO-8859-1", "ISO-8859-15"}},
        {"Finnish", "fi", {"CP437", "CP850", "CP1252", "ISO-8859-1", "ISO-8859-15", "MACINTOSH"}},
        {"Polish", "pl", {"CP852", "CP1250", "ISO-8859-2", "MAC-CENTRALEUROPE"}},
        {"Czech", "cs", {"CP852", "CP1250", "ISO-8859-2", "MAC-CENTRALEUROPE"}},
        {"Slovak", "sk", {"CP852", "CP1250", "ISO-8859-2", "MAC-CENTRALEUROPE"}},
        {"Hungarian", "hu", {"CP852", "CP1250", "ISO-8859-2", "MAC-CENTRALEUROPE"}},
        {"Romanian", "ro", {"CP852", "CP1250", "ISO-8859-2", "ISO-8859-16"}},
        {"Croatian", "hr", {"CP852", "CP1250", "ISO-8859-2"}}, // Mac CE has no đ
        {"Slovenian", "sl", {"CP852", "CP1250", "ISO-8859-2", "MAC-CENTRALEUROPE"}},
        {"Serbian", "sr", {"CP855", "CP1251", "ISO-8859-5", "MAC-CYRILLIC"}},
        {"Russian", "ru", {"CP855", "CP866", "CP1251", "KOI8-R", "ISO-8859-5", "MAC-CYRILLIC"}},
        {"Ukrainian", "uk", {"CP1125", "CP1251", "KOI8-U", "MAC-CYRILLIC"}},
        {"Bulgarian", "bg", {"CP855", "CP866", "CP1251", "ISO-8859-5", "MAC-CYRILLIC"}},
        {"Turkish", "tr", {"CP857", "CP1254", "ISO-8859-9"}},
        {"Lithuanian", "lt", {"CP775", "CP1257", "ISO-8859-13", "ISO-8859-4"}},
        {"Latvian", "lv", {"CP775", "CP1257", "ISO-8859-13", "ISO-8859-4"}},
        {"Estonian", "et", {"CP775", "CP1257", "ISO-8859-13", "ISO-8859-15"}},
        {"Hebrew", "he", {"CP862", "CP1255", "ISO-8859-8"}},
        {"Arabic", "ar", {"CP1256", "ISO-8859-6"}},
    };
    return all;
}

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
        ok = (errno == EILSEQ || errno == EINVAL) && substitute;
        // Skip the UTF-8 character that has no place in the target.
        output.push_back('?');
        std::size_t length = 1;
        while (length < inLeft && (static_cast<unsigned char>(in[length]) & 0xC0) == 0x80)
            ++length;
        in += length;
        inLeft -= length;
    }
    char buffer[64];
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &out, &outLeft); // what a stateful decoder still holds
    output.append(buffer, out);
    iconv_close(cd);
    return ok ? std::optional(output) : std::nullopt;
}

inline bool isAscii(std::string_view bytes)
{
    return std::none_of(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; });
}

// Romanian comma-below letters as the cedilla ones that the old codepages had instead.
inline std::string withCedillas(std::string text)
{
    const std::pair<std::string_view, std::string_view> kLetters[] = {{"ș", "ş"}, {"Ș", "Ş"}, {"ț", "ţ"}, {"Ț", "Ţ"}};
    for (const auto& [comma, cedilla] : kLetters) {
        for (std::size_t at = text.find(comma); at != std::string::npos; at = text.find(comma, at))
            text.replace(at, comma.size(), cedilla);
    }
    return text;
}

// The held-out catalogs' messages in one language, as UTF-8, one a line, the catalogs taking turns so
// that every sample count takes from all of them. code "en": the originals.
inline std::string catalogText(const std::string& localeDir, const std::string& code)
{
    const bool english = code == "en";
    std::vector<std::vector<lang::MoCatalog::Message>> catalogs;
    for (const char* catalog : kHeldOut)
        catalogs.push_back(
            lang::MoCatalog::read(localeDir + "/" + (english ? "de" : code) + "/LC_MESSAGES/" + catalog + ".mo")
                .messages());
    std::string text;
    for (std::size_t i = 0;; ++i) {
        bool any = false;
        for (const auto& messages : catalogs) {
            if (i >= messages.size())
                continue;
            any = true;
            const std::string& line = english ? messages[i].original : messages[i].translation;
            text += line + "\n";
        }
        if (!any)
            break;
    }
    return withCedillas(text);
}

// Up to count pieces of size bytes of the text in encoding ("UTF-8" too), one after another. UTF-8
// pieces start and end on whole characters, as a file does.
inline std::vector<std::string> samples(const std::string& text, const std::string& encoding, std::size_t size,
                                        std::size_t count)
{
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
