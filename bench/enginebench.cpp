// SPDX-License-Identifier: GPL-3.0-or-later
// Converts one file into another with the engine alone and prints the counts and the time it took.
// Without -f/-t the table is Greek DOS (737) into Greek Windows (1253), taken from glibc's iconv, with
// the window's CR LF rule; with them the codepages by name, as trelvick-convert -f/-t will run them.
//
//   trelvick-engine-bench [-f FROM -t TO] [--eol=keep|lf|crlf|crlf-each] [--simd=best|avx512|avx2|plain]
//                         [--thread=idle|always|never] IN OUT
//   trelvick-engine-bench --tr-sets     the 737 -> 1253 table as the two octal sets of tr(1)

#include "charset/charset.h"
#include "charset/tables.h"
#include "convert/engine.h"
#include "lang/errortext.h"

#include <QString>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <getopt.h>
#include <iconv.h>
#include <optional>
#include <string>
#include <unistd.h>

using namespace trelvick;

namespace {

// A file descriptor, closed when it goes out of scope; reads and writes whole, retried on EINTR.
class File final : public convert::ByteSource, public convert::ByteSink
{
public:
    File(const char* path, int flags) : m_fd(::open(path, flags | O_CLOEXEC, 0666)), m_error(m_fd < 0 ? errno : 0) {}
    ~File() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    std::int64_t read(char* buffer, std::int64_t capacity) override
    {
        ssize_t got;
        do {
            got = ::read(m_fd, buffer, static_cast<std::size_t>(capacity));
        } while (got < 0 && errno == EINTR);
        m_error = got < 0 ? errno : 0;
        return got;
    }
    bool write(const char* data, std::int64_t size) override
    {
        while (size > 0) {
            const ssize_t put = ::write(m_fd, data, static_cast<std::size_t>(size));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0) {
                m_error = errno;
                return false;
            }
            data += put;
            size -= put;
        }
        return true;
    }
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 && errno != EINTR) {
            m_error = errno;
            return false;
        }
        return true;
    }
    base::Error error() const override { return base::Error::system(m_error); }

private:
    int m_fd;
    int m_error;
};

// Codes 128..255 of 737 that have a single-byte place in 1253; the rest (box drawing) get no entry.
std::array<int, 256> dosToWindowsGreek()
{
    std::array<int, 256> lookup;
    lookup.fill(-1);
    const iconv_t cd = iconv_open("CP1253", "CP737");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::perror("iconv_open CP737 -> CP1253");
        return lookup;
    }
    for (int code = 128; code <= 255; ++code) {
        char in = static_cast<char>(code);
        char out[8];
        char* inPtr = &in;
        char* outPtr = out;
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) && outPtr - out == 1)
            lookup[code] = static_cast<unsigned char>(out[0]);
    }
    iconv_close(cd);
    return lookup;
}

int printTrSets(const std::array<int, 256>& lookup)
{
    std::string from;
    std::string to;
    char octal[16];
    for (int code = 0; code <= 255; ++code) {
        if (lookup[code] < 0)
            continue;
        std::snprintf(octal, sizeof octal, "\\%03o", code);
        from += octal;
        std::snprintf(octal, sizeof octal, "\\%03o", lookup[code]);
        to += octal;
    }
    std::printf("%s\n%s\n", from.c_str(), to.c_str());
    return 0;
}

int usage(const char* program)
{
    std::fprintf(stderr,
                 "usage: %s [-f FROM -t TO] [--eol=keep|lf|crlf|crlf-each] [--simd=best|avx512|avx2|plain]\n"
                 "          [--thread=idle|always|never] IN OUT\n"
                 "       %s --tr-sets\n",
                 program, program);
    return 2;
}

