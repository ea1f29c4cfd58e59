// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <csignal>

namespace trelvick::files {

// Holds back, while an output is written, the signals that would end the program before it could
// tidy up:
//  - SIGXFSZ always, so that a file-size limit (ulimit -f) fails the write with EFBIG, as a full disk
//    does, and the previous output stays; one raised meanwhile is dropped when the guard ends;
//  - with holdTermination, SIGINT, SIGTERM and SIGHUP (those not ignored), for as long as a
//    temporary file may carry a name, so that it can be removed first; when the guard ends, one
//    that came meanwhile takes its usual course.
class SignalGuard final
{
public:
    explicit SignalGuard(bool holdTermination);
    ~SignalGuard();
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

    bool holdsTermination() const { return m_holdsTermination; }
    // Whether a termination signal is waiting to be let through.
    bool terminationPending() const;

private:
    bool m_holdsTermination = false;
    sigset_t m_held;
    sigset_t m_previous;
};

} // namespace trelvick::files
