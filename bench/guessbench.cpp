// SPDX-License-Identifier: GPL-3.0-or-later
// How often the codepage detector is right, beside the detectors users would pick instead, on the very
// same samples, and how fast it is.
//
//   trelvick-guess-bench [LOCALE_DIR] [SAMPLES] [PEERS_SCRIPT]
//   trelvick-guess-bench --write-files FOLDER COUNT [LOCALE_DIR]
//
// For each language, each codepage it was written in and each sample size it takes up to SAMPLES (default
// 200) samples of real text from gettext catalogs the detector did not learn from (see
// tests/support/guesscorpus.h) and asks every detector. An answer is right ("readable") when it reads the
// bytes as the true codepage does. It prints the share right per size, per family of codepages and for
// the worst language/codepage pair; how often a non-Greek sample is named Greek at 90 % or more; how
// often the guesses given with each confidence are right (calibration); what it makes of text it does
// not know; and its speed in memory. PEERS_SCRIPT (bench/guesspeers.py) asks the peers installed.
// --write-files writes COUNT files of 64 KiB of mixed European text into FOLDER, each language in each of
// its codepages in turn, for timing the program itself (bench/run-guess-bench.sh).

#include "guess/guess.h"
#include "guesscorpus.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace trelvick;

namespace {

constexpr std::size_t kSizes[] = {64, 256, 1024};

struct Sample
{
    std::string bytes;
    std::string encoding;
    std::string language;
    std::size_t size;
};

std::string named(const guess::Guess& guess)
{
    return guess.fits() ? std::string(guess::encodingName(guess.ranked.front().encoding)) : "unknown";
}

// "DOS Cyrillic", "Windows Latin", "ISO Greek", "KOI8", "Mac"
std::string family(const std::string& encoding)
{
    static const std::map<std::string, std::string> kFamilies = {{"CP437", "DOS Latin"},
                                                                 {"CP850", "DOS Latin"},
                                                                 {"CP860", "DOS Latin"},
                                                                 {"CP863", "DOS Latin"},
                                                                 {"CP865", "DOS Latin"},
                                                                 {"CP852", "DOS Central European"},
                                                                 {"CP855", "DOS Cyrillic"},
                                                                 {"CP866", "DOS Cyrillic"},
                                                                 {"CP1125", "DOS Cyrillic"},
                                                                 {"CP737", "DOS Greek"},
                                                                 {"CP869", "DOS Greek"},
                                                                 {"CP775", "DOS Baltic"},
                                                                 {"CP857", "DOS Turkish"},
                                                                 {"CP862", "DOS Hebrew"},
                                                                 {"CP1252", "Windows Latin"},
                                                                 {"CP1250", "Windows Central European"},
                                                                 {"CP1251", "Windows Cyrillic"},
                                                                 {"CP1253", "Windows Greek"},
                                                                 {"CP1254", "Windows Turkish"},
                                                                 {"CP1255", "Windows Hebrew"},
                                                                 {"CP1256", "Windows Arabic"},
                                                                 {"CP1257", "Windows Baltic"},
                                                                 {"ISO-8859-1", "ISO Latin"},
                                                                 {"ISO-8859-15", "ISO Latin"},
                                                                 {"ISO-8859-2", "ISO Central European"},
                                                                 {"ISO-8859-16", "ISO Central European"},
                                                                 {"ISO-8859-5", "ISO Cyrillic"},
                                                                 {"ISO-8859-7", "ISO Greek"},
                                                                 {"ISO-8859-9", "ISO Turkish"},
                                                                 {"ISO-8859-4", "ISO Baltic"},
                                                                 {"ISO-8859-13", "ISO Baltic"},
                                                                 {"ISO-8859-8", "ISO Hebrew"},
                                                                 {"ISO-8859-6", "ISO Arabic"},
                                                                 {"KOI8-R", "KOI8"},
                                                                 {"KOI8-U", "KOI8"},
                                                                 {"MACINTOSH", "Mac"},
                                                                 {"MAC-CENTRALEUROPE", "Mac"},
                                                                 {"MAC-CYRILLIC", "Mac"},
                                                                 {"UTF-8", "UTF-8"}};
    const auto found = kFamilies.find(encoding);
    return found == kFamilies.end() ? encoding : found->second;
}

std::vector<Sample> corpus(const std::string& localeDir, std::size_t count)
{
    std::vector<Sample> all;
    for (const guesscorpus::Language& language : guesscorpus::languages()) {
        const std::string text = guesscorpus::catalogText(localeDir, language.code);
        std::vector<const char*> encodings = language.codepages;
        encodings.push_back("UTF-8");
        for (const char* encoding : encodings) {
            for (const std::size_t size : kSizes) {
                for (std::string& bytes : guesscorpus::samples(text, encoding, size, count))
                    all.push_back({std::move(bytes), encoding, language.name, size});
            }
        }
    }
    return all;
}

// The peers' answers for the samples, in order, by peer: the script reads the files named on standard
// input and prints "peer<TAB>index<TAB>answer" lines, with iconv's names.
std::map<std::string, std::vector<std::string>> peerAnswers(const std::vector<Sample>& samples, const QString& script)
{
    std::map<std::string, std::vector<std::string>> answers;
    QTemporaryDir dir;
    QByteArray list;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const QString path = dir.filePath(QString::number(i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return answers;
        file.write(samples[i].bytes.data(), qsizetype(samples[i].bytes.size()));
        list += path.toUtf8() + '\n';
    }
    QProcess process;
    // The Debian packages of the peers are for the system's Python, whatever python3 comes first in PATH.
    process.start(QStringLiteral("/usr/bin/python3"), {script});
    process.write(list);
    process.closeWriteChannel();
    if (!process.waitForFinished(-1))
        return answers;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != 3)
            continue;
        auto& peer = answers[fields[0].toStdString()];
        peer.resize(samples.size(), "unknown");
        const std::size_t index = fields[1].toULongLong();
        if (index < samples.size())
            peer[index] = fields[2].trimmed().toStdString();
    }
    std::fprintf(stderr, "%s", process.readAllStandardError().constData());
    return answers;
}

