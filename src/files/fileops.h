// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "files/fileid.h"

#include <QDateTime>
#include <QString>

namespace trelvick::files {

// The plain-file test used for tq.ini and the program entries: a regular file (links followed)
// whose name does not begin with "." counts, and gives no error. Anything else gives the rule it
// fails, which isNoFile tells from a test that failed itself:
//   ENOENT or ENOTDIR   nothing there (also for an empty path)
//   EISDIR              a folder
//   NotRegularFile      a FIFO, device or socket, which is never opened
//   HiddenName          a regular file whose name begins with "."
// Any other errno (EACCES, ENAMETOOLONG, ELOOP, EIO...) is the test's own failure; a path holding a
// NUL fails with EINVAL, as no system call takes it.
base::Error testFile(const QString& path);
bool isNoFile(const base::Error& error);

struct FileStat
{
    qint64 size = 0;
    QDateTime modified; // in UTC
    FileId id;
};
// stat() of path.
base::Expected<FileStat> statFile(const QString& path);

// True when both paths exist and are the same file (same device and inode).
bool sameFile(const QString& a, const QString& b);

// Renames without ever replacing an existing target (a plain POSIX rename would). Where the file
// system cannot rename that way, the file is linked under the new name and the old name removed.
base::Error renameNoReplace(const QString& from, const QString& to);
// The same within one open folder; 0 or the errno of the failure (EEXIST for a taken name).
int renameNoReplaceAt(int folder, const char* from, const char* to);
base::Error deleteFile(const QString& path);
// Gives the file at existing the name target too, replacing in one step whatever target was: a hard
// link is made under a temporary name beside target, then renamed over it. Both are byte paths.
base::Error linkReplacing(const QByteArray& existing, const QByteArray& target);

// The file system's bytes for a path: UTF-8, where a lone U+DC80..U+DCFF stands for one byte
// that was not valid UTF-8 ("surrogateescape"), so names that are not UTF-8 survive a QString.
QByteArray nativePath(const QString& path);
// The reverse: a path's bytes as a QString that nativePath turns back into the same bytes.
QString decodeNativePath(const char* bytes);

} // namespace trelvick::files
