// SPDX-License-Identifier: GPL-3.0-or-later
// How often the codepage detector is right, beside uchardet on the very same samples, and how fast it is.
//
//   trelvick-guess-bench [LOCALE_DIR] [SAMPLES]
//
// For each candidate encoding and sample size it takes up to SAMPLES (default 400) samples of real text
// from gettext catalogs the detector did not learn from (see tests/support/guesscorpus.h), asks both
// detectors, and prints the share each got right. An answer is right when it reads the bytes as the
// true encoding does. Most short samples read alike in more than one codepage (a Greek sample without Ά
// or curly quotes is the same text in 1253 and 8859-7), so the last columns count only the samples
// that no other candidate reads alike. Then it prints the detector's speed in processor time: scoring
// Greek text a window at a time, and scanning a long ASCII text for its first byte beyond ASCII.

#include "guess/guess.h"
#include "guesscorpus.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

using namespace trelvick;

namespace {

constexpr std::size_t kSizes[] = {64, 256, 1024};

// uchardet's answers for the samples, in order; "unknown" where it has none.
std::vector<std::string> uchardetAnswers(const std::vector<std::string>& samples)
{
    std::vector<std::string> answers;
    QTemporaryDir dir;
    QStringList paths;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const QString path = dir.filePath(QString::number(i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return answers;
        file.write(samples[i].data(), qsizetype(samples[i].size()));
        paths << path;
    }
    // With two files or more, uchardet prefixes each answer with the file's name.
    paths << QStringLiteral("/dev/null");
    QProcess process;
    process.start(QStringLiteral("uchardet"), paths);
    if (!process.waitForFinished(600000))
        return answers;
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    for (qsizetype i = 0; i < qsizetype(samples.size()) && i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const qsizetype colon = line.lastIndexOf(": ");
        answers.push_back(colon < 0 ? std::string("unknown") : line.mid(colon + 2).trimmed().toStdString());
    }
    return answers;
}

double share(std::size_t right, std::size_t total)
{
    return total == 0 ? 0.0 : 100.0 * double(right) / double(total);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const std::string localeDir = argc > 1 ? argv[1] : "/usr/share/locale";
    const std::size_t count = argc > 2 ? std::stoul(argv[2]) : 400;
    const bool haveUchardet = !QStandardPaths::findExecutable(QStringLiteral("uchardet")).isEmpty();
    if (!haveUchardet)
        std::printf("uchardet is not installed (apt-get install uchardet): its column stays empty\n");

    std::printf("%-11s %6s %8s %10s %10s   %8s %10s %10s\n", "encoding", "bytes", "samples", "trelvick", "uchardet",
                "telling", "trelvick", "uchardet");
    for (const char* encoding : guesscorpus::kEncodings) {
        for (const std::size_t size : kSizes) {
            const auto samples = guesscorpus::samples(localeDir, encoding, size, count);
            if (samples.empty()) {
                std::printf("%-11s %6zu %8s\n", encoding, size, "none: is libc-l10n installed?");
                continue;
            }
            // A telling sample is one that no other candidate reads as its own encoding does.
            std::vector<bool> telling;
            for (const auto& sample : samples) {
                bool alone = !guesscorpus::isAscii(sample);
                for (const char* other : guesscorpus::kEncodings) {
                    if (alone && std::string(other) != encoding && guesscorpus::readsAlike(sample, encoding, other))
                        alone = false;
                }
                telling.push_back(alone);
            }
            const auto answers = haveUchardet ? uchardetAnswers(samples) : std::vector<std::string>();
            std::size_t ours = 0, theirs = 0, tellingCount = 0, oursTelling = 0, theirsTelling = 0;
            for (std::size_t i = 0; i < samples.size(); ++i) {
                const guess::Guess result = guess::guessEncoding(samples[i]);
                const std::string answer =
                    result.fits() ? std::string(guess::encodingName(result.ranked.front().encoding)) : "none";
                const bool ourRight = guesscorpus::readsAlike(samples[i], encoding, answer);
                const bool theirRight = i < answers.size() && guesscorpus::readsAlike(samples[i], encoding, answers[i]);
                ours += ourRight;
                theirs += theirRight;
                tellingCount += telling[i];
                oursTelling += telling[i] && ourRight;
                theirsTelling += telling[i] && theirRight;
            }
            auto column = [haveUchardet](std::size_t right, std::size_t total) {
                return haveUchardet && total > 0 ? QByteArray::number(share(right, total), 'f', 1) + '%'
                                                 : QByteArray("-");
            };
            auto ourColumn = [](std::size_t right, std::size_t total) {
                return total > 0 ? QByteArray::number(share(right, total), 'f', 1) + '%' : QByteArray("-");
            };
            std::printf("%-11s %6zu %8zu %10s %10s   %8zu %10s %10s\n", encoding, size, samples.size(),
                        ourColumn(ours, samples.size()).constData(), column(theirs, samples.size()).constData(),
                        tellingCount, ourColumn(oursTelling, tellingCount).constData(),
                        column(theirsTelling, tellingCount).constData());
        }
    }

    // Speed: Greek text in 737 guessed a window at a time, as the program reads a file, and a long ASCII
    // file that must be scanned to its end. The best of a few rounds, in processor time.
    const std::string text =
        guesscorpus::recode("CP737", "UTF-8", guesscorpus::catalogText(localeDir, "el"), true).value_or(std::string());
    if (text.empty())
        return 1;
    std::string greek;
    while (greek.size() < std::size_t(16) << 20)
        greek += text;
    greek.resize(std::size_t(16) << 20);
    const std::string ascii(std::size_t(256) << 20, 'a');
    // Processor time of this thread, which other jobs on the machine do not stretch.
    auto seconds = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
    };
    auto best = [&seconds](auto&& job) {
        double fastest = 1e9;
        for (int round = 0; round < 5; ++round) {
            const double start = seconds();
            job();
            fastest = std::min(fastest, seconds() - start);
        }
        return fastest;
    };
    std::size_t named737 = 0;
    const double scoring = best([&] {
        for (std::size_t at = 0; at < greek.size(); at += guess::kWindowSize) {
            const guess::Guess result = guess::guessEncoding(std::string_view(greek).substr(at, guess::kWindowSize));
            named737 += result.fits() && result.ranked.front().encoding == guess::Encoding::Cp737;
        }
    });
    bool allAscii = true;
    const double scanning = best([&] {
        const guess::Guess result = guess::guessEncoding(ascii);
        allAscii = allAscii && result.fits() && result.ranked.front().encoding == guess::Encoding::Ascii;
    });
    std::printf("\nscoring Greek text: %.0f MB/s (16 MiB of CP737 text in 64 KiB windows, %zu of %zu named CP737)\n",
                double(greek.size()) / scoring / 1e6, named737 / 5, greek.size() / guess::kWindowSize);
    std::printf("scanning ASCII:     %.2f GB/s (256 MiB in memory, %s)\n", double(ascii.size()) / scanning / 1e9,
                allAscii ? "named ASCII" : "NOT named ASCII");
    return 0;
}
