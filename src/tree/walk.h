// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"

#include <QByteArray>
#include <QList>

#include <sys/stat.h>
#include <vector>

// The files of a job over whole folders, in a fixed order, before anything is touched.
namespace trelvick::tree {

struct Node
{
    enum class Kind
    {
        File,    // a regular file: converted, copied or left alone
        Folder,  // made in the output tree; its name may be converted
        Link,    // a symbolic link met inside a folder: never followed, reported
        Special, // a device, FIFO or socket: never opened, reported
        Failed,  // could not be looked at (error says why)
    };
    Kind kind = Kind::Failed;
    QByteArray path;     // to reach it: the input as given, then "/" and the names below it
    QByteArray relative; // below its input folder; for an input that is a file, its own name
    int root = 0;        // which input it comes from
    struct stat info = {};
    base::Error error;
    // For a file met before, under this or another name (a hard link, a repeated input): the index of
    // its first node, which alone is converted. -1 otherwise.
    qsizetype sameAs = -1;
};

// The inputs in the order given, each followed by what lies below it when it is a folder and
// recursive is set: in every folder, its entries in byte order of their names, each folder's contents
// right after it. Symbolic links given as inputs are followed; those met inside a folder are not.
// A folder given without recursive is a Failed node with EISDIR.
//
//     inputs {"docs", "a.txt"}, recursive:
//         docs (Folder, relative ""), docs/b (Folder, "b"), docs/b/x.txt (File, "b/x.txt"),
//         docs/y.txt (File, "y.txt"), a.txt (File, "a.txt")
std::vector<Node> walk(const QList<QByteArray>& inputs, bool recursive);

// The inputs named one per line (LF; a CR before it is part of the name) or, with nulSeparated, ended
// by NUL bytes as find -print0 writes them. Empty names are dropped.
QList<QByteArray> splitFileList(const QByteArray& list, bool nulSeparated);

// Whether folder is one of the folders, or lies inside one of them, judged by the files themselves
// (device and inode of it and of each of its parents), so that no spelling of the path slips past.
// folder need not exist yet: its nearest existing parent is judged.
bool liesInside(const QByteArray& folder, const std::vector<Node>& folders);

} // namespace trelvick::tree
