// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace trelvick::files {

// "/home/a/b.txt" -> "/home/a/"; "b.txt" -> "".
QString GetFolder(const QString& path);
// "/home/a" -> "/home/a/"; "/" stays "/"; "" -> "/".
QString AddSeparator(const QString& path);
// "/home/a/b.txt" -> "/home/a"; "/b.txt" -> ""; "b.txt" -> "".
QString CutAtSeparator(const QString& path);

// A byte path as the folder to open and the name in it, for the calls that take both (openat and
// its kin): "/a/b.txt" -> {"/a", "b.txt"}; "b.txt" -> {".", "b.txt"}; "/b" -> {"/", "b"};
// "a/" -> {"a", ""}, whose empty name stands for the folder itself.
struct SplitPath
{
    QByteArray folder;
    QByteArray name;
};
SplitPath splitPath(const QByteArray& path);

// On a case-sensitive file system the upper-case path names a file that may be spelt otherwise:
// looks in folder for name ignoring letter case, preferring the exact spelling. Returns the real
// path, or folder + name when nothing matches.
QString resolveInFolder(const QString& folder, const QString& name);

} // namespace trelvick::files
