// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/metadata.h"

#include <acl/libacl.h>
#include <attr/error_context.h>
#include <attr/libattr.h>
#include <cerrno>
#include <unistd.h>

namespace trelvick::files {

namespace {

// The libraries report failures through this callback, while errno still holds the reason; the
// first one is kept.
struct FirstFailure : error_context
{
    int errnum = 0;
};

void noteFailure(error_context* context, const char*, ...)
{
    auto* failure = static_cast<FirstFailure*>(context);
    if (failure->errnum == 0)
        failure->errnum = errno;
}

} // namespace

base::Error copyMetadata(int from, int to, const struct stat& old)
{
    // Before the mode: a change of owner clears the set-user and set-group bits. The group alone where
    // the owner cannot be given; a file that gets neither keeps the user's own, as any new file does.
    [[maybe_unused]] const bool owned =
        ::fchown(to, old.st_uid, old.st_gid) == 0 || ::fchown(to, static_cast<uid_t>(-1), old.st_gid) == 0;
    FirstFailure failure;
    failure.error = noteFailure;
    failure.quote = nullptr;
    failure.quote_free = nullptr;
    if (::perm_copy_fd("", from, "", to, &failure) != 0 || ::attr_copy_fd("", from, "", to, nullptr, &failure) != 0)
        return base::Error::system(failure.errnum != 0 ? failure.errnum : EPERM);
    return {};
}

void restoreSpecialBits(int fd, const struct stat& old)
{
    if ((old.st_mode & (S_ISUID | S_ISGID | S_ISVTX)) != 0)
        static_cast<void>(::fchmod(fd, old.st_mode & kPermissionBits));
}

} // namespace trelvick::files
