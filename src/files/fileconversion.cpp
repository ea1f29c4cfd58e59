// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/fileconversion.h"

#include "files/fileops.h"
#include "files/posixfile.h"

#include <QHash>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace trelvick::files {

namespace {

using Failed = ConversionOutcome::Failed;

ConversionOutcome failure(Failed side, int errnum)
{
    return {side, systemErrorText(errnum), {}};
}

int retryOnInterrupt(const std::function<int()>& call)
{
    int result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

// Holds back the signals that end a program from the terminal or the session (those not ignored)
// while a temporary file may carry a name, so that it can be removed first. When the guard ends, a
// signal that came meanwhile takes its usual course.
class TerminationGuard final
{
public:
    TerminationGuard()
    {
        sigemptyset(&m_watched);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction action = {};
            if (::sigaction(signal, nullptr, &action) == 0 && action.sa_handler != SIG_IGN)
                sigaddset(&m_watched, signal);
        }
        ::pthread_sigmask(SIG_BLOCK, &m_watched, &m_previous);
    }
    ~TerminationGuard() { ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    TerminationGuard(const TerminationGuard&) = delete;
    TerminationGuard& operator=(const TerminationGuard&) = delete;

    bool pending() const
    {
        sigset_t pending;
        if (::sigpending(&pending) != 0)
            return false;
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            if (sigismember(&m_watched, signal) && sigismember(&pending, signal))
                return true;
        }
        return false;
    }

private:
    sigset_t m_watched;
    sigset_t m_previous;
};

// Reads stop at a held-back termination signal, also while the input (a FIFO, a terminal) has
// nothing to give: the wait is cut into short polls.
class GuardedSource final : public convert::ByteSource
{
public:
    // fd is polled unless it is a regular file, which never keeps a read waiting.
    GuardedSource(convert::ByteSource& source, int fd, bool regular, const TerminationGuard& guard)
        : m_source(source), m_fd(fd), m_regular(regular), m_guard(guard)
    {
    }
    std::int64_t read(char* buffer, std::int64_t capacity) override
    {
        for (;;) {
            if (m_guard.pending()) {
                m_error = systemErrorText(EINTR);
                return -1;
            }
            if (m_regular)
                break;
            pollfd ready = {m_fd, POLLIN, 0};
            if (::poll(&ready, 1, 100) != 0)
                break; // readable, closed or failing: the read tells which
        }
        return m_source.read(buffer, capacity);
    }
    QString errorString() const override { return m_error.isEmpty() ? m_source.errorString() : m_error; }

private:
    convert::ByteSource& m_source;
    int m_fd;
    bool m_regular;
    const TerminationGuard& m_guard;
    QString m_error;
};

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return ".";
    return slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// Where the result goes.
struct Target
{
    enum Kind
    {
        New,     // nothing there yet: created
        Replace, // a regular file: replaced in one step
        InPlace, // a device, FIFO, terminal or pipe: written as it is
    } kind = New;
    QByteArray path;       // the file itself, links followed
    struct stat info = {}; // of the file replaced
};

// The end of a chain of links whose last file does not exist yet, where a new output is created.
std::optional<QByteArray> danglingEnd(QByteArray path, int* error)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (::lstat(path.constData(), &info) != 0) {
            if (errno == ENOENT)
                return path;
            *error = errno;
            return std::nullopt;
        }
        if (!S_ISLNK(info.st_mode)) {
            *error = EEXIST; // it appeared meanwhile
            return std::nullopt;
        }
        QByteArray link(PATH_MAX, Qt::Uninitialized);
        const ssize_t length = ::readlink(path.constData(), link.data(), static_cast<std::size_t>(link.size()));
        if (length < 0 || length == link.size()) {
            *error = length < 0 ? errno : ENAMETOOLONG;
            return std::nullopt;
        }
        link.truncate(length);
        path = link.startsWith('/') ? link : folderOf(path) + '/' + link;
    }
    *error = ELOOP;
    return std::nullopt;
}

