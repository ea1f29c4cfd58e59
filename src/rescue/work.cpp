// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescue/work.h"

#include "files/destination.h"
#include "files/filecopy.h"
#include "files/fileops.h"
#include "files/posixfile.h"
#include "rescue/sources.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace trelvick::rescue {

namespace {

using files::Descriptor;
using files::retryOnInterrupt;
using Code = Reason::Code;
using Kind = Node::Kind;

// The permission bits a new output takes from its input.
constexpr mode_t kAccessBits = 0777;

Reason failure(base::Error error, QByteArray name = {})
{
    return {Code::Failure, std::move(name), 0, {}, std::move(error)};
}

// An open file read from its start, giving up once the job is told to stop.
class StoppableSource final : public files::DescriptorSource
{
public:
    StoppableSource(int fd, const std::atomic<bool>& stop) : DescriptorSource(fd), m_stop(stop) {}
    std::int64_t read(char* buffer, std::int64_t capacity) override
    {
        if (m_stop.load(std::memory_order_relaxed)) {
            m_error = base::Error::system(EINTR, base::Side::Input);
            return -1;
        }
        const std::int64_t got = DescriptorSource::read(buffer, capacity);
        if (got < 0)
            m_error.side = base::Side::Input;
        return got;
    }

private:
    const std::atomic<bool>& m_stop;
};

class OutputSink final : public files::DescriptorSink
{
public:
    using DescriptorSink::DescriptorSink;
    bool write(const char* data, std::int64_t size) override
    {
        const bool written = DescriptorSink::write(data, size);
        m_error.side = base::Side::Output;
        return written;
    }
};

// The file as it is opened for the job: never through a link, never waiting on a FIFO, and only when it
// is still the file the walk saw.
base::Expected<Descriptor> openInput(int folder, const Node& node)
{
    Descriptor file(retryOnInterrupt([&] {
        return ::openat(folder, node.name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    }));
    struct stat info;
    if (!file && errno == ELOOP) // a link took its place
        return base::Error::fault(base::Fault::FileChanged, base::Side::Input);
    if (!file || ::fstat(file.get(), &info) != 0)
        return base::Error::system(errno, base::Side::Input);
    if (!S_ISREG(info.st_mode) || FileId::of(info) != node.id())
        return base::Error::fault(base::Fault::FileChanged, base::Side::Input);
    return file;
}

// Line ends that a conversion under ends would write otherwise.
class LineEndScan
{
public:
    explicit LineEndScan(convert::LineEnds ends) : m_ends(ends) {}

    bool changes(const char* data, qsizetype size)
    {
        for (qsizetype k = 0; k < size; ++k) {
            const char c = data[k];
            if (m_ends == convert::LineEnds::Lf) {
                if (c == '\r')
                    return true;
            } else if ((c == '\n' && !m_afterCr) || (m_afterCr && c != '\n')) {
                return true;
            }
            m_afterCr = c == '\r';
        }
        return false;
    }
    bool endsInCr() const { return m_afterCr; }

private:
    convert::LineEnds m_ends;
    bool m_afterCr = false;
};

} // namespace

base::Expected<bool> lineEndsChange(int fd, convert::LineEnds ends)
{
    if (ends == convert::LineEnds::Keep)
        return false;
    LineEndScan scan(ends);
    char buffer[64 * 1024];
    for (off_t at = 0;;) {
        const ssize_t got = retryOnInterrupt([&] { return ::pread(fd, buffer, sizeof buffer, at); });
        if (got < 0)
            return base::Error::system(errno, base::Side::Input);
        if (got == 0)
            return ends != convert::LineEnds::Lf && scan.endsInCr();
        if (scan.changes(buffer, got))
            return true;
        at += got;
    }
}

Done Work::entry(qsizetype i)
{
    const Node& node = m_shared.plan.node(i);
    Done done;
    Result& result = done.result;
    switch (node.kind) {
    case Kind::Failed:
        result.fail(Action::Failed, failure(node.error));
        return done;
    case Kind::Link:
        result.add({Code::SymbolicLink, {}, 0, {}, {}});
        return done;
    case Kind::Special:
        result.add({Code::SpecialFile, {}, 0, {}, {}});
        return done;
    case Kind::Folder: // met again; its contents were walked once
        result.add({Code::SameFileAs, m_shared.plan.node(node.sameAs).path, 0, {}, {}});
        return done;
    case Kind::File:
        break;
    }
    if (node.sameAs >= 0)
        return done; // once the first name's result is in: see Commit
    return file(i);
}

// The contents: guessed, then converted, copied or left alone.
Done Work::file(qsizetype i)
{
    const Node& node = m_shared.plan.node(i);
    const Place& place = m_shared.plan.place(i);
    const bool inPlace = m_shared.request.delivery == Delivery::InPlace;
    Done done;
    Result& result = done.result;
    result.to = m_shared.conversions.targetName();
    if (place.isBackup) {
        result.add({Code::IsBackup, {}, 0, {}, {}});
        return done;
    }
    if (place.overwrites >= 0) {
        result.fail(Action::Failed, {Code::WouldOverwrite, m_shared.plan.node(place.overwrites).path, 0, {}, {}});
        return done;
    }
    if (!place.nameTakenBy.isEmpty()) {
        result.fail(Action::Failed, {Code::NameTaken, place.nameTakenBy, 0, {}, {}});
        return done;
    }
    if (place.refusal != Place::Refusal::None) {
        result.fail(Action::Failed, refusal(i));
        return done;
    }
    const base::Expected<int> folder = m_input.containerOf(i);
    if (!folder) {
        result.fail(folder.error().is(base::Fault::FileChanged) ? Action::Skipped : Action::Failed,
                    failure(folder.error()));
        return done;
    }
    base::Expected<Descriptor> input = openInput(*folder, node);
    if (!input) {
        result.fail(input.error().is(base::Fault::FileChanged) ? Action::Skipped : Action::Failed,
                    failure(input.error()));
        return done;
    }
    std::optional<Choice> chosen;
    if (m_shared.request.guessesText()) {
        guess::DescriptorReader reader(input->get());
        const base::Expected<guess::Guess> guessed = guess::guessFile(reader);
        if (!guessed) {
            result.fail(Action::Failed, failure(guessed.error()));
            return done;
        }
        chosen = m_shared.conversions.choose(*guessed);
    } else {
        chosen = m_shared.conversions.fixed();
    }
    Choice& choice = *chosen;
    result.action = choice.action;
    result.from = choice.from;
    if (choice.reason.code != Code::None) {
        const bool problem = choice.action == Action::Skipped;
        result.add(std::move(choice.reason));
        result.problem = problem;
    }
    if (choice.action == Action::Unchanged) {
        const base::Expected<bool> changes = lineEndsChange(input->get(), m_shared.request.lineEnds);
        if (!changes) {
            result.fail(Action::Failed, failure(changes.error()));
            return done;
        }
        if (*changes) {
            result.action = Action::Converted;
            choice.converter = &m_shared.conversions.identity();
        }
    }
    if (const std::optional<Reason> problem = nameProblem(place)) {
        result.add(*problem);
        result.problem = true;
    }
    if (result.action == Action::Skipped)
        return done;
    if (inPlace && result.action != Action::Converted) {
        rename(*folder, node.name, place.newName(), result);
        return done;
    }
    return deliver(i, *folder, input->get(), std::move(result), choice.converter);
}

// A file whose contents stay as they are still gets its new name.
void Work::rename(int folder, const QByteArray& name, const QByteArray& newName, Result& result) const
{
    if (newName.isEmpty())
        return;
    if (const int failed = files::renameNoReplaceAt(folder, name.constData(), newName.constData())) {
        result.fail(Action::Failed, failed == EEXIST
                                        ? Reason{Code::NameTaken, newName, 0, {}, {}}
                                        : Reason{Code::RenameFailed, newName, 0, {}, base::Error::system(failed)});
        return;
    }
    result.newName = newName;
}

// Why a batch input is not converted, as the plan judged it.
Reason Work::refusal(qsizetype i) const
{
    const Place& place = m_shared.plan.place(i);
    const QByteArray output = batchOutput(m_shared.plan.node(i).path);
    const QByteArray other = place.refusedFor >= 0 ? m_shared.plan.node(place.refusedFor).path : QByteArray();
    switch (place.refusal) {
    case Place::Refusal::OwnInput:
        return {Code::OutputIsInput, output, 0, {}, {}, {}};
    case Place::Refusal::OtherInput:
        return {Code::OutputIsAnotherInput, output, 0, {}, {}, {}};
    case Place::Refusal::SharedOutput:
        return {Code::SharedOutput, output, 0, {}, {}, other};
    case Place::Refusal::OutputNotRegular:
    case Place::Refusal::None:
        break;
    }
    return failure(base::Error::fault(base::Fault::NotRegularFile, base::Side::Output), output);
}

files::OutputRules Work::rules() const
{
    files::OutputRules rules;
    rules.regularOnly = true;
    rules.sweep = &m_shared.sweep;
    rules.groupCommit = true;
    rules.callerHoldsSignals = true;
    return rules;
}

QByteArray Work::outputPath(qsizetype i) const
{
    const QByteArray& root = m_shared.folders.outputRoot;
    const QByteArray& below = m_shared.plan.place(i).outputRelative;
    return root.endsWith('/') ? root + below : root + '/' + below;
}

// The result written where it goes: a new output is in place on return, a replacement waits for its
// group's commit. With -i and backups, the original is first given its backup name too.
Done Work::deliver(qsizetype i, int inputFolder, int input, Result result, const convert::Converter* converter)
{
    const Node& node = m_shared.plan.node(i);
    const Place& place = m_shared.plan.place(i);
    const bool inPlace = m_shared.request.delivery == Delivery::InPlace;
    Done done;
    auto pending = std::make_unique<Pending>();
    const auto failed = [&](Action as, Reason reason) {
        if (!pending->backup.isEmpty())
            ::unlinkat(inputFolder, pending->backup.constData(), 0);
        done.result = std::move(result);
        done.result.fail(as, std::move(reason));
        return std::move(done);
    };

    files::OutputRules rules = this->rules();
    int folder = inputFolder;
    base::Expected<files::Destination> destination = base::Error::system(EINVAL);
    if (m_shared.request.delivery == Delivery::Batch) {
        // As one file converted into another: flushed on its own, NAME.out found as the walk found it.
        rules.groupCommit = false;
        destination = files::findDestination(batchOutput(node.path));
        if (destination && landingOf(*destination) != m_shared.plan.root(node.root).output)
            destination = base::Error::fault(base::Fault::FileChanged, base::Side::Output);
        if (!destination)
            return failed(destination.error().is(base::Fault::FileChanged) ? Action::Skipped : Action::Failed,
                          failure(destination.error(), batchOutput(node.path)));
    } else if (inPlace) {
        pending->name = node.name;
        pending->renameTo = place.newName();
        struct stat taken;
        if (!pending->renameTo.isEmpty() &&
            ::fstatat(folder, pending->renameTo.constData(), &taken, AT_SYMLINK_NOFOLLOW) == 0)
            return failed(Action::Failed, {Code::NameTaken, pending->renameTo, 0, {}, {}});
        rules.expected = node.id();
        if (m_shared.request.backupSuffix) {
            if (const base::Error backup = makeBackup(folder, node.name, input, pending->backup))
                return failed(Action::Failed,
                              {Code::BackupFailed, node.name + *m_shared.request.backupSuffix, 0, {}, backup});
            pending->original = node.id();
        }
    } else {
        const base::Expected<int> out = m_output->containerOf(i);
        if (!out)
            return failed(Action::Failed, failure(out.error(), outputPath(i)));
        folder = *out;
        pending->name = place.outputName;
    }
    if (m_shared.request.delivery != Delivery::Batch)
        destination = files::destinationAt(folder, pending->name);
    if (destination && inPlace && destination->kind != files::Destination::Kind::Replace)
        destination = base::Error::fault(base::Fault::FileChanged);
    if (!destination)
        return failed(Action::Failed, failure(destination.error(), inPlace ? QByteArray() : outputPath(i)));
    const bool replaces = destination->kind == files::Destination::Kind::Replace;
    pending->output = std::make_unique<files::OutputTransaction>(std::move(*destination), rules);
    if (const base::Error opened = pending->output->open(node.info.st_mode & kAccessBits)) {
        const bool changed = opened.is(base::Fault::FileChanged);
        return failed(changed ? Action::Skipped : Action::Failed,
                      failure(opened, inPlace ? QByteArray() : outputPath(i)));
    }
    if (const base::Error wrote = write(input, pending->output->descriptor(), result, converter)) {
        if (wrote.is(EINTR) && m_shared.abandon.load()) {
            done.result.abandoned = true;
            if (!pending->backup.isEmpty())
                ::unlinkat(inputFolder, pending->backup.constData(), 0);
            return done;
        }
        if (wrote.is(base::Fault::CharactersLost)) {
            result.counts.changed = 0; // nothing was
            return failed(Action::Skipped, {Code::WouldLose, {}, result.counts.lost + result.counts.invalid, {}, {}});
        }
        return failed(Action::Failed,
                      failure(wrote, wrote.side == base::Side::Output && !inPlace ? outputPath(i) : QByteArray()));
    }
    struct stat written;
    if (::fstat(pending->output->descriptor(), &written) == 0)
        result.written = FileId::of(written);
    result.writtenName = pending->renameTo.isEmpty() ? pending->name : pending->renameTo;
    const std::int64_t elsewhere =
        pending->output->otherNames() - (pending->backup.isEmpty() ? 0 : 1) - m_shared.plan.repeats(i);
    if (elsewhere > 0) {
        result.add({Code::OtherNamesKeepOldText, {}, elsewhere, {}, {}});
        result.warning = true;
    }
    if (!replaces) {
        if (const base::Error committed = pending->output->commit())
            return failed(Action::Failed, failure(committed, outputPath(i)));
        done.result = std::move(result);
        return done;
    }
    pending->folder = Descriptor(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    struct stat info;
    if (!pending->folder || ::fstat(folder, &info) != 0)
        return failed(Action::Failed, failure(base::Error::system(errno, base::Side::Output)));
    pending->folderId = FileId::of(info);
    done.result = std::move(result);
    done.pending = std::move(pending);
    return done;
}

// The contents from the start of the input: through the converter, or copied byte for byte with the
// holes of a sparse file kept. Loss beyond what the request allows fails with CharactersLost.
base::Error Work::write(int input, int output, Result& result, const convert::Converter* converter) const
{
    if (::lseek(input, 0, SEEK_SET) != 0)
        return base::Error::system(errno, base::Side::Input);
    if (!converter)
        return files::copyFileData(input, output, &m_shared.abandon);
    StoppableSource source(input, m_shared.abandon);
    OutputSink sink(output);
    convert::EngineOptions options;
    options.lineEnds = m_shared.request.lineEnds;
    const convert::EngineResult converted = convert::convertStream(source, sink, *converter, options);
    result.counts = converted.counts;
    if (!converted.ok)
        return converted.error;
    if (!m_shared.request.lossy && (converted.counts.lost > 0 || converted.counts.invalid > 0))
        return base::Error::fault(base::Fault::CharactersLost);
    return {};
}

// The original under its name plus the suffix: a second name of the very file that was opened (never
// of a link, nor of whatever took its name meanwhile), so that the conversion then replaces the first
// name only. A backup that already names that file is what an interrupted run left, and serves; one
// that names another file is never replaced. Where the file system has no hard links, a copy.
base::Error Work::makeBackup(int folder, const QByteArray& name, int input, QByteArray& made) const
{
    const QByteArray backup = name + *m_shared.request.backupSuffix;
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(input);
    if (::linkat(AT_FDCWD, self.constData(), folder, backup.constData(), AT_SYMLINK_FOLLOW) == 0) {
        made = backup;
        return {};
    }
    const int linkError = errno;
    struct stat original;
    struct stat there;
    if (::fstat(input, &original) != 0)
        return base::Error::system(errno);
    if (linkError == EEXIST) {
        if (::fstatat(folder, backup.constData(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
            FileId::of(there) == FileId::of(original)) {
            made = backup;
            return {};
        }
        return base::Error::system(EEXIST);
    }
    if (linkError != EPERM && linkError != EMLINK && linkError != ENOTSUP && linkError != ENOENT)
        return base::Error::system(linkError);
    base::Expected<files::Destination> destination = files::destinationAt(folder, backup);
    if (!destination)
        return destination.error();
    if (destination->kind != files::Destination::Kind::New)
        return base::Error::system(EEXIST);
    files::OutputTransaction copy(std::move(*destination), rules());
    if (const base::Error failed = copy.open(original.st_mode & kAccessBits))
        return failed;
    if (const base::Error failed = files::copyFileData(input, copy.descriptor(), &m_shared.abandon))
        return failed;
    if (const base::Error failed = copy.commit())
        return failed;
    made = backup;
    return {};
}

} // namespace trelvick::rescue