double percent(std::size_t right, std::size_t total)
{
    return total == 0 ? 0.0 : 100.0 * double(right) / double(total);
}

// Share right per size, per family and the worst pair at 256 bytes, for one detector's answers.
void accuracy(const char* who, const std::vector<Sample>& samples, const std::vector<std::string>& answers)
{
    std::map<std::size_t, std::pair<std::size_t, std::size_t>> bySize;
    std::map<std::string, std::pair<std::size_t, std::size_t>> byFamily;
    std::map<std::string, std::pair<std::size_t, std::size_t>> byPair;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const Sample& s = samples[i];
        const bool right = guesscorpus::readsAlike(s.bytes, s.encoding, answers[i]);
        bySize[s.size].first += right;
        ++bySize[s.size].second;
        byFamily[family(s.encoding)].first += right;
        ++byFamily[family(s.encoding)].second;
        if (s.size == 256) {
            byPair[s.language + " " + s.encoding].first += right;
            ++byPair[s.language + " " + s.encoding].second;
        }
    }
    std::printf("%-16s", who);
    for (const auto& [size, counts] : bySize)
        std::printf("  %4zu B %5.1f %%", size, percent(counts.first, counts.second));
    std::string worst;
    double least = 101;
    for (const auto& [pair, counts] : byPair) {
        if (percent(counts.first, counts.second) < least) {
            least = percent(counts.first, counts.second);
            worst = pair;
        }
    }
    std::printf("   worst pair at 256 B: %s %.1f %%\n", worst.c_str(), least);
    std::printf("%-16s", "");
    for (const auto& [name, counts] : byFamily)
        std::printf(" %s %.0f%%;", name.c_str(), percent(counts.first, counts.second));
    std::printf("\n");
}

void pairTable(const std::vector<Sample>& samples, const std::vector<std::string>& answers)
{
    std::map<std::string, std::array<std::pair<std::size_t, std::size_t>, 3>> byPair;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const Sample& s = samples[i];
        const std::size_t k = s.size == 64 ? 0 : s.size == 256 ? 1 : 2;
        auto& cell = byPair[s.language + " " + s.encoding][k];
        cell.first += guesscorpus::readsAlike(s.bytes, s.encoding, answers[i]);
        ++cell.second;
    }
    std::printf("\nlanguage/codepage pairs below 99 %% at 256 B (64 / 256 / 1024 B):\n");
    for (const auto& [pair, cells] : byPair) {
        if (percent(cells[1].first, cells[1].second) < 99.0)
            std::printf("  %-30s %5.1f %5.1f %5.1f\n", pair.c_str(), percent(cells[0].first, cells[0].second),
                        percent(cells[1].first, cells[1].second), percent(cells[2].first, cells[2].second));
    }
}

