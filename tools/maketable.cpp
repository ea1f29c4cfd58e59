// SPDX-License-Identifier: GPL-3.0-or-later
// trelvick-maketable: derives Trelvick's byte tables from the system's iconv data.
//
//   trelvick-maketable FROM TO   prints the lines of a code section, "source=target", for every byte
//                                of code page FROM that becomes another byte in code page TO
//   trelvick-maketable FROM UTF-8  the same for UTF-8 output: "Κωδικοποίηση=UTF-8", then
//                                "source=code point" for every byte that does not stay itself
//   trelvick-maketable --ini     prints the default tq.ini (windows-1253, CR LF line ends)
//
// The tables are those of src/charset, which trelvick-convert -f/-t shares (charset/tables.h says how
// each byte is mapped): a byte undefined in FROM passes unchanged, a character TO lacks becomes iconv's
// one-byte "//TRANSLIT" of it, else "?". Transliteration depends on the locale, so the tool always runs in glibc's "C.UTF-8" locale, whatever
// the user's settings: its rules reduce accented letters to their base letter (ΐ gives ι, é gives e),
// where the plain "C" locale spells Greek letters in Latin ones.

#include "charset/charset.h"
#include "charset/tables.h"
#include "convert/utf8decoder.h"

#include <array>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace trelvick;

