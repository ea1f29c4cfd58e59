// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/posixfile.h"

#include "files/descriptor.h"
#include "files/fileops.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace trelvick::files {

namespace {

// Keeps each call well inside what read(2) and write(2) accept in one go.
constexpr std::int64_t kMaxChunk = std::int64_t(1) << 30;

} // namespace

InputFile::~InputFile()
{
    close();
}

bool InputFile::open(const QString& path)
{
    return open(nativePath(path));
}

bool InputFile::open(const QByteArray& nativePath)
{
    close();
    m_error = {};
    // The system would read a shorter name: another file's.
    if (nativePath.contains('\0')) {
        m_error = base::Error::system(EINVAL);
        return false;
    }
    m_fd = retryOnInterrupt([&] { return ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC); });
    if (m_fd < 0)
        m_error = base::Error::system(errno);
    return m_fd >= 0;
}

void InputFile::close()
{
    // Nothing was written through this descriptor, so a failing close loses nothing.
    const Descriptor closing(std::exchange(m_fd, -1));
}

std::int64_t DescriptorSource::read(char* buffer, std::int64_t capacity)
{
    const auto wanted = static_cast<std::size_t>(std::min(capacity, kMaxChunk));
    const ssize_t got = retryOnInterrupt([&] { return ::read(m_fd, buffer, wanted); });
    if (got < 0)
        m_error = base::Error::system(errno);
    return got;
}

bool DescriptorSink::write(const char* data, std::int64_t size)
{
    while (size > 0) {
        const auto chunk = static_cast<std::size_t>(std::min(size, kMaxChunk));
        const ssize_t written = retryOnInterrupt([&] { return ::write(m_fd, data, chunk); });
        // A file that takes no bytes and names no error is reported rather than spun on.
        if (written <= 0) {
            m_error = base::Error::system(written < 0 ? errno : EIO);
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

base::Expected<QByteArray> readSmallFile(const QString& path, std::int64_t limit)
{
    InputFile file;
    if (!file.open(path))
        return file.error();
    QByteArray bytes;
    char chunk[16384];
    for (;;) {
        const std::int64_t got = file.read(chunk, sizeof chunk);
        if (got < 0)
            return file.error();
        if (got == 0)
            return bytes;
        if (bytes.size() + got > limit)
            return base::Error::system(EFBIG);
        bytes.append(chunk, got);
    }
}

} // namespace trelvick::files
