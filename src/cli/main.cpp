#include "cli/cli.h"

#include <QCoreApplication>
#include <unistd.h>

int main(int argc, char* argv[])
{
    // For the program's folder, where tq.ini lies (unless the user keeps one), found as the window finds it.
    QCoreApplication application(argc, argv);

    trelvick::cli::Context context;
    context.programFolder = QCoreApplication::applicationDirPath();
    context.personalConfigFolder = trelvick::config::personalConfigFolder();
    context.language = trelvick::cli::languageOf(qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_MESSAGES"),
                                                 qEnvironmentVariable("LANG"));
    context.errorIsTerminal = ::isatty(STDERR_FILENO) == 1;
    return trelvick::cli::run(QCoreApplication::arguments().mid(1), context);
}
