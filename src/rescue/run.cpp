// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescue/run.h"

#include "rescue/commit.h"
#include "rescue/sources.h"
#include "tree/orderedjobs.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace trelvick::rescue {

namespace {

using files::Descriptor;
using files::retryOnInterrupt;
using Code = Reason::Code;
using Kind = Node::Kind;
using Verdict = NameReading::Verdict;

constexpr std::chrono::milliseconds kProgressInterval(100);
// Results a worker may run ahead of the one delivered last: bounds what they keep open.
constexpr qsizetype kAheadLimit = 4 * qsizetype(Committer::kGroupSize);
// A folder made in the output tree can always be filled by its owner.
constexpr mode_t kOwnerAll = S_IRWXU;

// mkdir -p: the output folder and the folders it lies in, with the user's usual mode.
base::Error makeFolders(const QByteArray& path)
{
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0777);
    if (::mkdir(path.constData(), 0777) == 0)
        return {};
    const int made = errno;
    struct stat info;
    if (::stat(path.constData(), &info) == 0)
        return S_ISDIR(info.st_mode) ? base::Error{} : base::Error::system(ENOTDIR);
    return base::Error::system(made);
}

// Cursors for the workers, one each at a time.
class CursorPool
{
public:
    struct Pair
    {
        std::unique_ptr<InputCursor> input;
        std::unique_ptr<OutputCursor> output;
    };

    CursorPool(const Plan& plan, const Folders& folders, int outputRoot)
        : m_plan(plan), m_folders(folders), m_outputRoot(outputRoot)
    {
    }

    Pair take()
    {
        {
            const std::lock_guard lock(m_mutex);
            if (!m_free.empty()) {
                Pair pair = std::move(m_free.back());
                m_free.pop_back();
                return pair;
            }
        }
        Pair pair{std::make_unique<InputCursor>(m_plan, m_folders), nullptr};
        if (m_outputRoot >= 0)
            pair.output = std::make_unique<OutputCursor>(m_plan, m_folders, m_outputRoot);
        return pair;
    }
    void give(Pair pair)
    {
        const std::lock_guard lock(m_mutex);
        m_free.push_back(std::move(pair));
    }

private:
    const Plan& m_plan;
    const Folders& m_folders;
    int m_outputRoot;
    std::mutex m_mutex;
    std::vector<Pair> m_free;
};

class Job final
{
public:
    Job(const Request& request, const Plan& plan, const Conversions& conversions, Events& events)
        : m_request(request), m_plan(plan), m_conversions(conversions), m_events(events)
    {
    }

    Finished run();

private:
    bool openOutput();
    void settleFolders(InputCursor& input, OutputCursor* output);
    Result settleFolder(qsizetype f, InputCursor& input, OutputCursor* output);
    Result settled(qsizetype f, Result result) const;
    void finishFolders(InputCursor& input, OutputCursor* output);
    void tell(qsizetype i, const Result& result);

    const Request& m_request;
    const Plan& m_plan;
    const Conversions& m_conversions;
    Events& m_events;
    Finished m_finished;
    Folders m_folders;
    Descriptor m_outputRoot;
    std::vector<Done> m_done;
    std::vector<mode_t> m_madeMode; // by node: the mode a folder made here should have in the end
    std::int64_t m_files = 0;
    std::int64_t m_bytes = 0;
};

bool Job::openOutput()
{
    if (m_request.delivery != Delivery::OutputDir)
        return true;
    if (liesInside(m_request.outputDir, m_plan.walked())) {
        m_finished.setup = Finished::Setup::OutputInsideInput;
        return false;
    }
    m_folders.outputRoot = m_request.outputDir;
    // A dry run makes nothing: an output folder not there yet is one the real run would make.
    base::Error failed = m_request.dryRun ? base::Error{} : makeFolders(m_request.outputDir);
    if (m_request.dryRun && ::access(m_request.outputDir.constData(), F_OK) != 0 && errno == ENOENT)
        return true;
    if (!failed) {
        m_outputRoot = Descriptor(retryOnInterrupt(
            [&] { return ::open(m_request.outputDir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY); }));
        struct stat info;
        if (m_outputRoot && ::fstat(m_outputRoot.get(), &info) == 0)
            m_folders.outputRootId = FileId::of(info);
        else
            failed = base::Error::system(errno);
    }
    if (failed) {
        m_finished.setup = Finished::Setup::OutputFolder;
        m_finished.error = failed;
        return false;
    }
    return true;
}

