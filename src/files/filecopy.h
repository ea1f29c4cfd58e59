// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"

#include <atomic>

namespace trelvick::files {

// Copies the bytes of the open file from (from its start to the size it has now) into the open file
// to at the same offsets, as cp does: the holes of a sparse file stay holes where the file system
// tells them (SEEK_DATA, SEEK_HOLE), and the data moves inside the kernel where it can
// (copy_file_range). Gives up with EINTR between pieces once *cancel is set, so that a huge file
// never holds up a stop. A failure of from is on Side::Input, of to on Side::Output.
base::Error copyFileData(int from, int to, const std::atomic<bool>* cancel = nullptr);

} // namespace trelvick::files
