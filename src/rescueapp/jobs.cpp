// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescueapp/jobs.h"

#include "rescue/report.h"
#include "rescueapp/jobthread.h"
#include "rescueapp/preview.h"
#include "rescueapp/reportfile.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <new>
#include <system_error>

namespace trelvick::rescueapp {

namespace {

using Kind = rescue::Node::Kind;

// A batch goes to the window at least this often, and sooner once it is this large.
constexpr qint64 kBatchInterval = 50; // ms
constexpr std::size_t kBatchSize = 2000;

template <class T> class Batch final
{
public:
    Batch(JobThread& thread, std::function<void(std::vector<T>)> tell) : m_thread(thread), m_tell(std::move(tell))
    {
        m_clock.start();
    }

    // True when the batch went to the window with this one.
    bool add(T item)
    {
        m_items.push_back(std::move(item));
        if (m_items.size() < kBatchSize && m_clock.elapsed() < kBatchInterval)
            return false;
        send();
        return true;
    }
    void send()
    {
        m_clock.restart();
        if (m_items.empty())
            return;
        m_thread.post([tell = m_tell, items = std::move(m_items)]() mutable { tell(std::move(items)); });
        m_items = {};
    }

private:
    JobThread& m_thread;
    std::function<void(std::vector<T>)> m_tell;
    std::vector<T> m_items;
    QElapsedTimer m_clock;
};

void tellProgress(JobThread& thread, const std::function<void(std::int64_t, std::int64_t)>& tell, std::int64_t files,
                  std::int64_t bytes)
{
    thread.post([tell, files, bytes] { tell(files, bytes); });
}

class ScanFace final : public rescue::Events
{
public:
    ScanFace(JobThread& thread, const ScanEvents& events)
        : m_thread(thread), m_events(events), m_rows(thread, events.rows)
    {
    }

    void done(qsizetype i, const rescue::Node& node, const rescue::Result& result) override
    {
        // The rows of the report, and so of the table: every file, a folder only when something happened to it.
        if (!rescue::hasRow(node, result))
            return;
        PlanRow row = rowOf(i, result);
        if (node.kind == Kind::File && node.sameAs < 0 && result.action != rescue::Action::Copied)
            row.head = readHead(node);
        m_rows.add(std::move(row));
    }
    void progress(std::int64_t files, std::int64_t bytes) override
    {
        m_rows.send();
        tellProgress(m_thread, m_events.progress, files, bytes);
    }
    bool stopRequested() const override { return m_thread.stopRequested(); }
    void end() { m_rows.send(); }

private:
    JobThread& m_thread;
    const ScanEvents& m_events;
    Batch<PlanRow> m_rows;
};

class ConvertFace final : public rescue::Events
{
public:
    ConvertFace(JobThread& thread, const ConvertEvents& events, ReportFile& report)
        : m_thread(thread), m_events(events), m_report(report), m_results(thread, events.results)
    {
    }

    void done(qsizetype i, const rescue::Node& node, const rescue::Result& result) override
    {
        if (!rescue::hasRow(node, result))
            return;
        const QByteArray line = rescue::reportLine(node, result);
        m_report.add(line);
        if (!result.backup.isEmpty() || !result.newName.isEmpty())
            m_undoLines += line;
        if (m_results.add({i, outcomeOf(result)}))
            m_report.flush();
    }
    void progress(std::int64_t files, std::int64_t bytes) override
    {
        m_results.send();
        m_report.flush();
        tellProgress(m_thread, m_events.progress, files, bytes);
    }
    bool stopRequested() const override { return m_thread.stopRequested(); }
    void end() { m_results.send(); }
    const QByteArray& undoLines() const { return m_undoLines; }

private:
    JobThread& m_thread;
    const ConvertEvents& m_events;
    ReportFile& m_report;
    Batch<std::pair<qsizetype, Outcome>> m_results;
    QByteArray m_undoLines;
};

// The system's refusal of memory or of a thread, which ends a job (files under way end whole, nothing
// half-written stays) and is told as its end.
template <class Job> base::Error guarded(Job job)
{
    try {
        job();
    } catch (const std::bad_alloc&) {
        return base::Error::system(ENOMEM);
    } catch (const std::system_error& error) {
        return base::Error::system(error.code().value());
    }
    return {};
}

} // namespace

void scan(JobThread& thread, const Options& options, const ScanEvents& events)
{
    JobEnd end;
    base::Expected<std::unique_ptr<Session>> made = Session::make(options);
    if (!made) {
        end.setupError = made.error();
        thread.post([tell = events.finished, end] { tell(end); });
        return;
    }
    std::shared_ptr<Session> session = std::move(*made);
    ScanFace face(thread, events);
    end.failure = guarded([&] {
        session->walkAndPlan();
        thread.post([tell = events.planned, session] { tell(session); });
        end.finished = rescue::run(session->request(), session->plan(), session->conversions(), face);
    });
    face.end();
    end.stopped = thread.stopRequested();
    thread.post([tell = events.finished, end] { tell(end); });
}

void convert(JobThread& thread, const std::shared_ptr<Session>& session, const QByteArray& reportFolder,
             const ConvertEvents& events)
{
    ReportFile report;
    const base::Error opened = report.open(reportFolder, QDateTime::currentDateTime());
    thread.post([tell = events.reportOpened, path = report.path(), opened] { tell(path, opened); });
    ConvertFace face(thread, events, report);
    JobEnd end;
    end.failure =
        guarded([&] { end.finished = rescue::run(session->request(), session->plan(), session->conversions(), face); });
    face.end();
    end.stopped = thread.stopRequested();
    const base::Error reportFailed = opened ? base::Error{} : report.finish();
    thread.post(
        [tell = events.finished, end, lines = face.undoLines(), reportFailed] { tell(end, lines, reportFailed); });
}

void undo(JobThread& thread, const QByteArray& report, const UndoEvents& events)
{
    rescue::UndoTally tally;
    const base::Expected<std::vector<rescue::ReportRow>> rows = rescue::readReport(report);
    Batch<rescue::UndoStep> steps(thread, events.steps);
    const base::Error failure = rows ? guarded([&] {
        tally = rescue::undo(*rows, false, [&](const rescue::UndoStep& step) {
            if (step.outcome != rescue::UndoStep::Outcome::Done)
                steps.add(step);
        });
    })
                                     : rows.error();
    steps.send();
    if (failure)
        steps.add({rescue::UndoStep::Kind::Restore, {}, {}, rescue::UndoStep::Outcome::Failed, failure});
    steps.send();
    thread.post([tell = events.finished, tally] { tell(tally); });
}

} // namespace trelvick::rescueapp
