// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/filecopy.h"

#include "files/descriptor.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace trelvick::files {

namespace {

// Small enough that a stop is seen within a fraction of a second, large enough to cost nothing.
constexpr off_t kPiece = off_t(8) * 1024 * 1024;
constexpr std::size_t kBufferSize = 256 * 1024;

base::Error inputFailure(int errnum)
{
    return base::Error::system(errnum, base::Side::Input);
}

base::Error outputFailure(int errnum)
{
    return base::Error::system(errnum, base::Side::Output);
}

// Through user space, for file systems or pairs of them that copy_file_range does not serve.
base::Error copyByReading(int from, int to, off_t at, off_t end, std::vector<char>& buffer)
{
    if (buffer.empty())
        buffer.resize(kBufferSize);
    while (at < end) {
        const auto wanted = std::size_t(std::min<off_t>(end - at, off_t(buffer.size())));
        const ssize_t got = retryOnInterrupt([&] { return ::pread(from, buffer.data(), wanted, at); });
        if (got < 0)
            return inputFailure(errno);
        if (got == 0)
            return {}; // the file shrank meanwhile: what is there is copied
        for (ssize_t done = 0; done < got;) {
            const ssize_t written = retryOnInterrupt(
                [&] { return ::pwrite(to, buffer.data() + done, std::size_t(got - done), at + done); });
            if (written <= 0)
                return outputFailure(written < 0 ? errno : EIO);
            done += written;
        }
        at += got;
    }
    return {};
}

// One stretch of data, [at, end).
base::Error copyData(int from, int to, off_t at, off_t end, bool& inKernel, std::vector<char>& buffer)
{
    while (inKernel && at < end) {
        off_t in = at;
        off_t out = at;
        const ssize_t moved =
            retryOnInterrupt([&] { return ::copy_file_range(from, &in, to, &out, std::size_t(end - at), 0); });
        if (moved > 0) {
            at += moved;
            continue;
        }
        if (moved == 0)
            return {};
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EBADF)
            return base::Error::system(errno, base::Side::Output);
        inKernel = false;
    }
    return copyByReading(from, to, at, end, buffer);
}

} // namespace

base::Error copyFileData(int from, int to, const std::atomic<bool>* cancel)
{
    struct stat info;
    if (::fstat(from, &info) != 0)
        return inputFailure(errno);
    const off_t size = info.st_size;
    bool inKernel = true;
    bool holesKnown = true;
    std::vector<char> buffer;
    for (off_t at = 0; at < size;) {
        off_t data = at;
        off_t hole = size;
        if (holesKnown) {
            data = ::lseek(from, at, SEEK_DATA);
            if (data < 0 && errno == ENXIO)
                break; // only a hole up to the end
            if (data < 0) {
                holesKnown = false;
                data = at;
            } else {
                hole = std::max(data, ::lseek(from, data, SEEK_HOLE));
            }
        }
        hole = std::min(hole < 0 ? size : hole, size);
        for (off_t piece = data; piece < hole; piece += kPiece) {
            if (cancel && cancel->load(std::memory_order_relaxed))
                return inputFailure(EINTR);
            if (const base::Error failed = copyData(from, to, piece, std::min(hole, piece + kPiece), inKernel, buffer))
                return failed;
        }
        at = hole;
    }
    // A hole at the end is no data to copy, but the size says it is there.
    if (::ftruncate(to, size) != 0)
        return outputFailure(errno);
    return {};
}

} // namespace trelvick::files
