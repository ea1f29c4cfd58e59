// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"
#include "app/identity.h"
#include "app/mainwindow.h"
#include "platform/qtplatform.h"

#include <QApplication>

#include <csignal>
#include <pthread.h>

int main(int argc, char* argv[])
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
