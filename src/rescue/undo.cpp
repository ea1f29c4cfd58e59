// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescue/undo.h"

#include "files/descriptor.h"
#include "files/fileops.h"

#include <QCryptographicHash>
#include <QHash>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trelvick::rescue {

namespace {

using files::Descriptor;
using files::retryOnInterrupt;
using Kind = UndoStep::Kind;
using Outcome = UndoStep::Outcome;

QByteArray withoutTrailingSlashes(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

QByteArray parentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray() : slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray join(const QByteArray& folder, const QByteArray& name)
{
    if (folder.isEmpty())
        return name;
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// The SHA-256 of a regular file's contents in hex, never through a link; empty when it cannot be read.
QByteArray sha256Of(const QByteArray& path)
{
    const Descriptor file(retryOnInterrupt(
        [&] { return ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC); }));
    struct stat info;
    if (!file || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = retryOnInterrupt([&] { return ::read(file.get(), buffer, sizeof buffer); });
        if (got < 0)
            return {};
        if (got == 0)
            return hash.result().toHex();
        hash.addData(QByteArrayView(buffer, got));
    }
}

// Where each row's entry lies now and where it goes back to, its folders renamed as the rows before it say.
struct Places
{
    std::vector<QByteArray> now;
    std::vector<QByteArray> back;
    std::vector<QByteArray> folder; // the folder it lies in now
};

Places placesOf(const std::vector<ReportRow>& rows)
{
    Places places;
    QHash<QByteArray, QByteArray> moved; // a path as walked: where it lies now
    for (const ReportRow& row : rows) {
        const QByteArray path = withoutTrailingSlashes(row.path);
        const QByteArray parent = parentOf(path);
        const QByteArray folder = moved.value(parent, parent);
        const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
        places.folder.push_back(folder);
        places.back.push_back(join(folder, name));
        places.now.push_back(join(folder, row.newName.isEmpty() ? name : row.newName));
        if (places.now.back() != path)
            moved.insert(path, places.now.back());
    }
    return places;
}

// The backup takes the original name back once the file is still what the run wrote.
UndoStep restore(const ReportRow& row, const QByteArray& now, const QByteArray& back, const QByteArray& folder,
                 bool dryRun)
{
    UndoStep step{Kind::Restore, now, back, Outcome::Done, {}};
    const QByteArray backup = join(folder, row.backup);
    struct stat info = {};
    errno = 0;
    if (::lstat(backup.constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        step.outcome = Outcome::Failed;
        step.path = backup;
        step.error = S_ISREG(info.st_mode) || errno != 0 ? base::Error::system(errno, base::Side::Input)
                                                         : base::Error::fault(base::Fault::NotRegularFile);
        return step;
    }
    if (sha256Of(now) != row.sha256) {
        step.outcome = Outcome::Changed;
        return step;
    }
    if (dryRun)
        return step;
    const bool renamed = now != back;
    const int failed = renamed ? files::renameNoReplaceAt(AT_FDCWD, backup.constData(), back.constData())
                               : (::rename(backup.constData(), now.constData()) == 0 ? 0 : errno);
    if (failed == 0 && renamed && ::unlink(now.constData()) != 0)
        step.error = base::Error::system(errno, base::Side::Output);
    if (failed != 0)
        step.error = base::Error::system(failed, base::Side::Output);
    if (step.error)
        step.outcome = Outcome::Failed;
    return step;
}

UndoStep renameBack(const QByteArray& now, const QByteArray& back, bool dryRun)
{
    UndoStep step{Kind::RenameBack, now, back, Outcome::Done, {}};
    struct stat info;
    int failed = 0;
    if (::lstat(now.constData(), &info) != 0)
        failed = errno;
    else if (::lstat(back.constData(), &info) == 0)
        failed = EEXIST;
    else if (!dryRun)
        failed = files::renameNoReplaceAt(AT_FDCWD, now.constData(), back.constData());
    if (failed != 0) {
        step.outcome = Outcome::Failed;
        step.error = base::Error::system(failed, base::Side::Output);
    }
    return step;
}

} // namespace

UndoTally undo(const std::vector<ReportRow>& rows, bool dryRun, const std::function<void(const UndoStep&)>& tell)
{
    const Places places = placesOf(rows);
    UndoTally tally;
    for (auto i = std::ptrdiff_t(rows.size()) - 1; i >= 0; --i) {
        const ReportRow& row = rows[std::size_t(i)];
        const QByteArray& now = places.now[std::size_t(i)];
        const QByteArray& back = places.back[std::size_t(i)];
        UndoStep step;
        if (row.action == Action::Converted && !row.sha256.isEmpty() && !row.backup.isEmpty())
            step = restore(row, now, back, places.folder[std::size_t(i)], dryRun);
        else if (row.action == Action::Converted)
            step = {Kind::Restore, now, back, Outcome::NoBackup, {}};
        else if (!row.newName.isEmpty() && row.action != Action::Failed && row.action != Action::Skipped)
            step = renameBack(now, back, dryRun);
        else
            continue;
        switch (step.outcome) {
        case Outcome::Done:
            ++(step.kind == Kind::Restore ? tally.restored : tally.renamed);
            break;
        case Outcome::Changed:
        case Outcome::NoBackup:
            ++tally.left;
            break;
        case Outcome::Failed:
            ++tally.failed;
            break;
        }
        tell(step);
    }
    return tally;
}

} // namespace trelvick::rescue
