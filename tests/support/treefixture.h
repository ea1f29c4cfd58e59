// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the suites of whole folders share: files named in bytes, the tree as a map of its entries, and
// trelvick-convert run in this process with its streams in files.

#include "cli/cli.h"
#include "testsupport.h"

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trelvick::testsupport {

// Names are bytes here: a name in 737 is no UTF-8, and no QString may stand between.
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

// Every entry below folder with its bytes ("->target" for a link, "|" for a FIFO, "/" for a folder).
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

struct Ran
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

class TreeFixture : public testing::Test, public TempFolder
{
protected:
    // QTemporaryDir cannot remove names that are no UTF-8.
    void TearDown() override
    {
        for (const char* name : {"in", "out"})
            removeTree(native(QString::fromLatin1(name)));
    }

    // In this process, as the program runs them; outputFd: standard output elsewhere than a file.
    Ran run(const QStringList& arguments, const QByteArray& input = {},
            lang::Language language = lang::Language::English, int outputFd = -1) const
    {
        write(QStringLiteral("stdin"), input);
        QFile in(path(QStringLiteral("stdin")));
        QFile out(path(QStringLiteral("stdout")));
        QFile err(path(QStringLiteral("stderr")));
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly) || !err.open(QIODevice::WriteOnly))
            return {};
        cli::Context context;
        context.inputFd = in.handle();
        context.outputFd = outputFd >= 0 ? outputFd : out.handle();
        context.language = language;
        context.errorFd = err.handle();
        Ran result;
        result.status = cli::run(arguments, context);
        result.out = read(QStringLiteral("stdout"));
        result.err = read(QStringLiteral("stderr"));
        return result;
    }

    QMap<QByteArray, QByteArray> snapshot(const QString& root) const
    {
        QMap<QByteArray, QByteArray> entries;
        listInto(entries, native(root), {});
        return entries;
    }
};

} // namespace trelvick::testsupport
