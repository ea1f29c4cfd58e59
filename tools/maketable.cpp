// SPDX-License-Identifier: GPL-3.0-or-later
// trelvick-maketable: derives Trelvick's byte tables from the system's iconv data.
//
//   trelvick-maketable FROM TO   prints the lines of a code section, "source=target", for every byte
//                                of code page FROM that becomes another byte in code page TO
//   trelvick-maketable FROM UTF-8  the same for UTF-8 output: "Κωδικοποίηση=UTF-8", then
//                                "source=code point" for every byte that does not stay itself
//   trelvick-maketable --ini     prints the default tq.ini (windows-1253, CR LF line ends)
//
// How a byte b of FROM is mapped:
//   - b is undefined in FROM: no entry, the byte passes unchanged;
//   - its character exists in TO: that byte of TO (no entry when it is b itself);
//   - otherwise the transliteration of iconv's "//TRANSLIT" when it is exactly one byte, else "?" (63).
// For UTF-8 output every byte of 128 and above gets its code point (an undefined one is left without
// entry and comes out as U+FFFD), and a byte below 128 an entry only when its character is not itself.
// Transliteration depends on the locale, so the tool always runs in glibc's "C.UTF-8" locale, whatever
// the user's settings: its rules reduce accented letters to their base letter (ΐ gives ι, é gives e),
// where the plain "C" locale spells Greek letters in Latin ones.

#include <array>
#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iconv.h>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr unsigned char kSubstitute = '?';
constexpr int kReplacementCharacter = 0xFFFD;

// One iconv descriptor, closed when it goes out of scope.
class IconvHandle
{
public:
    IconvHandle(const std::string& to, const std::string& from) : m_cd(iconv_open(to.c_str(), from.c_str())) {}
    ~IconvHandle()
    {
        if (valid())
            iconv_close(m_cd);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole input in one go. Nothing when iconv refuses any part of it; then error, when
    // given, receives iconv's reason (EILSEQ: no such character, EINVAL: an incomplete sequence).
    std::optional<std::string> convert(std::string_view input, int* error = nullptr) const
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        errno = 0;
        std::string output(64 + input.size() * 8, '\0');
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        char* out = output.data();
        std::size_t outLeft = output.size();
        if (iconv(m_cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0 ||
            iconv(m_cd, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1)) {
            if (error)
                *error = errno;
            return std::nullopt;
        }
        output.resize(output.size() - outLeft);
        return output;
    }

private:
    iconv_t m_cd;
};

std::string utf32(char32_t c)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((c >> (8 * i)) & 0xFF);
    return bytes;
}

char32_t fromUtf32(std::string_view bytes)
{
    char32_t c = 0;
    for (int i = 3; i >= 0; --i)
        c = (c << 8) | static_cast<unsigned char>(bytes[i]);
    return c;
}

// A code page of 256 single bytes as iconv knows it: what each byte means, and how to write a character.
class CodePage
{
public:
    explicit CodePage(std::string name)
        : m_name(std::move(name)), m_decoder("UTF-32LE", m_name), m_encoder(m_name, "UTF-32LE"),
          m_transliterator(m_name + "//TRANSLIT", "UTF-32LE")
    {
    }

    // Empty when iconv does not know the name; otherwise a reason when it is no single-byte code page.
    std::optional<std::string> problem()
    {
        if (!m_decoder.valid() || !m_encoder.valid() || !m_transliterator.valid())
            return "iconv does not know the code page '" + m_name + "' ('iconv -l' lists the names it knows)";
        for (int b = 0; b < 256; ++b) {
            const std::string byte(1, static_cast<char>(b));
            int error = 0;
            const auto decoded = m_decoder.convert(byte, &error);
            if (!decoded && error == EILSEQ)
                continue; // a byte that the code page leaves undefined
            if (!decoded || decoded->size() != 4)
                return "'" + m_name + "' is not a single-byte code page";
            m_characters[b] = fromUtf32(*decoded);
        }
        return std::nullopt;
    }

    // The character of byte b, nothing when the code page leaves b undefined. Valid after problem().
    std::optional<char32_t> character(int b) const { return m_characters[b]; }

    std::optional<unsigned char> encodeExact(char32_t c) const { return single(m_encoder.convert(utf32(c))); }
    std::optional<unsigned char> encodeTransliterated(char32_t c) const
    {
        return single(m_transliterator.convert(utf32(c)));
    }

private:
    static std::optional<unsigned char> single(const std::optional<std::string>& bytes)
    {
        if (!bytes || bytes->size() != 1)
            return std::nullopt;
        return static_cast<unsigned char>((*bytes)[0]);
    }

    std::string m_name;
    IconvHandle m_decoder;
    IconvHandle m_encoder;
    IconvHandle m_transliterator;
    std::array<std::optional<char32_t>, 256> m_characters{};
};

struct Entry
{
    int source;
    int target;
};

std::vector<Entry> deriveTable(const CodePage& from, const CodePage& to)
{
    std::vector<Entry> entries;
    for (int b = 0; b < 256; ++b) {
        const auto c = from.character(b);
        if (!c)
            continue;
        auto target = to.encodeExact(*c);
        if (!target)
            target = to.encodeTransliterated(*c);
        const int t = target ? *target : kSubstitute;
        if (t != b)
            entries.push_back({b, t});
    }
    return entries;
}

std::vector<Entry> deriveUtf8Table(const CodePage& from)
{
    std::vector<Entry> entries;
    for (int b = 0; b < 256; ++b) {
        const auto c = from.character(b);
        if (c && (b >= 0x80 || static_cast<int>(*c) != b))
            entries.push_back({b, static_cast<int>(*c)});
        else if (!c && b < 0x80)
            entries.push_back({b, kReplacementCharacter}); // it would otherwise pass as itself
    }
    return entries;
}

bool namesUtf8(std::string name)
{
    for (char& c : name)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return name == "UTF-8" || name == "UTF8";
}

std::string sectionLines(const std::vector<Entry>& entries, std::string_view lineEnd)
{
    std::string text;
    for (const Entry& e : entries)
        text += std::to_string(e.source) + "=" + std::to_string(e.target) + std::string(lineEnd);
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

// The lines of the code section that converts FROM into TO, in UTF-8, each ended by lineEnd; nothing,
// after saying why, when iconv does not know a name or it is no single-byte code page.
std::optional<std::string> codeSection(const std::string& fromName, const std::string& toName, std::string_view lineEnd)
{
    CodePage from(fromName);
    if (const auto problem = from.problem()) {
        complain(*problem);
        return std::nullopt;
    }
    if (namesUtf8(toName))
        return "Κωδικοποίηση=UTF-8" + std::string(lineEnd) + sectionLines(deriveUtf8Table(from), lineEnd);
    CodePage to(toName);
    if (const auto problem = to.problem()) {
        complain(*problem);
        return std::nullopt;
    }
    return sectionLines(deriveTable(from, to), lineEnd);
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

    const IconvHandle toGreek("CP1253", "UTF-8");
    const auto bytes = toGreek.valid() ? toGreek.convert(text) : std::nullopt;
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