Finished Job::run()
{
    const auto count = std::size_t(m_plan.size());
    m_folders.currentName.resize(count);
    m_folders.outputId.resize(count);
    m_folders.outputError.resize(count);
    m_madeMode.assign(count, 0);
    m_done.resize(count);
    if (!openOutput())
        return m_finished;
    Shared shared{m_request, m_plan, m_folders, m_conversions, m_outputRoot.get()};
    InputCursor input(m_plan, m_folders);
    std::optional<OutputCursor> output;
    if (m_outputRoot)
        output.emplace(m_plan, m_folders, m_outputRoot.get());
    settleFolders(input, output ? &*output : nullptr);
    if (m_request.delivery != Delivery::OutputDir)
        output.reset();

    CursorPool cursors(m_plan, m_folders, m_outputRoot.get());
    Committer committer(shared, input, output ? &*output : nullptr,
                        [this](qsizetype i, const Result& result) { tell(i, result); });
    tree::JobCallbacks callbacks;
    callbacks.run = [&](qsizetype i) {
        const Node& node = m_plan.node(i);
        if (node.kind == Kind::Folder && node.sameAs < 0)
            return; // settled already
        CursorPool::Pair pair = cursors.take();
        m_done[std::size_t(i)] = Work(shared, *pair.input, pair.output.get()).entry(i);
        cursors.give(std::move(pair));
    };
    callbacks.deliver = [&](qsizetype i) { committer.add(i, std::move(m_done[std::size_t(i)])); };
    callbacks.tick = [&] {
        committer.commitIfDue();
        m_events.progress(m_files, m_bytes);
    };
    callbacks.interrupted = &shared.abandon;
    callbacks.shouldStop = [this] { return m_events.stopRequested(); };
    callbacks.aheadLimit = kAheadLimit;
    const tree::JobsOutcome outcome = tree::runInOrder(m_plan.size(), m_request.jobs, callbacks, kProgressInterval);
    committer.flush();
    m_finished.signal = outcome.signal;
    m_finished.filesDone = m_files;
    if (outcome.signal == 0 && !m_request.dryRun)
        finishFolders(input, output ? &*output : nullptr);
    m_finished.problem = m_finished.problem || !m_finished.folderFailures.isEmpty();
    if (outcome.signal == 0 && output && !m_request.dryRun) {
        // The new outputs were never flushed one by one: once, now, before the job says it is done.
        if (::syncfs(m_outputRoot.get()) != 0) {
            m_finished.error = base::Error::system(errno, base::Side::Output);
            m_finished.problem = true;
        }
    }
    return m_finished;
}

// Before any file: the folders made in the output tree, or renamed in place, so that every worker
// finds its way ready.
void Job::settleFolders(InputCursor& input, OutputCursor* output)
{
    for (qsizetype f = 0; f < m_plan.size(); ++f) {
        const Node& node = m_plan.node(f);
        if (node.kind != Kind::Folder || node.sameAs >= 0)
            continue;
        if (node.isInput()) {
            m_folders.outputId[std::size_t(f)] = m_folders.outputRootId;
            Result result;
            result.action = Action::Unchanged;
            if (node.error)
                result.fail(Action::Failed, {Code::Failure, {}, 0, {}, node.error});
            m_done[std::size_t(f)].result = result;
            continue;
        }
        m_done[std::size_t(f)].result = settleFolder(f, input, output);
    }
}

Result Job::settleFolder(qsizetype f, InputCursor& input, OutputCursor* output)
{
    const Node& node = m_plan.node(f);
    const Place& place = m_plan.place(f);
    Result result;
    result.action = Action::Unchanged;
    if (m_request.delivery == Delivery::OutputDir) {
        base::Expected<int> parent = output ? output->containerOf(f) : base::Expected<int>(base::Error::system(ENOENT));
        const mode_t wanted = node.info.st_mode & 07777;
        base::Error failed = parent ? base::Error{} : parent.error();
        if (m_request.dryRun && failed.is(ENOENT)) { // its parent is one the real run would make: so is it
            m_folders.outputError[std::size_t(f)] = failed;
            if (place.outputName != node.name)
                result.newName = place.outputName;
            return settled(f, std::move(result));
        }
        if (!failed && m_request.dryRun &&
            ::faccessat(*parent, place.outputName.constData(), F_OK, AT_SYMLINK_NOFOLLOW) != 0) {
            m_folders.outputError[std::size_t(f)] = base::Error::system(ENOENT);
            if (place.outputName != node.name)
                result.newName = place.outputName;
            return settled(f, std::move(result));
        }
        if (!failed && !m_request.dryRun && ::mkdirat(*parent, place.outputName.constData(), wanted | kOwnerAll) == 0)
            m_madeMode[std::size_t(f)] = wanted;
        else if (!failed && !m_request.dryRun && errno != EEXIST)
            failed = base::Error::system(errno, base::Side::Output);
        struct stat made;
        if (!failed && ::fstatat(*parent, place.outputName.constData(), &made, AT_SYMLINK_NOFOLLOW) != 0)
            failed = base::Error::system(errno, base::Side::Output);
        else if (!failed && !S_ISDIR(made.st_mode))
            failed = base::Error::system(ENOTDIR, base::Side::Output);
        if (failed) {
            m_folders.outputError[std::size_t(f)] = failed;
            QByteArray shown = m_request.outputDir;
            result.fail(Action::Failed, {Code::Failure, shown + '/' + place.outputRelative, 0, {}, failed});
        } else {
            m_folders.outputId[std::size_t(f)] = FileId::of(made);
            if (place.outputName != node.name)
                result.newName = place.outputName;
        }
    } else if (!place.newName().isEmpty()) {
        base::Expected<int> parent = input.containerOf(f);
        struct stat taken;
        if (!parent) {
            result.fail(Action::Failed, {Code::Failure, {}, 0, {}, parent.error()});
        } else if (m_request.dryRun ? ::fstatat(*parent, place.newName().constData(), &taken, AT_SYMLINK_NOFOLLOW) == 0
                                    : ::renameat2(*parent, node.name.constData(), *parent, place.newName().constData(),
                                                  RENAME_NOREPLACE) != 0) {
            const int failed = m_request.dryRun ? EEXIST : errno;
            result.fail(Action::Failed,
                        failed == EEXIST
                            ? Reason{Code::NameTaken, place.newName(), 0, {}, {}}
                            : Reason{Code::RenameFailed, place.newName(), 0, {}, base::Error::system(failed)});
        } else {
            if (!m_request.dryRun)
                m_folders.currentName[std::size_t(f)] = place.newName();
            result.newName = place.newName();
        }
    }
    return settled(f, std::move(result));
}

