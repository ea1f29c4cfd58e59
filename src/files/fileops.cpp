#include "files/fileops.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#include <linux/fs.h>
#endif

namespace trelvick::files {

namespace {

// strerror_r comes in two flavours: GNU returns the text, XSI fills the buffer and returns 0.
[[maybe_unused]] const char* errorTextOf(const char* gnuResult, const char*)
{
    return gnuResult;
}
[[maybe_unused]] const char* errorTextOf(int xsiResult, const char* buffer)
{
    return xsiResult == 0 ? buffer : nullptr;
}

int renameNoReplaceCall(const QByteArray& from, const QByteArray& to)
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 28))
    return ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
#else
    return static_cast<int>(
        ::syscall(SYS_renameat2, AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE));
#endif
}

// For file systems that cannot rename without replacing: link() refuses a taken name just the same.
bool renameByLink(const QByteArray& from, const QByteArray& to, QString* error)
{
    if (::link(from.constData(), to.constData()) != 0) {
        if (error)
            *error = systemErrorText(errno);
        return false;
    }
    if (::unlink(from.constData()) != 0) {
        const int unlinkError = errno;
        ::unlink(to.constData()); // leave things as they were
        if (error)
            *error = systemErrorText(unlinkError);
        return false;
    }
    return true;
}

// The system cannot take a name with a NUL in it, and encoding one would silently shorten the name
// to another file's: such a path fails with EINVAL before any call.
bool isTakeable(const QString& path)
{
    return !path.contains(QChar(u'\0'));
}

QString baseName(const QString& path)
{
    return path.sliced(path.lastIndexOf(u'/') + 1);
}

} // namespace

QString systemErrorText(int errnum)
{
    char buffer[256] = {};
    const char* text = errorTextOf(::strerror_r(errnum, buffer, sizeof buffer), buffer);
    if (!text || !*text)
        return QStringLiteral("Error %1").arg(errnum);
    return QString::fromLocal8Bit(text);
}

QString upperError(const QString& text)
{
    return text.toUpper();
}

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

FileTest testFile(const QString& path)
{
    if (path.isEmpty())
        return {};
    if (!isTakeable(path))
        return {FileTest::Failure, systemErrorText(EINVAL)};

    struct stat info;
    if (::stat(nativePath(path).constData(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return {};
        return {FileTest::Failure, systemErrorText(error)};
    }
    if (!S_ISREG(info.st_mode) || baseName(path).startsWith(u'.'))
        return {};
    return {FileTest::PlainFile, {}};
}

std::optional<FileStat> statFile(const QString& path, QString* error)
{
    struct stat info;
    int failure = 0;
    if (path.isEmpty())
        failure = ENOENT;
    else if (!isTakeable(path))
        failure = EINVAL;
    else if (::stat(nativePath(path).constData(), &info) != 0)
        failure = errno;
    if (failure != 0) {
        if (error)
            *error = systemErrorText(failure);
        return std::nullopt;
    }
    FileStat result;
    result.size = static_cast<qint64>(info.st_size);
    result.modified = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(info.st_mtim.tv_sec) * 1000 +
                                                     info.st_mtim.tv_nsec / 1000000);
    result.device = static_cast<quint64>(info.st_dev);
    result.inode = static_cast<quint64>(info.st_ino);
    return result;
}

bool sameFile(const QString& a, const QString& b)
{
    const std::optional<FileStat> first = statFile(a);
    const std::optional<FileStat> second = statFile(b);
    return first && second && first->device == second->device && first->inode == second->inode;
}

bool renameNoReplace(const QString& from, const QString& to, QString* error)
{
    if (!isTakeable(from) || !isTakeable(to)) {
        if (error)
            *error = systemErrorText(EINVAL);
        return false;
    }
    const QByteArray nativeFrom = nativePath(from);
    const QByteArray nativeTo = nativePath(to);
    if (renameNoReplaceCall(nativeFrom, nativeTo) == 0)
        return true;
    const int renameError = errno;
    if (renameError == EINVAL || renameError == ENOSYS)
        return renameByLink(nativeFrom, nativeTo, error);
    if (error)
        *error = systemErrorText(renameError);
    return false;
}

bool deleteFile(const QString& path, QString* error)
{
    int failure = EINVAL;
    if (isTakeable(path)) {
        if (::unlink(nativePath(path).constData()) == 0)
            return true;
        failure = errno;
    }
    if (error)
        *error = systemErrorText(failure);
    return false;
}

} // namespace trelvick::files
