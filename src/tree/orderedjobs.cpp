// SPDX-License-Identifier: GPL-3.0-or-later
#include "tree/orderedjobs.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <new>
#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace trelvick::tree {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
// Results a worker finishes before it wakes the delivering thread (which wakes on its own about every
// interval besides), and deliveries between two looks for a stop signal.
constexpr int kWakeBatch = 32;

// Blocks the stop signals that are not ignored for this thread and those it starts, and reads them
// from a descriptor instead; the previous mask comes back at the end.
class HeldSignals final
{
public:
    HeldSignals()
    {
        sigemptyset(&m_held);
        for (const int signal : kStopSignals) {
            struct sigaction action = {};
            if (::sigaction(signal, nullptr, &action) == 0 && action.sa_handler != SIG_IGN)
                sigaddset(&m_held, signal);
        }
        sigset_t blocked = m_held;
        sigaddset(&blocked, SIGXFSZ);
        ::pthread_sigmask(SIG_BLOCK, &blocked, &m_previous);
        m_fd = ::signalfd(-1, &m_held, SFD_NONBLOCK | SFD_CLOEXEC);
    }
    ~HeldSignals()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!sigismember(&m_previous, SIGXFSZ)) { // one raised by this thread's own writes is spent
            sigset_t fileSize;
            sigemptyset(&fileSize);
            sigaddset(&fileSize, SIGXFSZ);
            const timespec now = {};
            while (::sigtimedwait(&fileSize, nullptr, &now) == SIGXFSZ) {
            }
        }
        ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;

    int fd() const { return m_fd; }
    // The signal that came, or 0.
    int take() const
    {
        signalfd_siginfo info = {};
        return ::read(m_fd, &info, sizeof info) == sizeof info ? static_cast<int>(info.ssi_signo) : 0;
    }

private:
    sigset_t m_held;
    sigset_t m_previous;
    int m_fd = -1;
};

class Runner final
{
public:
    Runner(qsizetype count, const JobCallbacks& callbacks)
        : m_count(count), m_callbacks(callbacks), m_done(static_cast<std::size_t>(count))
    {
    }

    // How many workers run the jobs; told once they have started, before anything is delivered.
    void setWorkers(int workers)
    {
        const std::lock_guard lock(m_mutex);
        m_workers = workers;
    }

    void work()
    {
        // Stop is looked at before a job is taken, never between taking and running it, so that the jobs
        // started are always 0 .. k - 1: everything done can be delivered.
        while (!m_stop.load()) {
            const qsizetype i = m_next.fetch_add(1);
            if (i >= m_count)
                break;
            if (!waitForRoom(i))
                break; // stopped while waiting: job i never starts, so nothing after it is delivered
            try {
                m_callbacks.run(i);
                const std::lock_guard lock(m_mutex);
                m_done[static_cast<std::size_t>(i)] = true;
                // The delivering thread is woken for a batch of results, not for each: waking a thread
                // costs more than a small file's conversion.
                if (++m_doneUnseen < kWakeBatch)
                    continue;
                m_doneUnseen = 0;
            } catch (...) {
                // Never done: delivery stops before it.
                const std::lock_guard lock(m_mutex);
                if (!m_exception)
                    m_exception = std::current_exception();
                m_stop = true;
            }
            m_room.notify_all();
            m_changed.notify_one();
        }
        {
            const std::lock_guard lock(m_mutex);
            ++m_finishedWorkers;
        }
        m_room.notify_all();
        m_changed.notify_one();
    }

    // Delivers what is ready in order, looking after each whether to stop; false once nothing more
    // will come.
    bool deliverReady(const std::function<void()>& lookForStop)
    {
        for (;;) {
            std::unique_lock lock(m_mutex);
            if (m_delivered < m_count && m_done[static_cast<std::size_t>(m_delivered)]) {
                lock.unlock();
                m_callbacks.deliver(m_delivered);
                lock.lock();
                ++m_delivered;
                const bool waiting = m_waitingForRoom > 0;
                lock.unlock();
                if (waiting)
                    m_room.notify_all();
                if (m_delivered % kWakeBatch == 0)
                    lookForStop();
                continue;
            }
            return m_delivered < m_count && m_finishedWorkers < m_workers;
        }
    }

