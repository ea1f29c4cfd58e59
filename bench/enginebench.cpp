// SPDX-License-Identifier: GPL-3.0-or-later
// Converts one file into another with the Greek DOS (737) to Greek Windows (1253) table, taken from
// glibc's iconv, and prints the counts and the time the engine took.
//
//   trelvick-engine-bench IN OUT
//   trelvick-engine-bench --tr-sets     the same table as the two octal sets of tr(1)

#include "convert/engine.h"
#include "files/posixfile.h"
#include "lang/errortext.h"

#include <QString>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iconv.h>
#include <string>

using namespace trelvick;

namespace {

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
    char octal[8];
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

} // namespace

int main(int argc, char** argv)
{
    const auto lookup = dosToWindowsGreek();
    if (argc == 2 && std::strcmp(argv[1], "--tr-sets") == 0)
        return printTrSets(lookup);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s IN OUT | --tr-sets\n", argv[0]);
        return 2;
    }

    const auto table = convert::ConversionTable::fromLookup(lookup);
    files::InputFile in;
    files::OutputFile out;
    if (!in.open(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(lang::errorText(in.error(), lang::Language::English)));
        return 1;
    }
    if (!out.create(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(lang::errorText(out.error(), lang::Language::English)));
        return 1;
    }

    const auto start = std::chrono::steady_clock::now();
    int reports = 0;
    const auto result = convert::convertStream(in, out, table, [&](const convert::Counts&) { ++reports; });
    const bool closed = out.close();
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;

    if (!result.ok || !closed) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(lang::errorText(result.ok ? out.error() : result.error, lang::Language::English)));
        return 1;
    }
    std::printf("processed %lld changed %lld progress reports %d seconds %.3f\n",
                static_cast<long long>(result.counts.processed), static_cast<long long>(result.counts.changed), reports,
                seconds.count());
    return 0;
}
