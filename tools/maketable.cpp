// SPDX-License-Identifier: GPL-3.0-or-later
// trelvick-maketable: derives Trelvick's byte tables from the system's iconv data.
//
//   trelvick-maketable FROM TO   prints the lines of a code section, "source=target", for every byte
//                                of code page FROM that becomes another byte in code page TO
//   trelvick-maketable FROM UTF-8  the same for UTF-8 output: "Κωδικοποίηση=UTF-8", then
//                                "source=code point" for every byte that does not stay itself
//   trelvick-maketable --ini     prints the default tq.ini (windows-1253, CR LF line ends)
//   trelvick-maketable --add FROM TO [--config FILE]
//                                adds that converter to FILE, by default the personal tq.ini, which is
//                                made from the system's one first when the user has none
//
// The tables are those of src/charset, which trelvick-convert -f/-t shares (charset/tables.h says how
// each byte is mapped): a byte undefined in FROM passes unchanged, a character TO lacks becomes iconv's
// one-byte "//TRANSLIT" of it, else "?". Transliteration depends on the locale, so the tool always takes glibc's
// "C.UTF-8" character rules (LC_CTYPE), whatever the user's settings: they reduce accented letters to their base
// letter (ΐ gives ι, é gives e), where the plain "C" locale spells Greek letters in Latin ones. Its messages follow
// the user's language (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) through the catalogues of po/.

#include "base/version.h"
#include "charset/charset.h"
#include "charset/tables.h"
#include "config/configuration.h"
#include "config/converterappend.h"
#include "convert/utf8decoder.h"
#include "files/fileops.h"
#include "files/paths.h"
#include "lang/catalog.h"
#include "lang/errortext.h"
#include "lang/escape.h"

#include <QDir>
#include <QStringList>
#include <array>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <getopt.h>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
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

// The one way a message reaches standard error, behind the program's name.
void complain(const QString& message)
{
    std::fprintf(stderr, "trelvick-maketable: %s\n", message.toUtf8().constData());
}

// The system's reason in the language of the messages.
QString reason(int errnum)
{
    return lang::systemErrorText(errnum, lang::messageLanguage());
}

int printUsage(std::FILE* stream)
{
    std::fputs(lang::tr("Usage: trelvick-maketable FROM TO\n"
                        "       trelvick-maketable --add FROM TO [--config FILE]\n"
                        "       trelvick-maketable --ini\n"
                        "       trelvick-maketable --help | --version\n"
                        "\n"
                        "FROM TO   print the code-section lines (source=target) that convert the single-byte\n"
                        "          code page FROM into TO, for the bytes that change; names as 'iconv -l' lists\n"
                        "          them, for example: trelvick-maketable CP737 CP1253\n"
                        "          TO may be UTF-8: the section then starts with Κωδικοποίηση=UTF-8 and its\n"
                        "          values are code points: trelvick-maketable CP737 UTF-8\n"
                        "--add     add the converter FROM -> TO to tq.ini as the key after its count, with the\n"
                        "          description \"FROM -> TO\": trelvick-maketable --add CP850 UTF-8\n"
                        "          The file is your ~/.config/trelvick/tq.ini, made from the system's tq.ini\n"
                        "          first when you have none; it is replaced only once the new one is complete\n"
                        "--config FILE  with --add: change FILE instead\n"
                        "--ini     print the default tq.ini with all shipped converters, in windows-1253 with\n"
                        "          CR LF line ends: trelvick-maketable --ini > tq.ini\n"
                        "-h, --help     print this text\n"
                        "-V, --version  print the version\n")
                   .toUtf8()
                   .constData(),
               stream);
    return stream == stderr ? 2 : 0;
}

lang::Escaped shown(const std::string& name)
{
    return lang::escaped(files::decodeNativePath(name.c_str()));
}

// The code page of that name; nothing, after saying why, when iconv does not know the name or it is
// no single-byte code page (UTF-8 is, where utf8 allows it).
std::optional<charset::Charset> codePage(const std::string& name, bool utf8)
{
    base::Expected<charset::Charset> found = charset::Charset::find(name);
    if (found && (utf8 || !found->isUtf8()))
        return std::move(*found);
    if (!found && found.error().is(base::Fault::UnknownCharset))
        complain(lang::tr("iconv does not know the code page '%1' ('iconv -l' lists the names it knows)")
                     .arg(shown(name).text()));
    else
        complain(lang::tr("'%1' is not a single-byte code page").arg(shown(name).text()));
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
        complain(lang::tr("cannot write: %1").arg(reason(errno)));
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
        complain(lang::tr("cannot write the file in windows-1253"));
        return 1;
    }
    if (!writeAll(*bytes)) {
        complain(lang::tr("cannot write: %1").arg(reason(errno)));
        return 1;
    }
    return 0;
}

// "FILE: reason", or "FILE: key 'value': reason" when an entry is at fault.
void complainAbout(const QString& file, const base::Error& error)
{
    const QString why = lang::errorText(error, lang::messageLanguage());
    const QString name = lang::escaped(file).text();
    if (error.key.isEmpty())
        complain(name + QStringLiteral(": ") + why);
    else if (error.value.isEmpty())
        complain(name + QStringLiteral(": ") + lang::escaped(error.key).text() + QStringLiteral(": ") + why);
    else
        complain(lang::tr("%1: %2 '%3': %4")
                     .arg(name, lang::escaped(error.key).text(), lang::escaped(error.value).text(), why));
}

