// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>

class QThread;

namespace trelvick::rescueapp {

// A job of the engine on a thread of its own, so that the window never waits on the disk: the job
// hands what it has to tell to post(), which runs it on the window's thread in the order posted.
// One job at a time; going away stops the job and waits for the files under way.
class JobThread final : public QObject
{
    Q_OBJECT

public:
    explicit JobThread(QObject* parent = nullptr);
    ~JobThread() override;

    // Runs work on a new thread; finished() comes once it has ended and all it posted has run.
    void start(std::function<void(JobThread&)> work);
    bool running() const { return m_thread != nullptr; }
    // Any thread: the job lets the files under way end and starts no more.
    void requestStop() { m_stop = true; }
    bool stopRequested() const { return m_stop.load(); }
    // The job's thread: f runs on the window's thread.
    void post(std::function<void()> f);
    // Waits for the job to end (a window closing, a test ending).
    void wait();

signals:
    void finished();

private:
    void ended();

    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_stop{false};
};

} // namespace trelvick::rescueapp
