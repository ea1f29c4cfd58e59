// How often the codepage detector is right, beside uchardet on the very same samples, and how fast it is.
//
//   trelvick-guess-bench [LOCALE_DIR] [SAMPLES]
//
// For each candidate encoding and sample size it takes up to SAMPLES (default 400) samples of real text
// from gettext catalogs the detector did not learn from (see tests/support/guesscorpus.h), asks both
// detectors, and prints the share each got right. An answer is right when it reads the bytes as the
// true encoding does. Then it prints the detector's time per MiB of Greek text.

#include "guess/guess.h"
#include "guesscorpus.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

using namespace trelvick;

namespace {

constexpr std::size_t kSizes[] = {64, 256, 1024};

// uchardet's answers for the samples, in order; "unknown" where it has none.
std::vector<std::string> uchardetAnswers(const std::vector<guesscorpus::Sample>& samples)
{
    std::vector<std::string> answers;
    QTemporaryDir dir;
    QStringList paths;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const QString path = dir.filePath(QString::number(i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return answers;
        file.write(samples[i].bytes.data(), qsizetype(samples[i].bytes.size()));
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

    std::printf("%-11s %6s %8s %10s %10s\n", "encoding", "bytes", "samples", "trelvick", "uchardet");
    std::map<std::string, std::size_t> uchardetNames;
    for (const char* encoding : guesscorpus::kEncodings) {
        for (const std::size_t size : kSizes) {
            const auto samples = guesscorpus::samples(localeDir, encoding, size, count);
            if (samples.empty()) {
                std::printf("%-11s %6zu %8s\n", encoding, size, "none: is libc-l10n installed?");
                continue;
            }
            std::size_t ours = 0;
            for (const auto& sample : samples) {
                const guess::Guess result = guess::guessEncoding(sample.bytes);
                const std::string answer =
                    result.fits() ? std::string(guess::encodingName(result.ranked.front().encoding)) : "none";
                ours += guesscorpus::readsAlike(sample, encoding, answer) ? 1 : 0;
            }
            std::size_t theirs = 0;
            const auto answers = haveUchardet ? uchardetAnswers(samples) : std::vector<std::string>();
            for (std::size_t i = 0; i < answers.size(); ++i) {
                theirs += guesscorpus::readsAlike(samples[i], encoding, answers[i]) ? 1 : 0;
                ++uchardetNames[std::string(encoding) + " -> " + answers[i]];
            }
            std::printf("%-11s %6zu %8zu %9.1f%% %9s\n", encoding, size, samples.size(), share(ours, samples.size()),
                        haveUchardet ? (QByteArray::number(share(theirs, answers.size()), 'f', 1) + '%').constData()
                                     : "-");
        }
    }

    // Time: Greek text in 737, guessed 64 KiB at a time as the program reads it.
    const std::string text = guesscorpus::Iconv("CP737", "UTF-8")
                                 .convert(guesscorpus::catalogText(localeDir, "el"), true)
                                 .value_or(std::string());
    if (text.empty())
        return 1;
    std::string mebibyte;
    while (mebibyte.size() < 1024 * 1024)
        mebibyte += text;
    mebibyte.resize(1024 * 1024);
    constexpr int kRounds = 20;
    std::size_t fits = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t at = 0; at < mebibyte.size(); at += guess::kPrefixLimit)
            fits += guess::guessEncoding(std::string_view(mebibyte).substr(at, guess::kPrefixLimit)).fits() ? 1 : 0;
    }
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("\ntime: %.2f ms per MiB (%d MiB of CP737 text in 64 KiB prefixes, %zu guessed)\n",
                elapsed.count() / kRounds, kRounds, fits);
    return 0;
}
