// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/fileops.h"

#include "files/outputtransaction.h"
#include "files/paths.h"

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
base::Error renameByLink(const QByteArray& from, const QByteArray& to)
{
    if (::link(from.constData(), to.constData()) != 0)
        return base::Error::system(errno);
    if (::unlink(from.constData()) != 0) {
        const int unlinkError = errno;
        ::unlink(to.constData()); // leave things as they were
        return base::Error::system(unlinkError);
    }
    return {};
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

QByteArray nativePath(const QString& path)
{
    // UTF-8, except that a lone U+DC80..U+DCFF stands for the byte it was decoded from.
    QByteArray bytes;
    bytes.reserve(path.size() * 3);
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path.at(i);
        if (c.isHighSurrogate() && i + 1 < path.size() && path.at(i + 1).isLowSurrogate()) {
            bytes += QStringView(path).sliced(i, 2).toUtf8();
            ++i;
        } else if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF) {
            bytes += char(c.unicode() - 0xDC00);
        } else {
            bytes += QStringView(&c, 1).toUtf8();
        }
    }
    return bytes;
}

QString decodeNativePath(const char* bytes)
{
    // Each valid UTF-8 sequence as its character; each byte of anything else as U+DC80..U+DCFF,
    // so that nativePath gives back the very bytes.
    QString path;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    while (*p) {
        int length = 0;
        char32_t code = 0;
        if (*p < 0x80) {
            length = 1;
            code = *p;
        } else if (*p >= 0xC2 && *p <= 0xDF) {
            length = 2;
            code = *p & 0x1F;
        } else if (*p >= 0xE0 && *p <= 0xEF) {
            length = 3;
            code = *p & 0x0F;
        } else if (*p >= 0xF0 && *p <= 0xF4) {
            length = 4;
            code = *p & 0x07;
        }
        for (int k = 1; k < length; ++k) {
            if ((p[k] & 0xC0) != 0x80) {
                length = 0;
                break;
            }
            code = (code << 6) | (p[k] & 0x3F);
        }
        // Overlong forms, surrogates and values above U+10FFFF are not valid UTF-8.
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (length == 0 || code < least[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
            path += QChar(char16_t(0xDC00 + *p));
            ++p;
            continue;
        }
        path += QString::fromUcs4(&code, 1);
        p += length;
    }
    return path;
}

base::Error testFile(const QString& path)
{
    if (path.isEmpty())
        return base::Error::system(ENOENT);
    if (!isTakeable(path))
        return base::Error::system(EINVAL);

    struct stat info;
    if (::stat(nativePath(path).constData(), &info) != 0)
        return base::Error::system(errno);
    if (S_ISDIR(info.st_mode))
        return base::Error::system(EISDIR);
    if (!S_ISREG(info.st_mode))
        return {make_error_code(base::Fault::NotRegularFile), base::Side::None, {}, {}};
    if (baseName(path).startsWith(u'.'))
        return {make_error_code(base::Fault::HiddenName), base::Side::None, {}, {}};
    return {};
}

bool isNoFile(const base::Error& error)
{
    return error.is(ENOENT) || error.is(ENOTDIR) || error.is(EISDIR) || error.is(base::Fault::NotRegularFile) ||
           error.is(base::Fault::HiddenName);
}

base::Expected<FileStat> statFile(const QString& path)
{
    struct stat info;
    if (path.isEmpty())
        return base::Error::system(ENOENT);
    if (!isTakeable(path))
        return base::Error::system(EINVAL);
    if (::stat(nativePath(path).constData(), &info) != 0)
        return base::Error::system(errno);
    FileStat result;
    result.size = static_cast<qint64>(info.st_size);
    // In UTC: the local time zone is looked up (a stat of /etc/localtime) only by whoever shows it.
    result.modified = QDateTime::fromMSecsSinceEpoch(
        static_cast<qint64>(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000, Qt::UTC);
    result.id = FileId::of(info);
    return result;
}

bool sameFile(const QString& a, const QString& b)
{
    const base::Expected<FileStat> first = statFile(a);
    const base::Expected<FileStat> second = statFile(b);
    return first && second && first->id == second->id;
}

// Without replacing a file that took the name meanwhile; where the file system cannot rename that
// way, the file is linked under the new name, which refuses a taken one just the same.
int renameNoReplaceAt(int folder, const char* from, const char* to)
{
    if (::renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (::linkat(folder, from, folder, to, 0) != 0)
        return errno;
    ::unlinkat(folder, from, 0);
    return 0;
}

base::Error renameNoReplace(const QString& from, const QString& to)
{
    if (!isTakeable(from) || !isTakeable(to))
        return base::Error::system(EINVAL);
    const QByteArray nativeFrom = nativePath(from);
    const QByteArray nativeTo = nativePath(to);
    if (renameNoReplaceCall(nativeFrom, nativeTo) == 0)
        return {};
    const int renameError = errno;
    if (renameError == EINVAL || renameError == ENOSYS)
        return renameByLink(nativeFrom, nativeTo);
    return base::Error::system(renameError);
}

base::Error linkReplacing(const QByteArray& existing, const QByteArray& target)
{
    const SplitPath split = splitPath(target);
    const QByteArray folder = split.folder.endsWith('/') ? split.folder : split.folder + '/';
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temporary = folder + temporaryName();
        if (::link(existing.constData(), temporary.constData()) != 0) {
            if (errno == EEXIST)
                continue;
            return base::Error::system(errno);
        }
        if (::rename(temporary.constData(), target.constData()) != 0) {
            const int renameError = errno;
            ::unlink(temporary.constData());
            return base::Error::system(renameError);
        }
        return {};
    }
    return base::Error::system(EEXIST);
}

base::Error deleteFile(const QString& path)
{
    if (!isTakeable(path))
        return base::Error::system(EINVAL);
    if (::unlink(nativePath(path).constData()) != 0)
        return base::Error::system(errno);
    return {};
}

} // namespace trelvick::files
