// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "files/fileid.h"

#include <QByteArray>
#include <sys/stat.h>
#include <vector>

namespace trelvick::rescue {

using files::FileId;

// One entry met by the walk, in the order walked.
struct Node
{
    enum class Kind
    {
        File,    // a regular file: converted, copied or left alone
        Folder,  // its contents follow it; its name may be converted
        Link,    // a symbolic link: never followed
        Special, // a device, FIFO or socket: never opened
        Failed,  // could not be looked at (error says why)
    };
    Kind kind = Kind::Failed;
    QByteArray path;       // as shown: the input as given, then "/" and the names below it
    QByteArray name;       // its name in the folder it lies in; empty for an input folder
    QByteArray relative;   // below its input folder; for an input that is a file, its own name
    qsizetype parent = -1; // the folder node it lies in; -1 for an input, which lies in its root's folder
    int root = 0;          // which input it comes from
    struct stat info = {}; // as the walk saw it
    // Why it could not be looked at (Failed), or why a folder's contents could not be listed.
    base::Error error;
    // For a file or folder met before, under this name or another (a hard link, an input given twice):
    // the index of its first node, which alone is converted or walked. -1 otherwise.
    qsizetype sameAs = -1;

    FileId id() const { return FileId::of(info); }
    bool isInput() const { return parent < 0; }
};

// Where a result lands, as the writing finds it (a link at the output's name followed), found once
// before anything is written, so that outputs can be judged against inputs and each other.
struct Landing
{
    enum class Kind
    {
        Unknown,    // could not be found; the writing says why
        New,        // nothing there yet: name in folder
        Existing,   // a regular file, replaced
        NotRegular, // a FIFO, a device, a socket, a stream: never written by a job over many files
    };
    Kind kind = Kind::Unknown;
    FileId file;     // Existing, NotRegular
    FileId folder;   // New
    QByteArray name; // New

    friend bool operator==(const Landing&, const Landing&) = default;
};

// Where an input lies, resolved once when it is walked, so that no later step follows a link: the
// folder holding it as a path without symbolic links, and that folder's identity.
struct Root
{
    QByteArray folder; // absolute; for an input folder, the folder itself
    FileId folderId;
    bool resolved = false; // false: the input could not be found, its node says why
    Landing output;        // Delivery::Batch: where NAME.out lands
};

struct Walked
{
    std::vector<Node> nodes;
    std::vector<Root> roots; // by Node::root
};

} // namespace trelvick::rescue
