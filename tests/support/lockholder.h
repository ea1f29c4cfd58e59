// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Another process that holds a lock on a file, as a run in another container would.

#include <QByteArray>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace trelvick::testsupport {

enum class HeldLock
{
    Record, // a POSIX record lock over the whole file (fcntl F_SETLK), the kind NFS passes on
    Flock,
};

// A child process that locks path exclusively until this goes out of scope. held() says whether
// it got the lock.
class LockHolder
{
public:
    LockHolder(const QByteArray& path, HeldLock kind)
    {
        int ready[2], release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            return;
        m_child = ::fork();
        if (m_child == 0) { // only calls that are safe after a fork
            ::close(ready[0]);
            ::close(release[1]);
            const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
            struct flock record = {};
            record.l_type = F_WRLCK;
            record.l_whence = SEEK_SET;
            const bool locked = fd >= 0 && (kind == HeldLock::Record ? ::fcntl(fd, F_SETLK, &record) == 0
                                                                     : ::flock(fd, LOCK_EX | LOCK_NB) == 0);
            const char answer = locked ? 'y' : 'n';
            char any;
            if (::write(ready[1], &answer, 1) != 1 || ::read(release[0], &any, 1) < 0)
                ::_exit(1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        m_release = release[1];
        char answer = 'n';
        m_held = m_child > 0 && ::read(ready[0], &answer, 1) == 1 && answer == 'y';
        ::close(ready[0]);
    }
    ~LockHolder()
    {
        if (m_release >= 0)
            ::close(m_release); // the child's read ends, and so does the child
        if (m_child > 0)
            ::waitpid(m_child, nullptr, 0);
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool held() const { return m_held; }

private:
    pid_t m_child = -1;
    int m_release = -1;
    bool m_held = false;
};

} // namespace trelvick::testsupport
