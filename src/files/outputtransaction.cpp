// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/outputtransaction.h"

#include "files/fileid.h"
#include "files/filelock.h"
#include "files/fileops.h"
#include "files/metadata.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/random.h>
#include <unistd.h>

namespace trelvick::files {

namespace {

using Kind = Destination::Kind;

// Fresh random names to try before giving up: a clash is all but impossible, so running out means
// something else is wrong.
constexpr int kTemporaryNameTries = 100;
constexpr char kTemporaryPrefix[] = ".trelvick-";
constexpr char kTemporarySuffix[] = ".tmp";
constexpr qsizetype kRandomDigits = 16;

base::Error failed(int errnum)
{
    return base::Error::system(errnum);
}

} // namespace

QByteArray temporaryName()
{
    unsigned char random[kRandomDigits / 2] = {};
    if (::getrandom(random, sizeof random, 0) != sizeof random) {
        // Never fails for so few bytes once the system is up; the exclusive create still guards.
        const auto fallback = static_cast<quint64>(std::chrono::steady_clock::now().time_since_epoch().count());
        std::memcpy(random, &fallback, sizeof random);
    }
    return kTemporaryPrefix + QByteArray::number(::getpid()) + '-' +
           QByteArray(reinterpret_cast<const char*>(random), sizeof random).toHex() + kTemporarySuffix;
}

namespace {

// The process that a temporary name says it belongs to.
std::optional<pid_t> temporaryOwner(QByteArrayView name)
{
    if (!name.startsWith(kTemporaryPrefix) || !name.endsWith(kTemporarySuffix))
        return std::nullopt;
    name = name.sliced(sizeof kTemporaryPrefix - 1).chopped(sizeof kTemporarySuffix - 1);
    const qsizetype dash = name.indexOf('-');
    bool number = false;
    const pid_t pid = dash > 0 ? name.first(dash).toInt(&number) : 0;
    const QByteArrayView random = name.sliced(dash + 1);
    if (!number || pid <= 0 || random.size() != kRandomDigits ||
        QByteArray::fromHex(random.toByteArray()).toHex() != random)
        return std::nullopt;
    return pid;
}

// Removes the leftover name in folder if it is an old regular file that no transaction holds: one
// that this process can lock both ways, while it still has that name.
void removeIfAbandoned(int folder, const char* name, const LeftoverSweep& ages)
{
    struct stat info;
    if (::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) || !ages.isOld(info))
        return;
    // For reading where allowed, else for writing: a new file has its output's mode, which may be either.
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    bool forWriting = false;
    Descriptor file(retryOnInterrupt([&] { return ::openat(folder, name, O_RDONLY | flags); }));
    if (!file && errno == EACCES) {
        forWriting = true;
        file = Descriptor(retryOnInterrupt([&] { return ::openat(folder, name, O_WRONLY | flags); }));
    }
    struct stat opened;
    if (!file || ::fstat(file.get(), &opened) != 0 || FileId::of(info) != FileId::of(opened) ||
        tryLockBoth(file.get(), forWriting) != 0)
        return;
    struct stat named;
    if (::fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && FileId::of(opened) == FileId::of(named))
        ::unlinkat(folder, name, 0);
}

// Temporary files of runs that are gone (killed between naming the new file and the rename, or
// while it was named from the start) are removed. A process of this PID namespace that still runs,
// or that cannot be told gone, keeps its file; so does a file locked by its run (which may live in
// another namespace or on another machine) and a young one (see LeftoverSweep).
void removeLeftovers(int folder, const LeftoverSweep& ages)
{
    const int listing = retryOnInterrupt([&] { return ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (listing < 0)
        return;
    const std::unique_ptr<DIR, int (*)(DIR*)> entries(::fdopendir(listing), ::closedir);
    if (!entries) {
        ::close(listing);
        return;
    }
    while (const dirent* entry = ::readdir(entries.get())) {
        const std::optional<pid_t> owner = temporaryOwner(entry->d_name);
        if (owner && *owner != ::getpid() && ::kill(*owner, 0) != 0 && errno == ESRCH)
            removeIfAbandoned(listing, entry->d_name, ages);
    }
}

} // namespace

// A minute: far longer than naming a new file and locking it take, even on a slow network file
// system, and far shorter than the time anyone comes back to a folder after a crash.
constexpr std::chrono::minutes kYoungLeftover(1);

LeftoverSweep::LeftoverSweep(std::chrono::system_clock::time_point now) : m_youngFrom(now - kYoungLeftover) {}

bool LeftoverSweep::isOld(const struct stat& file) const
{
    const auto at = [](const struct timespec& t) {
        return std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec)));
    };
    return at(file.st_mtim) < m_youngFrom && at(file.st_ctim) < m_youngFrom;
}