std::optional<Target> findTarget(const QByteArray& path, int* error)
{
    Target target;
    target.path = path;
    if (::stat(path.constData(), &target.info) != 0) {
        if (errno != ENOENT) {
            *error = errno;
            return std::nullopt;
        }
        const std::optional<QByteArray> end = danglingEnd(path, error);
        if (!end)
            return std::nullopt;
        target.path = *end;
        return target;
    }
    if (S_ISDIR(target.info.st_mode)) {
        *error = EISDIR;
        return std::nullopt;
    }
    if (!S_ISREG(target.info.st_mode)) {
        target.kind = Target::InPlace;
        return target;
    }
    target.kind = Target::Replace;
    struct stat own;
    if (::lstat(path.constData(), &own) == 0 && S_ISLNK(own.st_mode)) {
        // Replaced where the link leads, so the link stays a link. A file only reachable through a
        // descriptor (/dev/stdout of a deleted file) has no name to replace: it is written in place.
        char* real = ::realpath(path.constData(), nullptr);
        struct stat found;
        if (real && ::stat(real, &found) == 0 && found.st_dev == target.info.st_dev &&
            found.st_ino == target.info.st_ino)
            target.path = real;
        else
            target.kind = Target::InPlace;
        std::free(real);
    }
    return target;
}

// The new contents of a regular output until they take its name. Unnamed where the system allows,
// so that nothing of it survives a killed process; removed when it goes out of scope unkept.
class Temporary final
{
public:
    explicit Temporary(int folder) : m_folder(folder) {}
    ~Temporary()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_name.isEmpty())
            ::unlinkat(m_folder, m_name.constData(), 0);
        ::close(m_folder);
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    int create(mode_t mode, bool unnamed)
    {
        // The link at the end goes through /proc; without it the file must be named from the start.
        if (unnamed && ::access("/proc/self/fd", X_OK) == 0) {
            m_fd = retryOnInterrupt([&] { return ::openat(m_folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode); });
            if (m_fd >= 0)
                return 0;
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                return errno;
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = uniqueName();
            m_fd = retryOnInterrupt([&] {
                return ::openat(m_folder, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
            });
            if (m_fd >= 0) {
                m_name = name;
                return 0;
            }
            if (errno != EEXIST)
                return errno;
        }
        return EEXIST;
    }

    int fd() const { return m_fd; }
    bool named() const { return !m_name.isEmpty(); }

    // Gives the file its final name: closed first, then renamed over the old output in one step. A
    // new output needs no step between: the unnamed file is linked under its name, which fails
    // rather than replaces should a file have taken that name meanwhile.
    int keep(const QByteArray& finalName, bool replacing)
    {
        if (m_name.isEmpty() && !replacing) {
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
            if (::linkat(AT_FDCWD, self.constData(), m_folder, finalName.constData(), AT_SYMLINK_FOLLOW) != 0)
                return errno;
            if (::close(std::exchange(m_fd, -1)) != 0 && errno != EINTR) {
                // A late write failure: the output it named is not whole, so it goes again.
                const int failure = errno;
                ::unlinkat(m_folder, finalName.constData(), 0);
                return failure;
            }
            return 0;
        }
        if (m_name.isEmpty()) {
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
            for (int attempt = 0; m_name.isEmpty(); ++attempt) {
                const QByteArray name = uniqueName();
                if (::linkat(AT_FDCWD, self.constData(), m_folder, name.constData(), AT_SYMLINK_FOLLOW) == 0)
                    m_name = name;
                else if (errno != EEXIST || attempt == 100)
                    return errno;
            }
        }
        const int closed = ::close(std::exchange(m_fd, -1));
        if (closed != 0 && errno != EINTR)
            return errno;
        if (::renameat(m_folder, m_name.constData(), m_folder, finalName.constData()) != 0)
            return errno;
        m_name.clear();
        return 0;
    }

private:
    static QByteArray uniqueName()
    {
        unsigned char random[8] = {};
        if (::getrandom(random, sizeof random, 0) != sizeof random) {
            // Never fails for so few bytes once the system is up; the exclusive create still guards.
            const auto fallback = static_cast<quint64>(std::chrono::steady_clock::now().time_since_epoch().count());
            std::memcpy(random, &fallback, sizeof random);
        }
        return ".tq-" + QByteArray(reinterpret_cast<const char*>(random), sizeof random).toHex() + ".tmp";
    }

    int m_folder;
    int m_fd = -1;
    QByteArray m_name;
};

// A descriptor the conversion opened itself, closed when it goes out of scope.
class OwnedDescriptor final
{
public:
    OwnedDescriptor() = default;
    ~OwnedDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    OwnedDescriptor(const OwnedDescriptor&) = delete;
    OwnedDescriptor& operator=(const OwnedDescriptor&) = delete;
    int& fd() { return m_fd; }
    // On Linux the descriptor is gone even after EINTR, so the close is never retried.
    int close() { return ::close(std::exchange(m_fd, -1)) != 0 && errno != EINTR ? errno : 0; }

private:
    int m_fd = -1;
};

} // namespace

