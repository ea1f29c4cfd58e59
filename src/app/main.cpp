// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"
#include "app/identity.h"
#include "app/mainwindow.h"
#include "platform/qtplatform.h"

#include <QApplication>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <pthread.h>
#include <system_error>

namespace {

int run(int argc, char* argv[])
{
    // --help and --version are answered before Qt looks for a display.
    if (const auto answer = trelvick::app::answerBeforeStart(trelvick::app::argumentsOf(argc, argv)))
        return trelvick::app::deliver(*answer);

    // Threads QApplication starts inherit this mask, so they never take what the main thread's conversion holds back.
    sigset_t termination;
    sigset_t previous;
    sigemptyset(&termination);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&termination, signal);
    ::pthread_sigmask(SIG_BLOCK, &termination, &previous);
    QApplication application(argc, argv);
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    // Qt has taken its own options out of argv; the window takes nothing else.
    if (const auto refusal = trelvick::app::refuseLeftOver(trelvick::app::argumentsOf(argc, argv)))
        return trelvick::app::deliver(*refusal);
    trelvick::app::setApplicationIdentity();
    QApplication::setQuitOnLastWindowClosed(false);

    trelvick::platform::QtPlatform platform;
    trelvick::app::MainWindow window(platform);
    platform.setMainWindow(&window);
    if (!window.load())
        return platform.exitStatus();
    window.show();
    return QApplication::exec();
}

} // namespace

// Memory or a thread the system refuses (ulimit -v, ulimit -u) ends the program with a message on
// standard error and the status of a fatal failure, never with an abort and a core dump; an output
// is replaced only once it is whole, so it stays as it was.
int main(int argc, char* argv[])
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "trelvick: stopped: %s\n", std::strerror(ENOMEM));
    } catch (const std::system_error& error) {
        std::fprintf(stderr, "trelvick: stopped: %s\n", std::strerror(error.code().value()));
    } catch (...) {
        std::fputs("trelvick: stopped\n", stderr);
    }
    return 1;
}
