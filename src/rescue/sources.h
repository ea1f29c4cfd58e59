// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/destination.h"
#include "rescue/node.h"
#include "rescue/request.h"

#include <QList>

// Where a job's files come from: a list of names, and the walk of the inputs, which looks at every
// entry through the descriptor of the folder it lies in and never follows a link it meets.
namespace trelvick::rescue {

// A list holds at most this many bytes and names; each name at most PATH_MAX bytes.
inline constexpr std::int64_t kListMaxBytes = std::int64_t(1) << 30;
inline constexpr qsizetype kListMaxNames = qsizetype(1) << 24;

// The names of a list read from fd to its end: one per line (LF; a CR before it is part of the name)
// or, with nulSeparated, ended by NUL bytes as find -print0 writes them. Empty names are dropped.
// Fails with the read's error, with ENAMETOOLONG for a name longer than a path may be, and with
// Fault::TooLarge past the bounds above (a list read from /dev/zero ends there).
base::Expected<QList<QByteArray>> readNameList(int fd, bool nulSeparated, std::int64_t maxBytes = kListMaxBytes);

// The inputs in the order given, each followed by what lies below it when it is a folder and
// recursive is set: in every folder, its entries in byte order of their names, each folder's contents
// right after it. An input is found once, through a path without links (resolved when it is walked:
// an operand's own link is followed, a listed input that is a link is a Link); below it, each entry
// is looked at from its folder's descriptor, a folder opened only when it is still the entry seen.
// A folder given without recursive is a Failed node with EISDIR.
//
//     inputs {"docs", "a.txt"}, recursive:
//         docs (Folder, relative ""), docs/b (Folder, "b"), docs/b/x.txt (File, "b/x.txt"),
//         docs/y.txt (File, "y.txt"), a.txt (File, "a.txt")
Walked walk(const QList<Request::Input>& inputs, bool recursive);
// The walk of a request's inputs, with what its delivery needs to know before anything is written:
// for a batch, where each input's NAME.out lands.
Walked walk(const Request& request);

// Where the result written to path lands now (links followed, as the writing follows them).
Landing landingOf(const QByteArray& path);
Landing landingOf(const files::Destination& destination);

// Whether folder is one of the walked folders, or lies inside one, judged by the files themselves
// (device and inode of it and of each of its parents), so that no spelling of the path slips past.
// folder need not exist yet: its nearest existing parent is judged.
bool liesInside(const QByteArray& folder, const Walked& walked);

} // namespace trelvick::rescue