bool LeftoverSweep::firstVisit(const struct stat& folder)
{
    const FileId id = FileId::of(folder);
    const std::lock_guard lock(m_mutex);
    if (m_visited.contains(id))
        return false;
    m_visited.insert(id);
    return true;
}

OutputTransaction::OutputTransaction(Destination destination, const OutputRules& rules)
    : m_rules(rules), m_destination(std::move(destination))
{
    if (!rules.callerHoldsSignals)
        m_signals.emplace(m_destination.kind == Kind::New || m_destination.kind == Kind::Replace);
}

OutputTransaction::~OutputTransaction()
{
    m_file = Descriptor();
    if (!m_temporaryName.isEmpty())
        ::unlinkat(folder(), m_temporaryName.constData(), 0);
}

int OutputTransaction::descriptor() const
{
    return m_destination.kind == Kind::Stream ? m_destination.stream : m_file.get();
}

std::int64_t OutputTransaction::otherNames() const
{
    return m_destination.kind == Kind::Replace ? std::int64_t(m_replaced.st_nlink) - 1 : 0;
}

base::Error OutputTransaction::open(mode_t newMode)
{
    switch (m_destination.kind) {
    case Kind::Stream:
        return m_rules.regularOnly ? base::Error::fault(base::Fault::NotRegularFile) : base::Error{};
    case Kind::InPlace:
        return openInPlace();
    case Kind::New:
        return openTemporary(newMode);
    case Kind::Replace:
        return openReplacement();
    }
    return failed(EINVAL);
}

base::Error OutputTransaction::openInPlace()
{
    if (m_rules.regularOnly)
        return base::Error::fault(base::Fault::NotRegularFile);
    m_file = Descriptor(retryOnInterrupt([&] { return ::openat(folder(), name(), O_WRONLY | O_NOCTTY | O_CLOEXEC); }));
    struct stat info;
    if (!m_file || ::fstat(m_file.get(), &info) != 0)
        return failed(errno);
    // A regular file that took the device's place meanwhile is never written in place.
    return S_ISREG(info.st_mode) ? failed(EAGAIN) : base::Error{};
}

base::Error OutputTransaction::openReplacement()
{
    // As the shell judges it: a file the user may not write is not replaced either.
    if (::faccessat(folder(), name(), W_OK, AT_EACCESS) != 0)
        return failed(errno);
    // Opened for its metadata: for reading where allowed, else for writing (which changes nothing),
    // without following or waiting on anything that took its place meanwhile.
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    Descriptor old(retryOnInterrupt([&] { return ::openat(folder(), name(), O_RDONLY | flags); }));
    if (!old && errno == EACCES)
        old = Descriptor(retryOnInterrupt([&] { return ::openat(folder(), name(), O_WRONLY | flags); }));
    if (!old || ::fstat(old.get(), &m_replaced) != 0)
        return failed(errno);
    if (!S_ISREG(m_replaced.st_mode))
        return failed(EAGAIN);
    if (m_rules.expected && FileId::of(m_replaced) != *m_rules.expected)
        return base::Error::fault(base::Fault::FileChanged);
    // Private until it has the old file's permissions.
    if (const base::Error created = openTemporary(S_IRUSR | S_IWUSR))
        return created;
    return copyMetadata(old.get(), m_file.get(), m_replaced);
}