    void waitForChange(std::chrono::milliseconds interval)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, interval, [&] { return hasNews(); });
    }

    void stop()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_room.notify_all();
    }
    qsizetype delivered() const { return m_delivered; }
    std::exception_ptr exception() const { return m_exception; }

private:
    // Whether job i may start: once the ones before it are delivered far enough. False only when the
    // run stopped while there was no room yet; a job with room runs even then, since a later one may
    // have found room and started already, and the jobs started must stay 0 .. k - 1.
    bool waitForRoom(qsizetype i)
    {
        if (m_callbacks.aheadLimit <= 0)
            return true;
        std::unique_lock lock(m_mutex);
        const auto room = [&] { return i < m_delivered + m_callbacks.aheadLimit; };
        if (!room()) {
            ++m_waitingForRoom;
            m_changed.notify_one(); // the delivering thread may be waiting for a batch that cannot come
            m_room.wait(lock, [&] { return m_stop.load() || room(); });
            --m_waitingForRoom;
        }
        return room();
    }

    bool hasNews() const
    {
        const bool ready = m_delivered < m_count && m_done[static_cast<std::size_t>(m_delivered)];
        return (ready && (m_doneUnseen == 0 || m_waitingForRoom > 0)) || m_finishedWorkers == m_workers ||
               m_stop.load();
    }

    const qsizetype m_count;
    int m_workers = 0; // guarded by m_mutex
    const JobCallbacks& m_callbacks;
    std::atomic<qsizetype> m_next{0};
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::condition_variable m_room; // a delivery made room for a worker waiting under aheadLimit
    std::vector<bool> m_done;       // guarded by m_mutex
    int m_finishedWorkers = 0;      // guarded by m_mutex
    int m_doneUnseen = 0;           // guarded by m_mutex: results since the delivering thread was last woken
    int m_waitingForRoom = 0;       // guarded by m_mutex
    std::exception_ptr m_exception; // guarded by m_mutex
    qsizetype m_delivered = 0;      // written by the calling thread under m_mutex
};

// The worker threads of a run, stopped and joined however the run ends: a delivery or a tick that
// throws leaves none running.
class Workers final
{
public:
    explicit Workers(Runner& runner) : m_runner(runner) {}
    ~Workers()
    {
        m_runner.stop();
        join();
    }
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    // Starts up to count workers and gives how many run: as many as the system lets start (ulimit -u,
    // ulimit -v), at least one, else the failure to start the first comes out here.
    int start(int count)
    {
        m_threads.reserve(static_cast<std::size_t>(count));
        for (int w = 0; w < count; ++w) {
            try {
                m_threads.emplace_back([this] { m_runner.work(); });
            } catch (const std::system_error&) {
                if (m_threads.empty())
                    throw;
                break;
            } catch (const std::bad_alloc&) {
                if (m_threads.empty())
                    throw;
                break;
            }
        }
        return static_cast<int>(m_threads.size());
    }

    void join()
    {
        for (std::thread& thread : m_threads) {
            if (thread.joinable())
                thread.join();
        }
    }

private:
    Runner& m_runner;
    std::vector<std::thread> m_threads;
};

} // namespace

JobsOutcome runInOrder(qsizetype count, int workers, const JobCallbacks& callbacks, std::chrono::milliseconds interval)
{
    const HeldSignals held; // before the threads start, so that they inherit the mask
    Runner runner(count, callbacks);
    Workers threads(runner);
    runner.setWorkers(threads.start(std::max(1, workers)));

    int signal = 0;
    const auto lookForStop = [&] {
        if (signal == 0 && (signal = held.take()) != 0) {
            if (callbacks.interrupted)
                *callbacks.interrupted = true;
            runner.stop();
        }
        if (callbacks.shouldStop && callbacks.shouldStop())
            runner.stop();
    };
    while (runner.deliverReady(lookForStop)) {
        lookForStop();
        if (callbacks.tick)
            callbacks.tick();
        runner.waitForChange(interval);
    }
    threads.join();
    runner.deliverReady(lookForStop);
    if (signal == 0)
        signal = held.take();
    if (runner.exception())
        std::rethrow_exception(runner.exception());
    return {runner.delivered(), signal};
}

void endBySignal(int signal)
{
    ::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    std::_Exit(128 + signal); // only if the signal did not end the process
}

} // namespace trelvick::tree