namespace {

std::string sectionLines(const convert::ConversionTable& table, std::string_view lineEnd)
{
    std::string text;
    for (const auto& [source, target] : table.pairs())
        text += std::to_string(source) + "=" + std::to_string(target) + std::string(lineEnd);
    return text;
}

// The converters of the default tq.ini, in the order of their keys Μ1, Μ2, ...
struct ShippedConverter
{
    const char* from;
    const char* to;
    const char* description; // at most 49 characters: the program shows no more
};

constexpr std::array<ShippedConverter, 16> kShipped{{
    {"CP737", "CP1253", "737 (DOS Greek) -> 1253 (Windows Greek)"},
    {"CP1253", "CP737", "1253 (Windows Greek) -> 737 (DOS Greek)"},
    {"ISO-8859-7", "CP1253", "ISO-8859-7 (ISO Greek) -> 1253 (Windows Greek)"},
    {"CP1253", "ISO-8859-7", "1253 (Windows Greek) -> ISO-8859-7 (ISO Greek)"},
    {"CP869", "CP1253", "869 (DOS Greek 2) -> 1253 (Windows Greek)"},
    {"CP1253", "CP869", "1253 (Windows Greek) -> 869 (DOS Greek 2)"},
    {"CP737", "ISO-8859-7", "737 (DOS Greek) -> ISO-8859-7 (ISO Greek)"},
    {"ISO-8859-7", "CP737", "ISO-8859-7 (ISO Greek) -> 737 (DOS Greek)"},
    {"CP437", "CP1252", "437 (DOS Latin US) -> 1252 (Windows Latin)"},
    {"CP1252", "CP437", "1252 (Windows Latin) -> 437 (DOS Latin US)"},
    {"CP737", "UTF-8", "737 (DOS Greek) -> UTF-8"},
    {"CP869", "UTF-8", "869 (DOS Greek 2) -> UTF-8"},
    {"ISO-8859-7", "UTF-8", "ISO-8859-7 (ISO Greek) -> UTF-8"},
    {"CP1253", "UTF-8", "1253 (Windows Greek) -> UTF-8"},
    {"CP437", "UTF-8", "437 (DOS Latin US) -> UTF-8"},
    {"CP1252", "UTF-8", "1252 (Windows Latin) -> UTF-8"},
}};

bool writeAll(const std::string& bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
}

void complain(const std::string& message)
{
    std::fprintf(stderr, "trelvick-maketable: %s\n", message.c_str());
}

int printUsage(std::FILE* stream)
{
    std::fputs("Usage: trelvick-maketable FROM TO\n"
               "       trelvick-maketable --ini\n"
               "       trelvick-maketable --help\n"
               "\n"
               "FROM TO   print the code-section lines (source=target) that convert the single-byte\n"
               "          code page FROM into TO, for the bytes that change; names as 'iconv -l' lists\n"
               "          them, for example: trelvick-maketable CP737 CP1253\n"
               "          TO may be UTF-8: the section then starts with Κωδικοποίηση=UTF-8 and its\n"
               "          values are code points: trelvick-maketable CP737 UTF-8\n"
               "--ini     print the default tq.ini with all shipped converters, in windows-1253 with\n"
               "          CR LF line ends: trelvick-maketable --ini > tq.ini\n"
               "--help    print this text\n",
               stream);
    return stream == stderr ? 2 : 0;
}

// The code page of that name; nothing, after saying why, when iconv does not know the name or it is
// no single-byte code page (UTF-8 is, where utf8 allows it).
std::optional<charset::Charset> codePage(const std::string& name, bool utf8)
{
    base::Expected<charset::Charset> found = charset::Charset::find(name);
    if (found && (utf8 || !found->isUtf8()))
        return std::move(*found);
    if (!found && found.error().is(base::Fault::UnknownCharset))
        complain("iconv does not know the code page '" + name + "' ('iconv -l' lists the names it knows)");
    else
        complain("'" + name + "' is not a single-byte code page");
    return std::nullopt;
}

// The lines of the code section that converts FROM into TO, in UTF-8, each ended by lineEnd; nothing,
// after saying why, when iconv does not know a name or it is no single-byte code page.
std::optional<std::string> codeSection(const std::string& fromName, const std::string& toName, std::string_view lineEnd)
{
    const std::optional<charset::Charset> from = codePage(fromName, false);
    if (!from)
        return std::nullopt;
    const std::optional<charset::Charset> to = codePage(toName, true);
    if (!to)
        return std::nullopt;
    if (to->isUtf8())
        return "Κωδικοποίηση=UTF-8" + std::string(lineEnd) + sectionLines(charset::utf8Table(*from), lineEnd);
    return sectionLines(charset::byteTable(*from, *to, charset::TableUse::Section), lineEnd);
}

// text, UTF-8, in windows-1253; nothing when it holds a character that code page lacks.
std::optional<std::string> windows1253(const std::string& text)
{
    const base::Expected<charset::Charset> greek = charset::Charset::find("CP1253");
    if (!greek)
        return std::nullopt;
    convert::Utf8Decoder decoder(greek->codePage());
    std::string bytes(text.size() + 1 + convert::Utf8Decoder::kSlack, '\0');
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const convert::Utf8Decoder::Applied applied =
        decoder.apply(in, text.size(), reinterpret_cast<unsigned char*>(bytes.data()), false);
    if (applied.losses.lost > 0 || applied.losses.invalid > 0)
        return std::nullopt;
    bytes.resize(applied.written);
    return bytes;
}

int printTable(const std::string& fromName, const std::string& toName)
{
    const auto lines = codeSection(fromName, toName, "\n");
    if (!lines)
        return 2;
    if (!writeAll(*lines)) {
        complain(std::string("cannot write: ") + std::strerror(errno));
        return 1;
    }
    return 0;
}

int printIni()
{
    constexpr std::string_view crlf = "\r\n";
    std::string text;
    const auto line = [&text, crlf](const std::string& s) { text += s + std::string(crlf); };

    line("; Trelvick converters, generated by trelvick-maketable from the system's iconv tables:");
    line(";     trelvick-maketable --ini > tq.ini");
    line("; The file is windows-1253 text. A code section [Μn] holds source=target for each byte");
    line("; that changes; every other byte passes unchanged. A section with the line");
    line("; Κωδικοποίηση=UTF-8 writes UTF-8: its values are code points, and a byte without entry");
    line("; stays itself below 128 and becomes U+FFFD above. \"trelvick-maketable FROM TO\" prints");
    line("; the lines of a new code section; TO may be UTF-8.");
    line("");
    line("[Trelvick]");
    line("ΓρήγορηΠροβολή=/usr/bin/xdg-open");
    line("Επεξεργασία=/usr/bin/gedit");
    line("ΠλήθοςΜετατροπέων=" + std::to_string(kShipped.size()));
    line("");
    line("[ΠεριγραφήΜετατροπέων]");
    for (std::size_t k = 0; k < kShipped.size(); ++k)
        line("Μ" + std::to_string(k + 1) + "=" + kShipped[k].description);

    for (std::size_t k = 0; k < kShipped.size(); ++k) {
        const auto lines = codeSection(kShipped[k].from, kShipped[k].to, crlf);
        if (!lines)
            return 1;
        line("");
        line(std::string("; ") + kShipped[k].from + " -> " + kShipped[k].to);
        line("[Μ" + std::to_string(k + 1) + "]");
        text += *lines;
    }

    const auto bytes = windows1253(text);
    if (!bytes) {
        complain("cannot write the file in windows-1253");
        return 1;
    }
    if (!writeAll(*bytes)) {
        complain(std::string("cannot write: ") + std::strerror(errno));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (!std::setlocale(LC_ALL, "C.UTF-8")) {
        complain("the C.UTF-8 locale is missing; the transliterations depend on it");
        return 1;
    }

    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h"))
        return printUsage(stdout);
    if (args.size() == 1 && args[0] == "--ini")
        return printIni();
    if (args.size() == 2 && args[0].rfind("-", 0) != 0 && args[1].rfind("-", 0) != 0)
        return printTable(args[0], args[1]);
    return printUsage(stderr);
}
