// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/reporter.h"

#include "cli/options.h"
#include "files/fileops.h"
#include "files/posixfile.h"
#include "lang/clitexts.h"
#include "lang/errortext.h"
#include "lang/escape.h"

#include <algorithm>
#include <optional>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <utility>

namespace trelvick::cli {

using namespace Qt::StringLiterals;
namespace texts = lang::cli;

namespace {

// Below this size a conversion is over before a bar would be worth drawing.
constexpr std::int64_t kProgressThreshold = std::int64_t(16) * 1024 * 1024;
constexpr int kBarWidth = 40;
constexpr std::chrono::milliseconds kProgressInterval(100);

} // namespace

base::Error writeAll(int fd, const QByteArray& bytes)
{
    files::DescriptorSink sink(fd);
    return sink.write(bytes.constData(), bytes.size()) ? base::Error{} : sink.error();
}

int printResult(const Context& context, const QString& text)
{
    const base::Error failed = writeAll(context.outputFd, text.toUtf8());
    if (!failed)
        return kDone;
    writeAll(context.errorFd,
             (QString::fromUtf16(texts::kProgramName) + u": "_s +
              texts::fileFailure(texts::standardOutput(context.language), lang::errorText(failed, context.language)) +
              u'\n')
                 .toUtf8());
    return kConversionFailed;
}

namespace {

// Device and inode of a path, or of a standard stream given as "-".
std::optional<files::FileId> identity(const QString& path, int fd)
{
    if (path == kStandardStream) {
        struct stat info;
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
            return std::nullopt;
        return files::FileId::of(info);
    }
    const base::Expected<files::FileStat> stat = files::statFile(path);
    if (!stat)
        return std::nullopt;
    return stat->id;
}

} // namespace

bool sameFile(const Context& context, const QString& input, const QString& output)
{
    if (input != kStandardStream && input == output)
        return true;
    const auto in = identity(input, context.inputFd);
    const auto out = identity(output, context.outputFd);
    return in && out && *in == *out;
}

void Reporter::error(const QString& text) const
{
    writeAll(m_context.errorFd, (QString::fromUtf16(texts::kProgramName) + u": "_s + text + u'\n').toUtf8());
}

void Reporter::notice(const QString& text) const
{
    if (!m_quiet)
        writeAll(m_context.errorFd, (text + u'\n').toUtf8());
}

QString Reporter::shown(const QString& path, bool isInput) const
{
    if (path != kStandardStream)
        return lang::escaped(path);
    return isInput ? texts::standardInput(language()) : texts::standardOutput(language());
}

bool Reporter::wantsProgress(std::int64_t size) const
{
    return m_context.errorIsTerminal && !m_quiet && size > kProgressThreshold;
}

files::ConversionOutcome ConversionProgress::convert(files::FileConversion conversion,
                                                     const convert::Converter& converter) const
{
    std::optional<ProgressBar> bar;
    std::int64_t size = -1;
    conversion.started = [&](std::int64_t inputSize) {
        size = inputSize;
        if (m_reporter.wantsProgress(size))
            bar.emplace(m_reporter.errorFd());
    };
    conversion.progress = [&](const convert::Counts& counts) {
        if (bar)
            bar->show(convert::progressPercentage(counts.processed, size));
    };
    conversion.interval = kProgressInterval;
    return files::convertFile(conversion, converter);
}

void ProgressBar::show(int percentage, const QByteArray& tail)
{
    if (percentage == m_shown && tail == m_tail)
        return;
    m_shown = percentage;
    m_tail = tail;
    const int filled = percentage * kBarWidth / 100;
    const QByteArray line = "\r[" + QByteArray(filled, '#') + QByteArray(kBarWidth - filled, '-') + "] " +
                            QByteArray::number(percentage).rightJustified(3) + '%' + tail + "\x1b[K";
    writeAll(m_fd, line);
}

namespace {

constexpr std::chrono::milliseconds kBarRedraw(100);
constexpr int kNarrowestBar = 10;
constexpr int kDefaultWidth = 80;

QByteArray size(std::int64_t bytes)
{
    constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    double value = double(bytes);
    int unit = 0;
    while (value >= 1024 && unit < 4) {
        value /= 1024;
        ++unit;
    }
    return (unit == 0 ? QByteArray::number(bytes) : QByteArray::number(value, 'f', 1)) + ' ' + kUnits[unit];
}

QByteArray duration(double seconds)
{
    const auto whole = std::int64_t(seconds + 0.5);
    const QByteArray minutes = QByteArray::number(whole / 60 % 60);
    const QByteArray rest = QByteArray::number(whole % 60).rightJustified(2, '0');
    return whole >= 3600 ? QByteArray::number(whole / 3600) + ':' + minutes.rightJustified(2, '0') + ':' + rest
                         : minutes + ':' + rest;
}

int terminalWidth(int fd)
{
    winsize size = {};
    return ::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : kDefaultWidth;
}

} // namespace

JobBar::JobBar(int fd, std::int64_t files, std::int64_t bytes)
    : m_fd(fd), m_files(files), m_bytes(bytes), m_started(std::chrono::steady_clock::now())
{
}

QByteArray JobBar::line(int width, std::int64_t files, std::int64_t totalFiles, std::int64_t bytes,
                        std::int64_t totalBytes, double seconds)
{
    const int percentage = convert::progressPercentage(bytes, totalBytes);
    QList<QByteArray> details{QByteArray::number(files) + '/' + QByteArray::number(totalFiles) + " files",
                              size(bytes) + " / " + size(totalBytes)};
    if (seconds >= 1 && bytes > 0) {
        const double rate = double(bytes) / seconds;
        details << size(std::int64_t(rate)) + "/s" << duration(double(totalBytes - bytes) / rate) + " left";
    }
    const QByteArray percent = QByteArray::number(percentage).rightJustified(4) + '%';
    for (;;) {
        const QByteArray tail = details.isEmpty() ? QByteArray() : "  " + details.join("  ");
        const int room = width - 1 - 2 - int(percent.size() + tail.size()); // a column spare, the brackets
        if (room >= kNarrowestBar || details.isEmpty()) {
            const int bar = std::clamp(room, 1, kBarWidth);
            const int filled = percentage * bar / 100;
            return '[' + QByteArray(filled, '#') + QByteArray(bar - filled, '-') + ']' + percent + tail;
        }
        details.removeLast();
    }
}

void JobBar::show(std::int64_t files, std::int64_t bytes)
{
    const auto now = std::chrono::steady_clock::now();
    if (m_shown && now - m_drawn < kBarRedraw)
        return;
    m_drawn = now;
    m_shown = true;
    const double seconds = std::chrono::duration<double>(now - m_started).count();
    writeAll(m_fd, '\r' + line(terminalWidth(m_fd), files, m_files, bytes, m_bytes, seconds) + "\x1b[K");
}

void JobBar::clear()
{
    if (std::exchange(m_shown, false))
        writeAll(m_fd, "\r\x1b[K");
}

void ProgressBar::clear()
{
    if (m_shown >= 0)
        writeAll(m_fd, "\r\x1b[K");
    m_shown = -1;
}

} // namespace trelvick::cli
