// SPDX-License-Identifier: GPL-3.0-or-later
#include "charset/charset.h"

#include "charset/iconvhandle.h"

#include <QChar>
#include <QString>

#include <algorithm>
#include <array>
#include <cerrno>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>

namespace trelvick::charset {

namespace {

constexpr const char* kUtf32 = "UTF-32LE";

base::Error failure(base::Fault fault, std::string_view name)
{
    return {make_error_code(fault), base::Side::None, QString::fromUtf8(name.data(), qsizetype(name.size())), {}};
}

std::string upper(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return result;
}

// The name itself, then, for a codepage number in one of its usual spellings (737, CP737, IBM737,
// WINDOWS-1253, MS-1253), the other spellings: iconv knows 850 as IBM850, CP850 and 850, but 737
// only as CP737.
std::vector<std::string> spellings(std::string_view name)
{
    std::vector<std::string> result{std::string(name)};
    const std::string spelt = upper(name);
    std::string_view digits = spelt;
    for (const std::string_view prefix : {"WINDOWS-", "MS-", "CP", "IBM"}) {
        if (digits.substr(0, prefix.size()) == prefix) {
            digits.remove_prefix(prefix.size());
            break;
        }
    }
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return result;
    for (const std::string_view prefix : {"CP", "IBM", "WINDOWS-", ""})
        result.push_back(std::string(prefix) + std::string(digits));
    return result;
}

bool decodesAsUtf8(const IconvHandle& decoder)
{
    // Α, €, 😀 and a lone continuation byte: a codepage that reads all four as UTF-8 does is UTF-8.
    const auto sample = decoder.convert("\xCE\x91\xE2\x82\xAC\xF0\x9F\x98\x80");
    return sample == utf32(0x391) + utf32(0x20AC) + utf32(0x1F600) && !decoder.convert("\x80");
}

// The character of every byte, each asked for alone; nothing when some byte is no whole character
// (the start of a longer one, a shift into another state) or stands for several.
std::optional<std::array<int, 256>> charactersOf(const IconvHandle& decoder)
{
    std::array<int, 256> characters;
    for (int b = 0; b < 256; ++b) {
        int error = 0;
        const auto decoded = decoder.convert(std::string(1, static_cast<char>(b)), &error);
        if (!decoded && error == EILSEQ) {
            characters[b] = -1; // a byte that the codepage leaves undefined
            continue;
        }
        if (!decoded || decoded->size() != 4)
            return std::nullopt;
        characters[b] = static_cast<int>(fromUtf32(*decoded));
    }
    return characters;
}

// Whether iconv reads every byte followed by a combining mark as two characters. CP1255, CP1258 and
// TCVN5712-1 turn a letter and its accent into one, so that no byte table can give iconv's output.
bool keepsMarksApart(const IconvHandle& decoder, const std::array<int, 256>& characters)
{
    for (int mark = 0; mark < 256; ++mark) {
        if (characters[mark] < 0 || !QChar::isMark(char32_t(characters[mark])))
            continue;
        std::string pairs;
        std::string expected;
        for (int b = 0; b < 256; ++b) {
            if (characters[b] < 0)
                continue;
            pairs += {static_cast<char>(b), static_cast<char>(mark)};
            expected += utf32(char32_t(characters[b])) + utf32(char32_t(characters[mark]));
        }
        if (decoder.convert(pairs) != expected)
            return false;
    }
    return true;
}

} // namespace

base::Expected<Charset> Charset::find(std::string_view name)
{
    if (name.find("//") != std::string_view::npos)
        return failure(base::Fault::CharsetSuffix, name);
    // iconv takes an empty name for the locale's codepage, and a NUL would cut the name short.
    if (name.empty() || name.find('\0') != std::string_view::npos)
        return failure(base::Fault::UnknownCharset, name);
    for (const std::string& spelling : spellings(name)) {
        const IconvHandle decoder(kUtf32, spelling);
        const IconvHandle encoder(spelling, kUtf32);
        if (!decoder.valid() || !encoder.valid())
            continue;
        Charset charset;
        charset.m_name = std::string(name);
        charset.m_iconvName = spelling;
        if (decodesAsUtf8(decoder)) {
            charset.m_utf8 = true;
            return charset;
        }
        const std::optional<std::array<int, 256>> characters = charactersOf(decoder);
        if (!characters || !keepsMarksApart(decoder, *characters))
            return failure(base::Fault::NotSingleByte, name);
        // The engine keeps byte 13 as a line end and never looks it up: braille's ISO_11548-1 would
        // lose a character there.
        if ((*characters)['\r'] != '\r')
            return failure(base::Fault::NoCarriageReturn, name);
        charset.m_codePage = convert::CodePage::fromCharacters(*characters);
        // A character of several bytes is written as the one iconv picks.
        for (int b = 0; b < 256; ++b) {
            const int c = (*characters)[b];
            if (c < 0)
                continue;
            const auto encoded = encoder.convert(utf32(char32_t(c)));
            if (encoded && encoded->size() == 1)
                charset.m_codePage.prefer(char32_t(c), static_cast<std::uint8_t>((*encoded)[0]));
        }
        return charset;
    }
    return failure(base::Fault::UnknownCharset, name);
}

namespace {

// The folders where the C library looks for its gconv configuration: those of GCONV_PATH, then its own.
std::vector<std::string> gconvFolders()
{
    std::vector<std::string> folders;
    if (const char* path = std::getenv("GCONV_PATH")) {
        std::stringstream list(path);
        for (std::string folder; std::getline(list, folder, ':');)
            if (!folder.empty())
                folders.push_back(folder);
    }
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&iconv_open), &info) != 0 && info.dli_fname) {
        const std::string library = info.dli_fname;
        folders.push_back(library.substr(0, library.rfind('/') + 1) + "gconv");
    }
    return folders;
}

// The names in one gconv-modules file: "alias NAME// TARGET//" and "module FROM// TO// FILE COST".
void addNames(const std::string& file, std::set<std::string>& names)
{
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string kind, first, second;
        if (!(words >> kind >> first >> second) || (kind != "alias" && kind != "module"))
            continue;
        for (std::string name : {first, second}) {
            if (name.size() > 2 && name.compare(name.size() - 2, 2, "//") == 0)
                name.resize(name.size() - 2);
            if (name != "INTERNAL")
                names.insert(name);
        }
    }
}

} // namespace

std::vector<std::string> codepageNames()
{
    // The codepages built into the C library, which no file names: ASCII and UTF-8 (the rest are
    // UCS-2, UTF-16 and the like, of more than one byte).
    std::set<std::string> candidates{
        "ANSI_X3.4-1968",   "ANSI_X3.4-1986",   "ASCII",       "CP367",      "CSASCII", "IBM367", "ISO-IR-6",
        "ISO646-US",        "ISO_646.IRV:1991", "US",          "US-ASCII",   "UTF-8",   "UTF8",   "ISO-10646/UTF8/",
        "ISO-10646/UTF-8/", "ISO-IR-193",       "OSF00010020", "OSF05010001"};
    for (const std::string& folder : gconvFolders()) {
        addNames(folder + "/gconv-modules", candidates);
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder + "/gconv-modules.d", error))
            if (entry.path().extension() == ".conf")
                addNames(entry.path().string(), candidates);
    }
    std::vector<std::string> names;
    for (const std::string& name : candidates)
        if (Charset::find(name))
            names.push_back(name);
    return names;
}

} // namespace trelvick::charset
