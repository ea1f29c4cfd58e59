// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescue/commit.h"

#include "files/fileops.h"

#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace trelvick::rescue {

namespace {

using files::Descriptor;
using files::retryOnInterrupt;
using Code = Reason::Code;

// A group waits at most this long, so that the report keeps moving on a slow file system.
constexpr std::chrono::milliseconds kGroupWait(250);

} // namespace

void Committer::add(qsizetype i, Done done)
{
    if (m_group.empty() && !done.pending && m_shared.plan.repeats(i) == 0 &&
        !(m_shared.plan.node(i).kind == Node::Kind::File && m_shared.plan.node(i).sameAs >= 0)) {
        m_tell(i, done.result); // nothing waits before it, and it waits for nothing
        return;
    }
    if (m_group.empty())
        m_started = std::chrono::steady_clock::now();
    m_group.push_back({i, std::move(done)});
    if (m_group.size() >= m_groupSize)
        commitGroup();
}

void Committer::commitIfDue()
{
    if (!m_group.empty() && std::chrono::steady_clock::now() - m_started >= kGroupWait)
        commitGroup();
}

void Committer::flush()
{
    if (!m_group.empty())
        commitGroup();
}

void Committer::commitGroup()
{
    // The data of every new file first, once per file system.
    QSet<dev_t> synced;
    for (Entry& entry : m_group) {
        Pending* pending = entry.done.pending.get();
        if (!pending || synced.contains(pending->folderId.device))
            continue;
        synced.insert(pending->folderId.device);
        if (::syncfs(pending->folder.get()) != 0) {
            const base::Error failed = base::Error::system(errno, base::Side::Output);
            for (Entry& other : m_group) {
                if (other.done.pending && other.done.pending->folderId.device == pending->folderId.device) {
                    if (other.done.pending->ownBackup)
                        ::unlinkat(other.done.pending->folder.get(), other.done.pending->backup.constData(), 0);
                    other.done.pending.reset();
                    other.done.result.fail(Action::Failed, {Code::Failure, {}, 0, {}, failed});
                }
            }
        }
    }
    QHash<FileId, int> folders; // each folder flushed once, through one of its descriptors
    for (Entry& entry : m_group) {
        if (!entry.done.pending)
            continue;
        commit(entry);
        if (entry.done.pending && !folders.contains(entry.done.pending->folderId))
            folders.insert(entry.done.pending->folderId, entry.done.pending->folder.get());
    }
    // The renames are done and the data is on the disk; a folder that cannot be flushed (a file system
    // without it) at worst brings old files back after a crash.
    for (const int folder : std::as_const(folders))
        ::fsync(folder);
    for (Entry& entry : m_group) {
        const Node& node = m_shared.plan.node(entry.i);
        Result& result = entry.done.result;
        if (node.kind == Node::Kind::File && node.sameAs >= 0)
            result = repeat(entry.i);
        m_tell(entry.i, result);
        if (m_shared.plan.repeats(entry.i) > 0)
            m_linked.insert(entry.i, result);
    }
    m_group.clear();
}

// The new file takes the old one's name, then its new name (names converted in place).
void Committer::commit(Entry& entry)
{
    Pending& pending = *entry.done.pending;
    Result& result = entry.done.result;
    if (const base::Error failed = pending.output->commit()) {
        if (pending.ownBackup)
            ::unlinkat(pending.folder.get(), pending.backup.constData(), 0);
        result.backup.clear();
        result.fail(Action::Failed, {Code::Failure, {}, 0, {}, failed});
        return;
    }
    pending.output.reset();
    if (pending.renameTo.isEmpty())
        return;
    if (const int failed =
            files::renameNoReplaceAt(pending.folder.get(), pending.name.constData(), pending.renameTo.constData())) {
        result.writtenName = pending.name;
        result.fail(Action::Failed,
                    failed == EEXIST
                        ? Reason{Code::NameTaken, pending.renameTo, 0, {}, {}}
                        : Reason{Code::RenameFailed, pending.renameTo, 0, {}, base::Error::system(failed)});
        return;
    }
    result.newName = pending.renameTo;
}

// Another name of a file already done: it becomes a name of the result too, so that the tree keeps its
// links and the file is converted once.
Result Committer::repeat(qsizetype i)
{
    const Node& node = m_shared.plan.node(i);
    Result result;
    if (m_shared.plan.place(i).isBackup) {
        result.add({Code::IsBackup, {}, 0, {}, {}});
        return result;
    }
    if (m_shared.plan.place(i).sameEntry) {
        result.again = true;
        result.add({Code::SameFileAs, m_shared.plan.node(node.sameAs).path, 0, {}, {}});
        return result;
    }
    const Result first = m_linked.value(node.sameAs);
    result.action = first.action;
    result.from = first.from;
    result.to = first.to;
    result.problem = first.problem;
    result.add({Code::SameFileAs, m_shared.plan.node(node.sameAs).path, 0, {}, {}});
    const bool inPlace = m_shared.request.delivery == Delivery::InPlace;
    const bool written =
        inPlace ? first.action == Action::Converted : first.action != Action::Skipped && first.action != Action::Failed;
    if (!written || first.writtenName.isEmpty() || m_shared.request.dryRun)
        return result;
    if (const base::Error failed = relink(node.sameAs, first, i))
        result.fail(Action::Failed, {Code::Failure, {}, 0, {}, failed});
    return result;
}

// Entry i's name (its output's, under an output folder) made a name of first's result, replacing the
// name it had; first's result is found again from its folder and checked to be the file written.
base::Error Committer::relink(qsizetype first, const Result& firstResult, qsizetype i)
{
    const bool inPlace = m_shared.request.delivery == Delivery::InPlace;
    Cursor& cursor = inPlace ? static_cast<Cursor&>(m_input) : *m_output;
    base::Expected<int> from = cursor.containerOf(first);
    if (!from)
        return from.error();
    const Descriptor written(retryOnInterrupt(
        [&] { return ::openat(*from, firstResult.writtenName.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC); }));
    struct stat info;
    if (!written || ::fstat(written.get(), &info) != 0)
        return base::Error::system(errno, base::Side::Output);
    if (FileId::of(info) != firstResult.written)
        return base::Error::fault(base::Fault::FileChanged, base::Side::Output);
    base::Expected<int> to = cursor.containerOf(i);
    if (!to)
        return to.error();
    const QByteArray name = inPlace ? m_shared.plan.node(i).name : m_shared.plan.place(i).outputName;
    if (inPlace && (::fstatat(*to, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
                    FileId::of(info) != m_shared.plan.node(i).id()))
        return base::Error::fault(base::Fault::FileChanged, base::Side::Input);
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(written.get());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temporary = files::temporaryName();
        if (::linkat(AT_FDCWD, self.constData(), *to, temporary.constData(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST)
                continue;
            return base::Error::system(errno, base::Side::Output);
        }
        if (::renameat(*to, temporary.constData(), *to, name.constData()) != 0) {
            const int failed = errno;
            ::unlinkat(*to, temporary.constData(), 0);
            return base::Error::system(failed, base::Side::Output);
        }
        ::fsync(*to);
        return {};
    }
    return base::Error::system(EEXIST, base::Side::Output);
}

} // namespace trelvick::rescue
