// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"
#include "cli/options.h"
#include "config/configuration.h"
#include "files/fileops.h"

#include <QCoreApplication>
#include <unistd.h>

int main(int argc, char* argv[])
{
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
    context.errorIsTerminal = ::isatty(STDERR_FILENO) == 1;
    return trelvick::cli::run(arguments, context);
}