// Of the guesses given with a confidence in each band of 10 %, how many are right; and of those given
// with at least P %, how many.
void calibration(const std::vector<Sample>& samples, const std::vector<guess::Guess>& guesses)
{
    std::array<std::pair<std::size_t, std::size_t>, 10> bands{};
    std::size_t greekAbroad = 0;
    std::size_t abroad = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const guess::Guess& g = guesses[i];
        if (!g.fits())
            continue;
        const bool right = guesscorpus::readsAlike(samples[i].bytes, samples[i].encoding, named(g));
        const double certainty = g.certainty();
        const std::size_t band = std::min<std::size_t>(9, std::size_t(certainty * 10));
        bands[band].first += right;
        ++bands[band].second;
        if (samples[i].language != "Greek" && !guesscorpus::isAscii(samples[i].bytes)) {
            ++abroad;
            greekAbroad += g.language() == guess::Language::Greek && certainty >= 0.9;
        }
    }
    std::printf("\ncalibration (certainty band: guesses, right; at least the band's floor: right)\n");
    for (std::size_t band = 0; band < 10; ++band) {
        std::size_t right = 0, total = 0;
        for (std::size_t b = band; b < 10; ++b) {
            right += bands[b].first;
            total += bands[b].second;
        }
        std::printf("  %3zu-%3zu %%: %6zu, %5.1f %% right;   >= %3zu %%: %5.1f %% right\n", band * 10, band * 10 + 10,
                    bands[band].second, percent(bands[band].first, bands[band].second), band * 10,
                    percent(right, total));
    }
    std::printf("non-Greek samples named Greek at >= 90 %%: %zu of %zu\n", greekAbroad, abroad);
    std::size_t greek = 0, greekRight = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (samples[i].language == "Greek" && samples[i].size == 64 && samples[i].encoding != "UTF-8") {
            ++greek;
            greekRight += guesscorpus::readsAlike(samples[i].bytes, samples[i].encoding, named(guesses[i]));
        }
    }
    std::printf("Greek in its codepages at 64 B: %.1f %% right of %zu\n", percent(greekRight, greek), greek);
}

