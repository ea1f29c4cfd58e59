// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"

#include <sys/stat.h>

namespace trelvick::files {

// All permission bits of a mode: set-user, set-group and sticky bits with the access bits.
inline constexpr mode_t kPermissionBits = 07777;

// What a replaced output hands on to the file that takes its place: its owner and group where the
// process may set them; its mode and access control list (libacl's perm_copy_fd); and its extended
// attributes in every namespace the process may read (libattr's attr_copy_fd, which leaves out what
// /etc/xattr.conf says to skip). Fails when the mode, the list or an attribute cannot be copied.
// from: the replaced output, opened for reading or writing; to: its replacement; old: from's status.
base::Error copyMetadata(int from, int to, const struct stat& old);

// A write by anyone but root clears the set-user and set-group bits: they are set again after the
// last write, where the process may.
void restoreSpecialBits(int fd, const struct stat& old);

} // namespace trelvick::files
