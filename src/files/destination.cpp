// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/destination.h"

#include "files/fileid.h"
#include "files/paths.h"

#include <climits>
#include <fcntl.h>
#include <linux/magic.h>
#include <optional>
#include <sys/vfs.h>

namespace trelvick::files {

namespace {

using Kind = Destination::Kind;

// As many links as the system itself follows within one path.
constexpr int kMaxLinkHops = 40;

base::Error failed(int errnum)
{
    return base::Error::system(errnum);
}

bool inProc(int folder)
{
    struct statfs system;
    return ::fstatfs(folder, &system) == 0 && system.f_type == PROC_SUPER_MAGIC;
}

// N, when name in folder is /proc/self/fd/N of this very process.
std::optional<int> ownDescriptor(int folder, const QByteArray& name)
{
    struct stat own;
    struct stat here;
    if (::stat("/proc/self/fd", &own) != 0 || ::fstat(folder, &here) != 0 || FileId::of(own) != FileId::of(here))
        return std::nullopt;
    bool number = false;
    const int fd = name.toInt(&number);
    if (!number || fd < 0 || QByteArray::number(fd) != name)
        return std::nullopt;
    return fd;
}

// A link within /proc (a descriptor of another process, a task's root) is opened rather than read:
// its text need not be a path at all ("pipe:[1234]", "/a (deleted)").
base::Expected<Destination> procLink(Descriptor folder, QByteArray name)
{
    if (const std::optional<int> fd = ownDescriptor(folder.get(), name))
        return streamDestination(*fd);
    const Descriptor object(
        retryOnInterrupt([&] { return ::openat(folder.get(), name.constData(), O_PATH | O_CLOEXEC); }));
    Destination found;
    found.kind = Kind::InPlace;
    found.folder = std::move(folder);
    found.name = std::move(name);
    if (!object || ::fstat(object.get(), &found.info) != 0)
        return failed(errno);
    if (S_ISDIR(found.info.st_mode))
        return failed(EISDIR);
    if (S_ISREG(found.info.st_mode))
        return base::Error::fault(base::Fault::LinkUnresolved);
    return found;
}

} // namespace

base::Expected<Destination> streamDestination(int fd)
{
    Destination found;
    found.kind = Kind::Stream;
    if (::fstat(fd, &found.info) != 0)
        return failed(errno);
    found.stream = fd;
    return found;
}

base::Expected<Destination> destinationAt(int folder, const QByteArray& name)
{
    Destination found;
    found.name = name;
    found.folder = Descriptor(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    if (!found.folder)
        return failed(errno);
    if (::fstatat(folder, name.constData(), &found.info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? base::Expected<Destination>(std::move(found)) : failed(errno);
    if (S_ISDIR(found.info.st_mode))
        return failed(EISDIR);
    if (!S_ISREG(found.info.st_mode))
        return base::Error::fault(base::Fault::NotRegularFile);
    found.kind = Kind::Replace;
    return found;
}

base::Expected<Destination> findDestination(const QByteArray& path)
{
    if (path.isEmpty())
        return failed(ENOENT);
    if (path.contains('\0')) // no system call takes it, and cut there it would name another file
        return failed(EINVAL);
    Descriptor folder;
    SplitPath next = splitPath(path);
    for (int hops = 0; hops <= kMaxLinkHops; ++hops) {
        if (next.name.isEmpty() || next.name == "." || next.name == "..")
            return failed(EISDIR);
        // Relative to the folder of the link that led here (at first the working folder).
        Descriptor opened(retryOnInterrupt([&] {
            return ::openat(folder ? folder.get() : AT_FDCWD, next.folder.constData(),
                            O_PATH | O_DIRECTORY | O_CLOEXEC);
        }));
        if (!opened)
            return failed(errno);
        folder = std::move(opened);

        Destination found;
        found.folder = std::move(folder);
        found.name = std::move(next.name);
        if (::fstatat(found.folder.get(), found.name.constData(), &found.info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                return failed(errno);
            return found;
        }
        if (S_ISDIR(found.info.st_mode))
            return failed(EISDIR);
        if (!S_ISLNK(found.info.st_mode)) {
            found.kind = S_ISREG(found.info.st_mode) ? Kind::Replace : Kind::InPlace;
            return found;
        }
        if (inProc(found.folder.get()))
            return procLink(std::move(found.folder), std::move(found.name));

        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t length =
            ::readlinkat(found.folder.get(), found.name.constData(), target.data(), std::size_t(target.size()));
        if (length < 0 || length == target.size())
            return failed(length < 0 ? errno : ENAMETOOLONG);
        target.truncate(length);
        folder = std::move(found.folder);
        next = splitPath(target); // an absolute target ignores the folder it is opened from
    }
    return failed(ELOOP);
}

} // namespace trelvick::files
