// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/posixfile.h"

#include "files/fileops.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
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
    close();
    m_error.clear();
    const QByteArray name = nativePath(path);
    do {
        m_fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        m_error = systemErrorText(errno);
        return false;
    }
    return true;
}

void InputFile::close()
{
    if (m_fd >= 0) {
        // Nothing was written through this descriptor, so a failing close loses nothing.
        ::close(m_fd);
        m_fd = -1;
    }
}

std::int64_t DescriptorSource::read(char* buffer, std::int64_t capacity)
{
    if (m_fd < 0) {
        m_error = systemErrorText(EBADF);
        return -1;
    }
    const auto wanted = static_cast<std::size_t>(std::min(capacity, kMaxChunk));
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, wanted);
        if (got >= 0)
            return got;
        if (errno != EINTR) {
            m_error = systemErrorText(errno);
            return -1;
        }
    }
}

OutputFile::~OutputFile()
{
    close();
}

bool OutputFile::create(const QString& path)
{
    close();
    m_error.clear();
    const QByteArray name = nativePath(path);
    do {
        m_fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        m_error = systemErrorText(errno);
        return false;
    }
    return true;
}

bool OutputFile::close()
{
    if (m_fd < 0)
        return true;
    const int result = ::close(m_fd);
    m_fd = -1;
    // On Linux the descriptor is gone even after EINTR, so the close is never retried.
    if (result < 0 && errno != EINTR) {
        m_error = systemErrorText(errno);
        return false;
    }
    return true;
}

bool DescriptorSink::write(const char* data, std::int64_t size)
{
    if (m_fd < 0) {
        m_error = systemErrorText(EBADF);
        return false;
    }
    while (size > 0) {
        const ssize_t written = ::write(m_fd, data, static_cast<std::size_t>(std::min(size, kMaxChunk)));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            m_error = systemErrorText(errno);
            return false;
        }
        if (written == 0) {
            // A file that takes no bytes and names no error: report it rather than spin.
            m_error = systemErrorText(EIO);
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

} // namespace trelvick::files