ConversionOutcome convertFile(const FileConversion& request, const convert::ConversionTable& table)
{
    // The input first: nothing is touched on the output side for an input that cannot be read.
    InputFile inputFile;
    int inputFd = request.inputFd;
    if (inputFd < 0) {
        if (!inputFile.open(request.input))
            return {Failed::Input, inputFile.errorString(), {}};
        inputFd = inputFile.descriptor();
    }
    DescriptorSource standardInput(inputFd);
    convert::ByteSource* source = request.inputFd < 0 ? static_cast<convert::ByteSource*>(&inputFile) : &standardInput;
    struct stat input = {};
    if (::fstat(inputFd, &input) != 0)
        return failure(Failed::Input, errno);
    if (S_ISDIR(input.st_mode))
        return failure(Failed::Input, EISDIR);
    const std::int64_t size = S_ISREG(input.st_mode) ? static_cast<std::int64_t>(input.st_size) : -1;

    std::optional<Target> target;
    if (request.outputFd < 0) {
        int error = 0;
        target = findTarget(nativePath(request.output), &error);
        if (!target)
            return failure(Failed::Output, error);
    }

    int outputFd = request.outputFd;
    OwnedDescriptor inPlace;
    std::optional<TerminationGuard> guard;
    std::optional<Temporary> temporary;
    if (target && target->kind == Target::InPlace) {
        inPlace.fd() = retryOnInterrupt([&] { return ::open(target->path.constData(), O_WRONLY | O_CLOEXEC); });
        if (inPlace.fd() < 0)
            return failure(Failed::Output, errno);
        outputFd = inPlace.fd();
    } else if (target) {
        const int folder = ::open(folderOf(target->path).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0)
            return failure(Failed::Output, errno);
        // Declared before the temporary file, so it ends after the file is gone.
        guard.emplace();
        temporary.emplace(folder);
        // A new output is no more open than its input; a replaced one keeps its own permissions.
        const bool replacing = target->kind == Target::Replace;
        const mode_t mode = replacing             ? target->info.st_mode & 07777
                            : request.inputFd < 0 ? input.st_mode & 0777
                                                  : 0666;
        if (const int created = temporary->create(mode, request.unnamedTemporary))
            return failure(Failed::Output, created);
        outputFd = temporary->fd();
        if (replacing) {
            if (::fchown(outputFd, target->info.st_uid, target->info.st_gid) != 0)
                static_cast<void>(::fchown(outputFd, static_cast<uid_t>(-1), target->info.st_gid));
            // The umask may have taken bits the old output had; it gets them back, and no more.
            static_cast<void>(::fchmod(outputFd, mode));
        }
    }
    DescriptorSink sink(outputFd);

    std::optional<GuardedSource> guarded;
    if (guard) {
        guarded.emplace(*source, inputFd, S_ISREG(input.st_mode), *guard);
        source = &*guarded;
    }

    if (request.started)
        request.started(size);
    const convert::EngineResult result = convert::convertStream(
        *source, sink, table, request.progress, request.interval,
        S_ISREG(input.st_mode) ? convert::ReadThread::WhenProcessorIdle : convert::ReadThread::Never);
    inputFile.close();
    if (!result.ok) {
        return {result.failedSide == convert::FailedSide::Source ? Failed::Input : Failed::Output, result.error,
                result.counts};
    }
    if (inPlace.fd() >= 0) {
        if (const int closed = inPlace.close())
            return {Failed::Output, systemErrorText(closed), result.counts};
    }
    if (temporary) {
        if (const int kept = temporary->keep(nameOf(target->path), target->kind == Target::Replace))
            return {Failed::Output, systemErrorText(kept), result.counts};
    }
    return {Failed::Nothing, {}, result.counts};
}

QList<qsizetype> batchConflicts(const QStringList& inputs)
{
    QHash<QByteArray, qsizetype> byName;
    QHash<std::pair<quint64, quint64>, qsizetype> byFile;
    for (qsizetype j = 0; j < inputs.size(); ++j) {
        byName.insert(nativePath(inputs.at(j)), j);
        if (const std::optional<FileStat> stat = statFile(inputs.at(j)))
            byFile.insert({stat->device, stat->inode}, j);
    }
    QList<qsizetype> conflicts(inputs.size(), -1);
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        const QString output = inputs.at(i) + QStringLiteral(".out");
        conflicts[i] = byName.value(nativePath(output), -1);
        if (conflicts[i] < 0) {
            if (const std::optional<FileStat> stat = statFile(output))
                conflicts[i] = byFile.value({stat->device, stat->inode}, -1);
        }
    }
    return conflicts;
}

} // namespace trelvick::files