// The running program's own file, whatever link started it.
QString programFile()
{
    char path[4096];
    const ssize_t size = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (size <= 0)
        return {};
    path[size] = '\0';
    return files::decodeNativePath(path);
}

// The folder the running program lies in, where the system's tq.ini is (or a link to it).
QString programFolder()
{
    const QString program = programFile();
    return program.left(program.lastIndexOf(QLatin1Char('/')) + 1);
}

// Creates folder and the folders above it that are missing, private to the user as the XDG base
// directories want them.
base::Error makeFolders(const QString& folder)
{
    QString path;
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/') + part;
        if (::mkdir(files::nativePath(path).constData(), 0700) != 0 && errno != EEXIST)
            return base::Error::system(errno, base::Side::Config);
    }
    return {};
}

// Adds FROM -> TO to configFile, or to the personal tq.ini when configFile is empty: the one there,
// else a copy of the system's, since the personal file, once it exists, is read instead of it.
int addConverter(const std::string& fromName, const std::string& toName, const QString& configFile)
{
    const auto lines = codeSection(fromName, toName, "\n");
    if (!lines)
        return 2;
    config::NewConverter converter;
    converter.description = QString::fromStdString(fromName + " -> " + toName).toUpper();
    converter.sectionLines = QString::fromUtf8(*lines).split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    QString from = configFile;
    QString to = configFile;
    if (configFile.isEmpty()) {
        const QString folder = config::personalConfigFolder();
        if (folder.isEmpty()) {
            complain(
                lang::tr("neither XDG_CONFIG_HOME nor HOME names a folder for your tq.ini; name one with --config"));
            return 2;
        }
        to = from = files::resolveInFolder(folder, QString::fromUtf16(config::kConfigFileName));
        if (files::isNoFile(files::testFile(to))) {
            from = config::locateConfiguration(programFolder()).configFile;
            if (const base::Error error = makeFolders(folder)) {
                complainAbout(folder, error);
                return 1;
            }
        }
    }
    const base::Expected<config::AddedConverter> added = config::addConverter(from, to, converter);
    if (!added) {
        const bool readingFrom = added.error().side == base::Side::Config && added.error().key.isEmpty();
        complainAbout(readingFrom ? from : to, added.error());
        return 1;
    }
    const QString& source = added->madeFrom;
    const QString entry = lang::escaped(config::converterKey(added->number) + QLatin1Char('=') + converter.description);
    const QString done = source == to ? lang::tr("%1 added to %2").arg(entry, lang::escaped(to).text())
                                      : lang::tr("%1 added to %2, made from %3")
                                            .arg(entry, lang::escaped(to).text(), lang::escaped(source).text());
    std::printf("%s\n", done.toUtf8().constData());
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int run(int argc, char* argv[])
{
    // The messages in the user's language; the characters' rules (iconv's transliterations) C.UTF-8's.
    lang::openCatalog(programFile());
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) {
        complain(lang::tr("the C.UTF-8 locale is missing; the transliterations depend on it"));
        return 1;
    }

    enum Option
    {
        Add = 256,
        Config,
        Ini,
    };
    static const option options[] = {
        {"add", no_argument, nullptr, Add},     {"config", required_argument, nullptr, Config},
        {"ini", no_argument, nullptr, Ini},     {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'}, {nullptr, 0, nullptr, 0},
    };
    bool add = false;
    bool ini = false;
    std::optional<QString> configFile;
    opterr = 0; // our own message, with the option escaped
    for (int c; (c = getopt_long(argc, argv, "hV", options, nullptr)) != -1;) {
        switch (c) {
        case 'h':
            return printUsage(stdout);
        case 'V':
            std::printf("trelvick-maketable %s\n", base::kDisplayVersion);
            return std::fflush(stdout) == 0 ? 0 : 1;
        case Add:
            add = true;
            break;
        case Config:
            configFile = files::decodeNativePath(optarg);
            break;
        case Ini:
            ini = true;
            break;
        default:
            complain(lang::tr("unknown option or missing argument: '%1'").arg(shown(argv[optind - 1]).text()));
            return printUsage(stderr);
        }
    }
    const std::vector<std::string> args(argv + optind, argv + argc);
    if (ini && !add && !configFile && args.empty())
        return printIni();
    if (!ini && args.size() == 2 && (add || !configFile)) {
        if (add && configFile && configFile->isEmpty()) {
            complain(lang::tr("--config names no file"));
            return 2;
        }
        return add ? addConverter(args[0], args[1], configFile.value_or(QString())) : printTable(args[0], args[1]);
    }
    return printUsage(stderr);
}

} // namespace

// Memory the system refuses (ulimit -v) ends the tool with a message and status 2, never with an
// abort and a core dump; tq.ini is replaced only once the new one is whole, so it stays as it was.
int main(int argc, char* argv[])
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        complain(lang::tr("stopped: %1").arg(reason(ENOMEM)));
    } catch (const std::exception& error) {
        complain(lang::tr("stopped: %1").arg(lang::escaped(QString::fromLocal8Bit(error.what())).text()));
    } catch (...) {
        complain(lang::tr("stopped"));
    }
    return 2;
}