// What a folder's own name and listing add to its result.
Result Job::settled(qsizetype f, Result result) const
{
    const Node& node = m_plan.node(f);
    const Place& place = m_plan.place(f);
    if (!place.nameTakenBy.isEmpty())
        result.fail(result.action, {Code::NameTaken, place.nameTakenBy, 0, {}, {}});
    if (const std::optional<Reason> problem = nameProblem(place))
        result.fail(result.action, *problem);
    if (node.error)
        result.fail(Action::Failed, {Code::Failure, {}, 0, {}, node.error});
    return result;
}

// Once nothing more is written into them, deepest first: the folders made here get their source's
// mode, and every folder its source's times (in place, the times it had before the job changed its
// entries).
void Job::finishFolders(InputCursor& input, OutputCursor* output)
{
    for (qsizetype f = m_plan.size() - 1; f >= 0; --f) {
        const Node& node = m_plan.node(f);
        if (node.kind != Kind::Folder || node.sameAs >= 0 || m_folders.outputError[std::size_t(f)])
            continue;
        Cursor& cursor = output ? static_cast<Cursor&>(*output) : input;
        const base::Expected<int> parent = cursor.containerOf(f);
        const QByteArray shown = output ? m_request.outputDir + '/' + m_plan.place(f).outputRelative : node.path;
        if (!parent) {
            m_finished.folderFailures.append({shown, parent.error()});
            continue;
        }
        // An input folder stands for the output folder itself, or was named as the folder itself.
        QByteArray name = output ? m_plan.place(f).outputName : m_folders.currentName[std::size_t(f)];
        if (name.isEmpty() && !output)
            name = node.name;
        const char* at = name.isEmpty() ? "." : name.constData();
        const mode_t mode = m_madeMode[std::size_t(f)];
        if (mode != 0 && (mode & kOwnerAll) != kOwnerAll && ::fchmodat(*parent, at, mode, 0) != 0)
            m_finished.folderFailures.append({shown, base::Error::system(errno, base::Side::Output)});
        const timespec times[2] = {node.info.st_atim, node.info.st_mtim};
        if (m_request.preserveTimes && (!output || !node.isInput() || m_request.inputs.size() == 1) &&
            ::utimensat(*parent, at, times, AT_SYMLINK_NOFOLLOW) != 0)
            m_finished.folderFailures.append({shown, base::Error::system(errno, base::Side::Output)});
    }
}

void Job::tell(qsizetype i, const Result& result)
{
    const Node& node = m_plan.node(i);
    if (result.abandoned)
        return;
    if (hasRow(node, result))
        (node.kind == Kind::Folder ? m_finished.tally.folders : m_finished.tally.files).count(result.action);
    if (node.kind == Kind::File && node.sameAs < 0) {
        ++m_files;
        m_bytes += node.info.st_size;
    }
    m_finished.problem = m_finished.problem || result.problem;
    m_events.done(i, node, result);
}

} // namespace

bool hasRow(const Node& node, const Result& result)
{
    return !result.again && (node.kind != Node::Kind::Folder || result.problem || !result.newName.isEmpty());
}

void Tally::Counts::count(Action action)
{
    ++total;
    switch (action) {
    case Action::Converted:
        ++converted;
        break;
    case Action::Copied:
        ++copied;
        break;
    case Action::Unchanged:
        ++unchanged;
        break;
    case Action::Skipped:
        ++skipped;
        break;
    case Action::Failed:
        ++failed;
        break;
    }
}

Finished run(const Request& request, const Plan& plan, const Conversions& conversions, Events& events)
{
    return Job(request, plan, conversions, events).run();
}

} // namespace trelvick::rescue
