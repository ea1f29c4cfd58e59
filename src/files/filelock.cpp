// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/filelock.h"

#include "files/fileid.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace trelvick::files {

namespace {

// Between two tries while another holds the lock: short against a human's patience, long against
// the few system calls of a try.
constexpr std::chrono::milliseconds kRetryInterval(20);

// type: F_WRLCK, F_RDLCK or F_UNLCK. 0, EWOULDBLOCK, or the errno of the refusal.
int recordLock(int fd, short type)
{
    struct flock record = {};
    record.l_type = type;
    record.l_whence = SEEK_SET; // from 0 with length 0: the whole file, however long it grows
    if (::fcntl(fd, F_OFD_SETLK, &record) == 0)
        return 0;
    return errno == EAGAIN || errno == EACCES ? EWOULDBLOCK : errno;
}

int flockLock(int fd, int operation)
{
    return retryOnInterrupt([&] { return ::flock(fd, operation | LOCK_NB); }) == 0 ? 0 : errno;
}

} // namespace

int tryLockBoth(int fd, bool exclusive)
{
    if (const int refused = recordLock(fd, exclusive ? F_WRLCK : F_RDLCK))
        return refused;
    if (const int refused = flockLock(fd, exclusive ? LOCK_EX : LOCK_SH)) {
        recordLock(fd, F_UNLCK);
        return refused;
    }
    return 0;
}

void lockEachKind(int fd)
{
    recordLock(fd, F_WRLCK);
    flockLock(fd, LOCK_EX);
}

LockFile::LockFile(Descriptor folder, QByteArray name, Descriptor file)
    : m_folder(std::move(folder)), m_name(std::move(name)), m_file(std::move(file))
{
}

LockFile::~LockFile()
{
    if (m_file)
        ::unlinkat(m_folder.get(), m_name.constData(), 0);
}

base::Expected<LockFile> LockFile::acquire(int folder, const QByteArray& name, std::chrono::milliseconds patience)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    Descriptor kept(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    if (!kept)
        return base::Error::system(errno);
    for (;;) {
        Descriptor file(retryOnInterrupt([&] {
            return ::openat(folder, name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                            0666);
        }));
        struct stat held;
        if (!file || ::fstat(file.get(), &held) != 0)
            return base::Error::system(errno);
        if (!S_ISREG(held.st_mode))
            return base::Error::fault(base::Fault::NotRegularFile);
        const int locked = tryLockBoth(file.get(), true);
        struct stat named;
        if (locked == 0 && ::fstatat(folder, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            FileId::of(held) == FileId::of(named))
            return LockFile(std::move(kept), name, std::move(file));
        if (locked != 0 && locked != EWOULDBLOCK)
            return base::Error::system(locked);
        // Held by another, or let go and removed by its holder just now: try the name again.
        if (locked == EWOULDBLOCK && std::chrono::steady_clock::now() >= deadline)
            return base::Error::fault(base::Fault::LockHeld);
        if (locked == EWOULDBLOCK)
            std::this_thread::sleep_for(kRetryInterval);
    }
}

} // namespace trelvick::files
