// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace trelvick::files {

// Repeats a system call that a signal interrupted before it did anything.
template <class Call> auto retryOnInterrupt(Call call)
{
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

// A descriptor the program opened itself, closed when it goes out of scope.
class Descriptor final
{
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(Descriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        Descriptor gone(std::exchange(m_fd, std::exchange(other.m_fd, -1)));
        return *this;
    }

    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    // Hands the descriptor over to whatever closes it now (fdopendir's DIR, say).
    int release() { return std::exchange(m_fd, -1); }

    // Closes now and returns the errno of a late write failure (NFS, a full disk), or 0. On Linux
    // the descriptor is gone even after EINTR, so the close is never retried.
    int close() { return m_fd >= 0 && ::close(std::exchange(m_fd, -1)) != 0 && errno != EINTR ? errno : 0; }

private:
    int m_fd = -1;
};

} // namespace trelvick::files