// What the guess makes of text it does not know: the share named at 90 % or more.
void unknownText(const std::string& localeDir, std::size_t count)
{
    std::mt19937 generator(7);
    std::vector<std::pair<std::string, std::vector<std::string>>> sets;
    for (const auto& [name, code, encoding] :
         {std::tuple{"Thai in TIS-620", "th", "TIS-620"}, std::tuple{"Vietnamese in CP1258", "vi", "CP1258"}}) {
        std::vector<std::string> pieces;
        for (const std::size_t size : kSizes) {
            for (std::string& piece :
                 guesscorpus::samples(guesscorpus::catalogText(localeDir, code), encoding, size, count))
                pieces.push_back(std::move(piece));
        }
        sets.push_back({name, std::move(pieces)});
    }
    std::vector<std::string> random;
    std::vector<std::string> stray;
    const std::string greek = guesscorpus::catalogText(localeDir, "el");
    for (std::size_t i = 0; i < count; ++i) {
        std::string bytes(kSizes[i % 3], '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(generator() & 0xFF);
        random.push_back(bytes);
        const std::size_t at = generator() % (greek.size() - 300);
        stray.push_back("Don\x92t " + greek.substr(at - at % 2, 200));
    }
    sets.push_back({"random bytes", random});
    sets.push_back({"UTF-8 with a stray byte", stray});
    std::printf("\ntext it does not know (named at >= 90 %% / named at all):\n");
    for (const auto& [name, pieces] : sets) {
        std::size_t sure = 0, any = 0;
        for (const std::string& piece : pieces) {
            const guess::Guess g = guess::guessEncoding(piece);
            any += g.fits() && g.ranked.front().encoding != guess::Encoding::Utf8;
            sure += g.fits() && g.ranked.front().encoding != guess::Encoding::Utf8 && !g.doubtful(0.9);
        }
        std::printf("  %-26s %5.1f %% / %5.1f %% of %zu\n", name.c_str(), percent(sure, pieces.size()),
                    percent(any, pieces.size()), pieces.size());
    }
}

// Processor time of this thread, which other jobs on the machine do not stretch.
double seconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void speed(const std::string& localeDir)
{
    // Mixed European text: each language in its first codepage, 64 KiB windows of it.
    std::vector<std::string> windows;
    for (const guesscorpus::Language& language : guesscorpus::languages()) {
        std::string text = guesscorpus::recode(language.codepages.front(), "UTF-8",
                                               guesscorpus::catalogText(localeDir, language.code), true)
                               .value_or("");
        while (!text.empty() && text.size() < 2 * guess::kWindowSize)
            text += text;
        for (std::size_t at = 0; at + guess::kWindowSize <= text.size() && at < 2 * guess::kWindowSize;
             at += guess::kWindowSize)
            windows.push_back(text.substr(at, guess::kWindowSize));
    }
    double fastest = 1e9;
    for (int round = 0; round < 3; ++round) {
        const double start = seconds();
        for (const std::string& window : windows)
            (void)guess::guessEncoding(window);
        fastest = std::min(fastest, seconds() - start);
    }
    std::printf("\nscoring mixed European text: %.0f MB/s (%zu windows of 64 KiB, processor time)\n",
                double(windows.size() * guess::kWindowSize) / fastest / 1e6, windows.size());
}

// COUNT files of 64 KiB, each a language in one of its codepages, the pairs taking turns.
int writeFiles(const QString& folder, std::size_t count, const std::string& localeDir)
{
    std::vector<std::string> texts;
    for (const guesscorpus::Language& language : guesscorpus::languages()) {
        const std::string text = guesscorpus::catalogText(localeDir, language.code);
        for (const char* encoding : language.codepages) {
            std::string bytes = guesscorpus::recode(encoding, "UTF-8", text, true).value_or("");
            if (bytes.empty())
                continue;
            while (bytes.size() < 4 * guess::kWindowSize)
                bytes += bytes;
            texts.push_back(std::move(bytes));
        }
    }
    if (texts.empty())
        return 1;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& text = texts[i % texts.size()];
        const std::size_t at = (i / texts.size() * 7919) % (text.size() - guess::kWindowSize);
        QFile file(QDir(folder).filePath(QStringLiteral("f%1.txt").arg(i, 5, 10, QLatin1Char('0'))));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(text.data() + at, qsizetype(guess::kWindowSize)) != qsizetype(guess::kWindowSize))
            return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc >= 4 && std::string(argv[1]) == "--write-files")
        return writeFiles(QString::fromLocal8Bit(argv[2]), std::stoul(argv[3]),
                          argc > 4 ? argv[4] : "/usr/share/locale");
    const std::string localeDir = argc > 1 ? argv[1] : "/usr/share/locale";
    const std::size_t count = argc > 2 ? std::stoul(argv[2]) : 200;
    const QString peersScript = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();

    const std::vector<Sample> samples = corpus(localeDir, count);
    if (samples.empty()) {
        std::printf("no samples: are the held-out catalogs installed (tools/setup-debian.sh)?\n");
        return 1;
    }
    std::vector<guess::Guess> guesses;
    std::vector<std::string> answers;
    for (const Sample& sample : samples) {
        guesses.push_back(guess::guessEncoding(sample.bytes));
        answers.push_back(named(guesses.back()));
    }
    std::size_t languageRight = 0, languageTotal = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (guesses[i].language() == guess::Language::Unknown)
            continue;
        ++languageTotal;
        languageRight += guess::languageName(guesses[i].language()) == samples[i].language;
    }
    std::printf("%zu samples of %zu languages; readable accuracy:\n", samples.size(), guesscorpus::languages().size());
    accuracy("trelvick", samples, answers);
    std::printf("%-16s language named right: %.1f %% of %zu samples with a language\n", "",
                percent(languageRight, languageTotal), languageTotal);
    if (!peersScript.isEmpty()) {
        for (const auto& [peer, theirs] : peerAnswers(samples, peersScript))
            accuracy(peer.c_str(), samples, theirs);
    }
    pairTable(samples, answers);
    calibration(samples, guesses);
    unknownText(localeDir, count);
    speed(localeDir);
    return 0;
}
