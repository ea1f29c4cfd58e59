// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHashFunctions>
#include <sys/stat.h>

namespace trelvick::files {

// A file as the system knows it, whatever its names: its device and inode.
struct FileId
{
    dev_t device = 0;
    ino_t inode = 0;

    static FileId of(const struct stat& info) { return {info.st_dev, info.st_ino}; }
    friend bool operator==(const FileId&, const FileId&) = default;
};

inline size_t qHash(const FileId& id, size_t seed = 0)
{
    return qHashMulti(seed, quint64(id.device), quint64(id.inode));
}

} // namespace trelvick::files
