#include "convert/writebehind.h"

#include <algorithm>
#include <utility>

namespace trelvick::convert {

WriteBehind::WriteBehind(ByteSink& sink, std::int64_t blockCapacity, int depth)
    : m_sink(sink), m_capacity(blockCapacity), m_memory(blockCapacity * depth),
      m_sizes(static_cast<std::size_t>(depth)), m_batch(std::max<std::size_t>(1, m_sizes.size() / 2)),
      m_thread([this] { run(); })
{
}

WriteBehind::~WriteBehind()
{
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
        m_dropRest = true;
    }
    m_filled.notify_one();
    m_thread.join();
}

unsigned char* WriteBehind::nextBlock()
{
    std::unique_lock lock(m_mutex);
    if (m_queued == m_sizes.size() && !m_failed) {
        m_callerWaits = true;
        m_freed.wait(lock, [this] { return m_queued + m_batch <= m_sizes.size() || m_failed; });
        m_callerWaits = false;
    }
    if (m_failed)
        return nullptr;
    return m_memory.get() + static_cast<std::int64_t>(m_head) * m_capacity;
}

void WriteBehind::queue(std::int64_t size)
{
    bool wake = false;
    {
        const std::lock_guard lock(m_mutex);
        m_sizes[m_head] = size;
        m_head = (m_head + 1) % m_sizes.size();
        ++m_queued;
        wake = m_writerWaits && m_queued >= m_batch;
    }
    if (wake)
        m_filled.notify_one();
}

bool WriteBehind::finish()
{
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_filled.notify_one();
    m_thread.join();
    if (m_exception)
        std::rethrow_exception(std::exchange(m_exception, nullptr));
    return !m_failed;
}

void WriteBehind::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_queued == 0 && !m_closing) {
            m_writerWaits = true;
            m_filled.wait(lock, [this] { return m_queued >= m_batch || m_closing; });
            m_writerWaits = false;
        }
        if (m_dropRest || m_queued == 0)
            return;
        const std::size_t index = m_tail;
        lock.unlock();

        bool written = false;
        std::exception_ptr exception;
        try {
            written = m_sink.write(reinterpret_cast<const char*>(m_memory.get()) +
                                       static_cast<std::int64_t>(index) * m_capacity,
                                   m_sizes[index]);
        } catch (...) {
            exception = std::current_exception();
        }

        lock.lock();
        if (!written) {
            m_failed = true;
            m_exception = std::move(exception);
            lock.unlock();
            m_freed.notify_one();
            return;
        }
        m_tail = (m_tail + 1) % m_sizes.size();
        --m_queued;
        if (m_callerWaits && m_queued + m_batch <= m_sizes.size()) {
            lock.unlock();
            m_freed.notify_one();
            lock.lock();
        }
    }
}

} // namespace trelvick::convert
