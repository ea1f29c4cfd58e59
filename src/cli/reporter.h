// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "cli/cli.h"
#include "files/fileconversion.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>

// What every form of trelvick-convert writes besides its converted bytes: messages, notices,
// printed results and the progress bar.
namespace trelvick::cli {

// Texts go out through the same descriptor writes as converted bytes.
base::Error writeAll(int fd, const QByteArray& bytes);

// The one write of --list, --show, --help and --version: a full disk or a closed pipe is reported
// like any failed output, not passed over.
int printResult(const Context& context, const QString& text);

// Whether input and output name one file ("-" the standard streams): converting would destroy the
// input. Only a regular file behind a standard stream counts: a terminal or a pipe on both sides is
// no danger.
bool sameFile(const Context& context, const QString& input, const QString& output);

class Reporter
{
public:
    Reporter(const Context& context, bool quiet) : m_context(context), m_quiet(quiet) {}

    lang::Language language() const { return m_context.language; }
    // "trelvick-convert: TEXT" on standard error, --quiet or not.
    void error(const QString& text) const;
    // A line on standard error that --quiet silences.
    void notice(const QString& text) const;
    int print(const QString& text) const { return printResult(m_context, text); }
    // How a path is named in messages: escaped, or "standard input/output" for "-".
    QString shown(const QString& path, bool isInput) const;
    bool wantsProgress(std::int64_t size) const;
    int errorFd() const { return m_context.errorFd; }

private:
    const Context& m_context;
    bool m_quiet;
};

class ProgressBar;

// One file converted into another with a bar on the terminal, once the input turns out large enough.
class ConversionProgress final
{
public:
    explicit ConversionProgress(const Reporter& reporter) : m_reporter(reporter) {}
    files::ConversionOutcome convert(files::FileConversion conversion, const convert::Converter& converter) const;

private:
    const Reporter& m_reporter;
};

// A bar redrawn in place on the terminal: "[#######---------]  42%", gone when destroyed.
class ProgressBar final
{
public:
    explicit ProgressBar(int fd) : m_fd(fd) {}
    ~ProgressBar() { clear(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void show(int percentage, const QByteArray& tail = {});
    void clear();

private:
    int m_fd;
    int m_shown = -1;
    QByteArray m_tail;
};

// The bar of a job over many files, on a terminal:
//     [#######-------------]  35%  1051/3000 files  4.1/11.7 MiB  2.3 MiB/s  0:03 left
// drawn at most ten times a second, fit to the terminal's width (the details dropped first, the bar
// shortened last), and gone when destroyed.
class JobBar final
{
public:
    JobBar(int fd, std::int64_t files, std::int64_t bytes);
    ~JobBar() { clear(); }
    JobBar(const JobBar&) = delete;
    JobBar& operator=(const JobBar&) = delete;

    void show(std::int64_t files, std::int64_t bytes);
    void clear();

    // The line for a terminal of width columns, after so many seconds (tested without a terminal).
    static QByteArray line(int width, std::int64_t files, std::int64_t totalFiles, std::int64_t bytes,
                           std::int64_t totalBytes, double seconds);

private:
    int m_fd;
    std::int64_t m_files;
    std::int64_t m_bytes;
    std::chrono::steady_clock::time_point m_started;
    std::chrono::steady_clock::time_point m_drawn;
    bool m_shown = false;
};

} // namespace trelvick::cli