base::Error OutputTransaction::openTemporary(mode_t mode)
{
    // The link at the end goes through /proc; without it the file must be named from the start.
    if (m_rules.unnamedTemporary && ::access("/proc/self/fd", X_OK) == 0) {
        m_file = Descriptor(
            retryOnInterrupt([&] { return ::openat(folder(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode); }));
        if (m_file) {
            m_procPath = "/proc/self/fd/" + QByteArray::number(m_file.get());
            lockTemporary(); // before any name of ours can show it
            return {};
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return failed(errno);
    }
    const base::Error named = withFreshName([&](const char* name) {
        m_file = Descriptor(retryOnInterrupt(
            [&] { return ::openat(folder(), name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode); }));
        return bool(m_file);
    });
    if (!named)
        lockTemporary(); // a sweep meanwhile finds it young
    return named;
}

base::Error OutputTransaction::withFreshName(const std::function<bool(const char* name)>& place)
{
    sweepLeftovers();
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        const QByteArray name = temporaryName();
        if (place(name.constData())) {
            m_temporaryName = name;
            return {};
        }
        if (errno != EEXIST)
            return failed(errno);
    }
    return failed(EEXIST);
}

void OutputTransaction::sweepLeftovers() const
{
    struct stat info;
    if (m_rules.sweep && (::fstat(folder(), &info) != 0 || !m_rules.sweep->firstVisit(info)))
        return;
    if (m_rules.sweep)
        removeLeftovers(folder(), *m_rules.sweep);
    else
        removeLeftovers(folder(), LeftoverSweep());
}

void OutputTransaction::lockTemporary()
{
    // Not fatal: without the locks, the file is spared only while it is young.
    lockEachKind(m_file.get());
    // The locks belong to the open file: this copy keeps it open after the commit closes m_file to
    // learn of a late write failure, until the new file has its final name.
    m_lockHolder = Descriptor(::fcntl(m_file.get(), F_DUPFD_CLOEXEC, 0));
}

base::Error OutputTransaction::commit()
{
    switch (m_destination.kind) {
    case Kind::Stream:
        return {};
    case Kind::InPlace:
        if (const int closed = m_file.close())
            return failed(closed);
        return {};
    case Kind::New:
        return commitNew();
    case Kind::Replace:
        return commitReplacement();
    }
    return failed(EINVAL);
}

base::Error OutputTransaction::commitNew()
{
    if (m_temporaryName.isEmpty()) {
        if (::linkat(AT_FDCWD, m_procPath.constData(), folder(), name(), AT_SYMLINK_FOLLOW) != 0)
            return failed(errno);
        if (const int closed = m_file.close()) {
            // A late write failure: the output just named is not whole, so it goes again.
            ::unlinkat(folder(), name(), 0);
            return failed(closed);
        }
        return {};
    }
    if (const int closed = m_file.close())
        return failed(closed);
    if (const int renamed = renameNoReplaceAt(folder(), m_temporaryName.constData(), name()))
        return failed(renamed);
    m_temporaryName.clear();
    m_lockHolder = Descriptor();
    return {};
}

base::Error OutputTransaction::commitReplacement()
{
    if (!m_rules.groupCommit && ::fdatasync(m_file.get()) != 0)
        return failed(errno);
    restoreSpecialBits(m_file.get(), m_replaced);
    if (m_temporaryName.isEmpty()) {
        const base::Error named = withFreshName([&](const char* name) {
            return ::linkat(AT_FDCWD, m_procPath.constData(), folder(), name, AT_SYMLINK_FOLLOW) == 0;
        });
        if (named)
            return named;
    }
    if (const int closed = m_file.close())
        return failed(closed);
    if (::renameat(folder(), m_temporaryName.constData(), folder(), name()) != 0)
        return failed(errno);
    m_temporaryName.clear();
    m_lockHolder = Descriptor();
    if (m_rules.groupCommit)
        return {};
    // The rename is done and the data is on the disk; a folder that cannot be flushed (no read
    // permission, a file system without it) at worst brings the old output back after a crash.
    const Descriptor listing(
        retryOnInterrupt([&] { return ::openat(folder(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
    if (listing)
        ::fsync(listing.get());
    return {};
}

} // namespace trelvick::files
