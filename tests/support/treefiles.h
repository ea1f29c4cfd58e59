// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Files named in bytes, for the suites of whole folders: a name in 737 is no UTF-8, and no QString may
// stand between.

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trelvick::testsupport {

inline bool writeBytes(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

inline QByteArray readBytes(const QByteArray& path)
{
    QFile file(QString::fromUtf8(path));
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return "<missing>";
    return file.readAll();
}

inline bool makePath(const QByteArray& path)
{
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0755);
    return ::mkdir(path.constData(), 0755) == 0 || errno == EEXIST;
}

// Removes a tree whose names need not be UTF-8 (QTemporaryDir cannot).
inline void removeTree(const QByteArray& path)
{
    if (DIR* dir = ::opendir(path.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name = entry->d_name;
            if (name != "." && name != "..")
                removeTree(path + '/' + name);
        }
        ::closedir(dir);
        ::rmdir(path.constData());
    } else {
        ::unlink(path.constData());
    }
}

// Every entry below folder with its bytes ("->target" for a link, "|" for a FIFO, "/" for a folder).
inline void listInto(QMap<QByteArray, QByteArray>& entries, const QByteArray& folder, const QByteArray& prefix)
{
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const QByteArray path = folder + '/' + name;
        struct stat info;
        ::lstat(path.constData(), &info);
        if (S_ISLNK(info.st_mode)) {
            char target[4096];
            const ssize_t size = ::readlink(path.constData(), target, sizeof target);
            entries[prefix + name] = "->" + QByteArray(target, size < 0 ? 0 : size);
        } else if (S_ISDIR(info.st_mode)) {
            entries[prefix + name] = "/";
            listInto(entries, path, prefix + name + '/');
        } else {
            entries[prefix + name] = S_ISREG(info.st_mode) ? readBytes(path) : "|";
        }
    }
    ::closedir(dir);
}

} // namespace trelvick::testsupport
