// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"
#include "cli/options.h"
#include "config/configuration.h"
#include "files/fileops.h"

#include <QCoreApplication>
#include <csignal>
#include <fcntl.h>
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

} // namespace

int main(int argc, char* argv[])
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

    trelvick::cli::Context context;
    context.programFolder = QCoreApplication::applicationDirPath();
    context.personalConfigFolder = trelvick::config::personalConfigFolder();
    context.language = trelvick::cli::languageOf(qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_MESSAGES"),
                                                 qEnvironmentVariable("LANG"));
    context.inputFd = inputClosed ? -1 : STDIN_FILENO;
    context.outputFd = outputClosed ? -1 : STDOUT_FILENO;
    context.errorIsTerminal = ::isatty(STDERR_FILENO) == 1;
    return trelvick::cli::run(arguments, context);
}
