// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescueapp/jobthread.h"

#include <QCoreApplication>
#include <QThread>

namespace trelvick::rescueapp {

JobThread::JobThread(QObject* parent) : QObject(parent) {}

JobThread::~JobThread()
{
    requestStop();
    wait();
}

void JobThread::start(std::function<void(JobThread&)> work)
{
    m_stop = false;
    m_thread.reset(QThread::create([this, work = std::move(work)] { work(*this); }));
    // Queued behind everything the job posted, so the window has heard all of it when told the end.
    connect(m_thread.get(), &QThread::finished, this, &JobThread::ended, Qt::QueuedConnection);
    m_thread->start();
}

void JobThread::post(std::function<void()> f)
{
    QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
}

void JobThread::wait()
{
    if (m_thread)
        m_thread->wait();
}

void JobThread::ended()
{
    m_thread.reset();
    emit finished();
}

} // namespace trelvick::rescueapp