template <typename Choice, std::size_t N>
std::optional<Choice> pick(const char* text, const std::array<std::pair<const char*, Choice>, N>& choices)
{
    for (const auto& [name, choice] : choices)
        if (std::strcmp(text, name) == 0)
            return choice;
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    enum
    {
        kEol = 256,
        kSimd,
        kThread,
        kTrSets,
    };
    const option longOptions[] = {{"from-code", required_argument, nullptr, 'f'},
                                  {"to-code", required_argument, nullptr, 't'},
                                  {"eol", required_argument, nullptr, kEol},
                                  {"simd", required_argument, nullptr, kSimd},
                                  {"thread", required_argument, nullptr, kThread},
                                  {"tr-sets", no_argument, nullptr, kTrSets},
                                  {nullptr, 0, nullptr, 0}};
    const char* from = nullptr;
    const char* to = nullptr;
    std::optional<convert::LineEnds> lineEnds;
    convert::EngineOptions options;
    bool trSets = false;
    for (int c; (c = getopt_long(argc, argv, "f:t:", longOptions, nullptr)) != -1;) {
        std::optional<bool> known;
        switch (c) {
        case 'f':
            from = optarg;
            break;
        case 't':
            to = optarg;
            break;
        case kEol:
            lineEnds = pick<convert::LineEnds, 4>(optarg, {{{"keep", convert::LineEnds::Keep},
                                                            {"lf", convert::LineEnds::Lf},
                                                            {"crlf", convert::LineEnds::CrLf},
                                                            {"crlf-each", convert::LineEnds::CrLfEach}}});
            known = lineEnds.has_value();
            break;
        case kSimd: {
            const auto level = pick<convert::SimdLevel, 4>(optarg, {{{"best", convert::bestSimdLevel()},
                                                                     {"avx512", convert::SimdLevel::Avx512Vbmi},
                                                                     {"avx2", convert::SimdLevel::Avx2},
                                                                     {"plain", convert::SimdLevel::None}}});
            known = level && convert::isSupported(*level);
            options.simdLevel = level.value_or(convert::SimdLevel::None);
            break;
        }
        case kThread: {
            const auto thread = pick<convert::ReadThread, 3>(optarg, {{{"idle", convert::ReadThread::WhenProcessorIdle},
                                                                       {"always", convert::ReadThread::Always},
                                                                       {"never", convert::ReadThread::Never}}});
            known = thread.has_value();
            options.readThread = thread.value_or(convert::ReadThread::Never);
            break;
        }
        case kTrSets:
            trSets = true;
            break;
        default:
            return usage(argv[0]);
        }
        if (known == false) {
            std::fprintf(stderr, "%s: unknown value or a level this processor lacks: %s\n", argv[0], optarg);
            return 2;
        }
    }
    if (trSets)
        return printTrSets(dosToWindowsGreek());
    if (argc - optind != 2 || (from == nullptr) != (to == nullptr))
        return usage(argv[0]);

    std::optional<convert::Converter> converter;
    if (from) {
        const auto source = charset::Charset::find(from);
        const auto target = charset::Charset::find(to);
        if (!source || !target) {
            std::fprintf(stderr, "%s: %s\n", source ? to : from,
                         (source ? target : source).error().code.message().c_str());
            return 1;
        }
        auto made = charset::converter(*source, *target);
        if (!made) {
            std::fprintf(stderr, "%s -> %s: %s\n", from, to, made.error().code.message().c_str());
            return 1;
        }
        converter = std::move(*made);
    } else {
        converter = convert::ConversionTable::fromLookup(dosToWindowsGreek());
    }
    options.lineEnds = lineEnds.value_or(from ? convert::LineEnds::Keep : convert::LineEnds::CrLf);

    File in(argv[optind], O_RDONLY);
    File out(argv[optind + 1], O_WRONLY | O_CREAT | O_TRUNC);
    for (const auto& [file, name] : {std::pair{&in, argv[optind]}, std::pair{&out, argv[optind + 1]}}) {
        if (!file->isOpen()) {
            std::fprintf(stderr, "%s: %s\n", name, file->error().code.message().c_str());
            return 1;
        }
    }

    const auto start = std::chrono::steady_clock::now();
    int reports = 0;
    options.progress = [&](const convert::Counts&) { ++reports; };
    const auto result = convert::convertStream(in, out, *converter, options);
    const bool closed = out.close();
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;

    if (!result.ok || !closed) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(lang::errorText(result.ok ? out.error() : result.error, lang::Language::English)));
        return 1;
    }
    std::printf("processed %lld changed %lld lost %lld invalid %lld progress reports %d seconds %.3f\n",
                static_cast<long long>(result.counts.processed), static_cast<long long>(result.counts.changed),
                static_cast<long long>(result.counts.lost), static_cast<long long>(result.counts.invalid), reports,
                seconds.count());
    return 0;
}
