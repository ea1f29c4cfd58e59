// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "files/descriptor.h"

#include <QByteArray>
#include <chrono>

namespace trelvick::files {

// Takes advisory locks of both kinds on the open file of fd, without waiting: an open-file-description
// record lock over the whole file (what fcntl users see, and what NFS passes on to its server) and a
// flock lock (what flock users see). Both belong to the open file, not to the process: they last
// while any descriptor of it is open, and they stand in the way of any other open of the file, in
// this process or another. Exclusive needs fd open for writing, shared for reading.
// Both are taken or neither: 0, EWOULDBLOCK while another holds a lock in the way, or the errno of
// a lock the file system refused.
int tryLockBoth(int fd, bool exclusive);

// The same two kinds, exclusive, for a file that no one else can know of yet (fd open for writing):
// each kind the file system grants is held, so that a file system that refuses one still shows
// the other.
void lockEachKind(int fd);

// A lock file beside the file it guards ("tq.ini.lock" beside "tq.ini"), which every program that
// changes that file takes first, so that two read-modify-replace cycles never overlap:
//
//     base::Expected<LockFile> lock = LockFile::acquire(folder, "tq.ini.lock", std::chrono::seconds(30));
//     if (!lock)
//         return lock.error(); // base::Fault::LockHeld: still held when patience ran out
//     ... read, change and replace tq.ini ...
//
// Held exclusively with both kinds of lock (see tryLockBoth). The holder removes the file before it
// lets go, so that none is left behind; whoever then holds the lock of a file no longer under that
// name starts over on the new one, so two holders never meet.
class LockFile final
{
public:
    // folder: a descriptor of the folder (O_PATH will do), which the lock keeps a copy of.
    static base::Expected<LockFile> acquire(int folder, const QByteArray& name, std::chrono::milliseconds patience);

    LockFile(LockFile&&) = default;
    LockFile& operator=(LockFile&&) = delete;
    ~LockFile();

private:
    LockFile(Descriptor folder, QByteArray name, Descriptor file);

    Descriptor m_folder;
    QByteArray m_name;
    Descriptor m_file; // last: closed, and the lock let go, once the name is gone
};

} // namespace trelvick::files
