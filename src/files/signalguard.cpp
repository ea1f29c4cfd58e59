// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/signalguard.h"

#include <ctime>
#include <pthread.h>

namespace trelvick::files {

namespace {

constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP};

} // namespace

SignalGuard::SignalGuard(bool holdTermination)
{
    // A signal the caller holds back already stays the caller's.
    ::pthread_sigmask(SIG_BLOCK, nullptr, &m_previous);
    sigemptyset(&m_held);
    if (!sigismember(&m_previous, SIGXFSZ))
        sigaddset(&m_held, SIGXFSZ);
    for (const int signal : kTerminationSignals) {
        struct sigaction action = {};
        if (holdTermination && !sigismember(&m_previous, signal) && ::sigaction(signal, nullptr, &action) == 0 &&
            action.sa_handler != SIG_IGN) {
            sigaddset(&m_held, signal);
            m_holdsTermination = true;
        }
    }
    ::pthread_sigmask(SIG_BLOCK, &m_held, nullptr);
}

SignalGuard::~SignalGuard()
{
    if (sigismember(&m_held, SIGXFSZ)) {
        sigset_t fileSize;
        sigemptyset(&fileSize);
        sigaddset(&fileSize, SIGXFSZ);
        const timespec now = {};
        while (::sigtimedwait(&fileSize, nullptr, &now) == SIGXFSZ) {
        }
    }
    ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

bool SignalGuard::terminationPending() const
{
    sigset_t pending;
    if (!m_holdsTermination || ::sigpending(&pending) != 0)
        return false;
    for (const int signal : kTerminationSignals) {
        if (sigismember(&m_held, signal) && sigismember(&pending, signal))
            return true;
    }
    return false;
}

} // namespace trelvick::files
