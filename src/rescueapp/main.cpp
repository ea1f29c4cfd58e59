// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/catalog.h"
#include "platform/qtplatform.h"
#include "rescueapp/commandline.h"
#include "rescueapp/rescuewindow.h"

#include <QApplication>
#include <QIcon>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <pthread.h>
#include <system_error>
#include <unistd.h>

namespace {

using namespace Qt::StringLiterals;

QByteArray currentFolder()
{
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? QByteArray(buffer) : QByteArray();
}

int run(int argc, char* argv[])
{
    namespace rescueapp = trelvick::rescueapp;
    // --help and --version are answered before Qt looks for a display.
    if (const auto answer = rescueapp::answerBeforeStart(argc, argv))
        return rescueapp::deliver(*answer);

    // Threads QApplication starts inherit this mask, so they never take what a job holds back.
    sigset_t termination;
    sigset_t previous;
    sigemptyset(&termination);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&termination, signal);
    ::pthread_sigmask(SIG_BLOCK, &termination, &previous);
    QApplication application(argc, argv);
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    const rescueapp::Operands operands = rescueapp::operandsOf(argc, argv, currentFolder());
    if (operands.refusal)
        return rescueapp::deliver(*operands.refusal);
    // The X11 window class (StartupWMClass) and the Wayland application id of the menu entry.
    QGuiApplication::setApplicationName(u"TrelvickRescue"_s);
    QGuiApplication::setDesktopFileName(u"io.trelvick.Trelvick.Rescue"_s);
    QGuiApplication::setWindowIcon(QIcon(u":/icons/trelvick.png"_s));

    trelvick::platform::QtPlatform platform;
    // The window reads the Greek catalogue where the command line's gettext finds it.
    const QString localeFolder = trelvick::lang::catalogFolder(QCoreApplication::applicationFilePath());
    rescueapp::RescueWindow window(platform, rescueapp::Phrasebook::open(localeFolder, rescueapp::systemLanguage()));
    platform.setMainWindow(&window);
    window.show();
    window.addInputs(operands.paths);
    return QApplication::exec();
}

} // namespace

// Memory or a thread the system refuses ends the program with a message and the status of a fatal
// failure, never with an abort: a file is replaced only once its conversion is whole, so it stays as it was.
int main(int argc, char* argv[])
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "trelvick-rescue: stopped: %s\n", std::strerror(ENOMEM));
    } catch (const std::system_error& error) {
        std::fprintf(stderr, "trelvick-rescue: stopped: %s\n", std::strerror(error.code().value()));
    } catch (...) {
        std::fputs("trelvick-rescue: stopped\n", stderr);
    }
    return 1;
}
