// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "files/descriptor.h"

#include <QByteArray>
#include <sys/stat.h>

namespace trelvick::files {

// Where a conversion's result goes. Found by following the output's links one at a time, each from
// a descriptor of the folder it lies in, so that no path longer than the system takes is ever put
// together; nothing is opened for writing yet.
struct Destination
{
    enum class Kind
    {
        New,     // nothing there yet: created as name in folder
        Replace, // a regular file: replaced in one step by a new file of the same name
        InPlace, // a device, FIFO, socket or terminal: written as it is
        Stream,  // a descriptor of this process (/dev/stdout, /dev/fd/N): written through it
    };
    Kind kind = Kind::New;
    Descriptor folder;     // New, Replace, InPlace: where name lies (opened O_PATH)
    QByteArray name;       // the last name, in folder
    struct stat info = {}; // Replace, InPlace, Stream: the file found
    int stream = -1;       // Stream: the descriptor, which stays its owner's
};

// The destination of a path. A link leads to the file it points to (which then gets the result,
// while the link stays a link); a link into this process's own descriptors (/dev/stdout,
// /dev/fd/1, /proc/self/fd/1) leads to that descriptor. Fails with ELOOP after more links than the
// system itself follows, with EISDIR for a folder, and with base::Fault::LinkUnresolved for a
// regular file reached only through /proc (another process's descriptor), which has no name to be
// replaced under.
base::Expected<Destination> findDestination(const QByteArray& path);

// The destination name in an open folder, without following anything: nothing there is New, a
// regular file is Replace; a folder fails with EISDIR, and a link or any other kind of file with
// NotRegularFile. The folder descriptor is duplicated, so the caller keeps its own.
base::Expected<Destination> destinationAt(int folder, const QByteArray& name);

// A descriptor that the caller owns, such as standard output; EBADF when it is not open.
base::Expected<Destination> streamDestination(int fd);

} // namespace trelvick::files
