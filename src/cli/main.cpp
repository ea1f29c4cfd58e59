// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"
#include "cli/options.h"
#include "config/configuration.h"
#include "files/fileops.h"
#include "lang/catalog.h"
#include "lang/clitexts.h"
#include "lang/errortext.h"
#include "lang/escape.h"

#include <QCoreApplication>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <new>
#include <system_error>
#include <unistd.h>

namespace {

// A standard stream closed at start is opened on /dev/null before anything else, so that no file
// the program (or Qt) opens takes its number and is then read or written as that stream. Returns
// whether it was closed.
bool holdIfClosed(int fd)
{
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
        return false;
    // The lowest free number is fd itself: the ones below it are open or held already.
    const int held = ::open("/dev/null", (fd == STDIN_FILENO ? O_RDONLY : O_WRONLY) | O_CLOEXEC);
    if (held >= 0 && held != fd)
        ::close(held);
    return true;
}

// Why an exception ended the run, as a message shows it.
QString reasonOf(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return trelvick::lang::systemErrorText(ENOMEM, trelvick::lang::messageLanguage());
    } catch (const std::system_error& error) {
        if (error.code().category() == std::generic_category() || error.code().category() == std::system_category())
            return trelvick::lang::systemErrorText(error.code().value(), trelvick::lang::messageLanguage());
        return trelvick::lang::escaped(QString::fromLocal8Bit(error.what())).text();
    } catch (const std::exception& error) {
        return trelvick::lang::escaped(QString::fromLocal8Bit(error.what())).text();
    } catch (...) {
    }
    return trelvick::lang::systemErrorText(EIO, trelvick::lang::messageLanguage());
}

// What the system refused the program (memory under ulimit -v, a thread under ulimit -u) ends the
// run with a message and status 2, never with an abort and a core dump.
int stoppedBy(const std::exception_ptr& failure)
{
    try {
        const QByteArray text =
            trelvick::lang::cli::messageLine(trelvick::lang::cli::stopped(reasonOf(failure))).toUtf8();
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stderr);
    } catch (...) {
        std::fputs("trelvick-convert: stopped: out of memory\n", stderr);
    }
    return 2;
}

int run(int argc, char* argv[])
{
    const bool inputClosed = holdIfClosed(STDIN_FILENO);
    const bool outputClosed = holdIfClosed(STDOUT_FILENO);
    holdIfClosed(STDERR_FILENO);
    // A file-size limit (ulimit -f) fails a write with EFBIG, reported like a full disk, instead of
    // ending the program without a word.
    ::signal(SIGXFSZ, SIG_IGN);

    // File names are bytes: each argument is taken so that it gives back its very bytes, whatever
    // the locale and even when it is not valid UTF-8.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << trelvick::files::decodeNativePath(argv[i]);

    // For the program's folder, where tq.ini lies (unless the user keeps one), found as the window finds it.
    QCoreApplication application(argc, argv);
    // The messages' language and the numbers' digits, as the environment asks (after Qt, which sets the
    // locale on its own too); the catalogue lies by the program's real file (Qt reads /proc/self/exe),
    // whatever link ran it.
    trelvick::lang::openCatalog(QCoreApplication::applicationFilePath());

    trelvick::cli::Context context;
    context.programFolder = QCoreApplication::applicationDirPath();
    context.personalConfigFolder = trelvick::config::personalConfigFolder();
    context.language = trelvick::lang::messageLanguage();
    context.inputFd = inputClosed ? -1 : STDIN_FILENO;
    context.outputFd = outputClosed ? -1 : STDOUT_FILENO;
    context.errorIsTerminal = ::isatty(STDERR_FILENO) == 1;
    return trelvick::cli::run(arguments, context);
}

} // namespace

int main(int argc, char* argv[])
{
    try {
        return run(argc, argv);
    } catch (...) {
        return stoppedBy(std::current_exception());
    }
}
