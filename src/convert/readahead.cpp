// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/readahead.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace trelvick::convert {

bool processorIdleByLoad()
{
    const unsigned processors = std::thread::hardware_concurrency();
    if (processors < 2)
        return false;
    // The fourth field of /proc/loadavg, "running/total", counts the threads that are running or
    // ready to run at this moment, the caller's among them.
    const int fd = ::open("/proc/loadavg", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return true;
    char text[128];
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    unsigned running = 0;
    if (got <= 0)
        return true;
    text[got] = '\0';
    if (std::sscanf(text, "%*s %*s %*s %u/", &running) != 1)
        return true;
    return running < processors;
}

ReadAhead::ReadAhead(ByteSource& source, Process process, std::int64_t blockCapacity, std::int64_t readOffset,
                     int depth)
    : m_source(source), m_process(std::move(process)), m_capacity(blockCapacity), m_offset(readOffset),
      m_memory(blockCapacity * std::max(depth, 1)), m_read(static_cast<std::size_t>(std::max(depth, 1))),
      m_batch(std::max<std::size_t>(1, m_read.size() / 2)), m_thread([this] { run(); })
{
}

ReadAhead::~ReadAhead()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

ReadAhead::Block ReadAhead::next()
{
    std::unique_lock lock(m_mutex);
    if (m_ready == 0)
        m_changed.wait(lock, [this] { return m_ready >= m_batch || m_done; });
    const Block& block = m_read[m_tail];
    if (block.read < 0 && m_exception)
        std::rethrow_exception(m_exception);
    return block;
}

void ReadAhead::release()
{
    bool enoughFree = false;
    {
        const std::lock_guard lock(m_mutex);
        m_tail = (m_tail + 1) % m_read.size();
        --m_ready;
        enoughFree = m_read.size() - m_ready == m_batch; // just reached: the reader may wait for it
    }
    if (enoughFree)
        m_changed.notify_all();
}

void ReadAhead::run()
{
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock lock(m_mutex);
            if (m_ready == m_read.size())
                m_changed.wait(lock, [this] { return m_read.size() - m_ready >= m_batch || m_stop; });
            if (m_stop)
                return;
            index = m_head;
        }

        // The block at index is the reader's alone until it is counted as ready.
        Block done;
        std::exception_ptr exception;
        try {
            unsigned char* const data = block(index) + m_offset;
            const std::int64_t got = m_source.read(reinterpret_cast<char*>(data), m_capacity - m_offset);
            if (got > 0)
                done = m_process(data, got);
            done.read = got;
        } catch (...) {
            exception = std::current_exception();
            done = Block{};
            done.read = -1;
        }

        bool enoughReady = false;
        {
            const std::lock_guard lock(m_mutex);
            m_read[index] = done;
            m_head = (m_head + 1) % m_read.size();
            ++m_ready;
            m_exception = std::move(exception);
            m_done = done.read <= 0;
            enoughReady = m_ready == m_batch || m_done; // just reached: the caller may wait for it
        }
        if (enoughReady)
            m_changed.notify_all();
        if (done.read <= 0)
            return;
    }
}

} // namespace trelvick::convert
