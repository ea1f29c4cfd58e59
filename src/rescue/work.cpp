// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescue/work.h"

#include "files/destination.h"
#include "files/filecopy.h"
#include "files/fileops.h"
#include "files/posixfile.h"
#include "rescue/sources.h"

#include <QCryptographicHash>

#include <cerrno>
#include <climits>
#include <cstring>
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

constexpr char kMark[] = "\xef\xbb\xbf"; // the UTF-8 byte-order mark
constexpr std::int64_t kMarkSize = sizeof kMark - 1;

// The new contents, after a UTF-8 byte-order mark when one is wanted.
// The new contents, after a UTF-8 byte-order mark when one is wanted, hashed when an undo will check them.
class OutputSink final : public files::DescriptorSink
{
public:
    OutputSink(int fd, bool mark, bool hash) : DescriptorSink(fd), m_mark(mark)
    {
        if (hash)
            m_hash.emplace(QCryptographicHash::Sha256);
    }
    bool write(const char* data, std::int64_t size) override
    {
        const bool written = finish() && put(data, size);
        m_error.side = base::Side::Output;
        return written;
    }
    // Writes the mark of an output that got no bytes at all.
    bool finish()
    {
        if (!std::exchange(m_mark, false))
            return true;
        const bool written = put(kMark, kMarkSize);
        m_error.side = base::Side::Output;
        return written;
    }
    QByteArray sha256() const { return m_hash ? m_hash->result().toHex() : QByteArray(); }

private:
    bool put(const char* data, std::int64_t size)
    {
        if (m_hash)
            m_hash->addData(QByteArrayView(data, size));
        return DescriptorSink::write(data, size);
    }

    bool m_mark;
    std::optional<QCryptographicHash> m_hash;
};

// A source without the UTF-8 byte-order mark it may start with.
class MarkSource final : public convert::ByteSource
{
public:
    MarkSource(convert::ByteSource& inner, bool strip) : m_inner(inner), m_strip(strip) {}
    std::int64_t read(char* buffer, std::int64_t capacity) override
    {
        std::int64_t got = m_inner.read(buffer, capacity);
        while (m_strip && got > 0) {
            // The mark may come in pieces: compare what has come so far.
            const std::int64_t take = std::min(got, kMarkSize - m_seen);
            if (std::memcmp(buffer, kMark + m_seen, std::size_t(take)) != 0) {
                m_strip = false;
                if (m_seen > 0) // a start that only looked like a mark: its bytes are text
                    return restore(buffer, got, capacity);
                break;
            }
            m_seen += take;
            std::memmove(buffer, buffer + take, std::size_t(got - take));
            got -= take;
            if (m_seen == kMarkSize)
                m_strip = false;
            else if (got == 0)
                got = m_inner.read(buffer, capacity);
        }
        return got;
    }
    base::Error error() const override { return m_inner.error(); }

private:
    std::int64_t restore(char* buffer, std::int64_t got, std::int64_t capacity)
    {
        const std::int64_t kept = std::min(got, capacity - m_seen);
        std::memmove(buffer + m_seen, buffer, std::size_t(kept));
        std::memcpy(buffer, kMark, std::size_t(m_seen));
        return kept + m_seen; // what does not fit is lost: capacity is always far beyond three bytes
    }

    convert::ByteSource& m_inner;
    bool m_strip;
    std::int64_t m_seen = 0;
};

// Bytes already in memory, for the engine.
class MemorySource final : public convert::ByteSource
{
public:
    explicit MemorySource(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    std::int64_t read(char* buffer, std::int64_t capacity) override
    {
        const std::int64_t size = std::min<std::int64_t>(capacity, m_bytes.size() - m_at);
        std::memcpy(buffer, m_bytes.constData() + m_at, std::size_t(size));
        m_at += size;
        return size;
    }
    base::Error error() const override { return {}; }

private:
    QByteArray m_bytes;
    qsizetype m_at = 0;
};

// A mojibake file is repaired whole: larger than this, it is left as it is.
constexpr off_t kLargestRepair = off_t(256) << 20;

// The whole file's UTF-8, each character turned back into its byte in the codepage it once went through.
base::Expected<QByteArray> repairedText(int fd, guess::Encoding through)
{
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return base::Error::system(errno, base::Side::Input);
    if (info.st_size > kLargestRepair)
        return base::Error::fault(base::Fault::TooLarge, base::Side::Input);
    QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype have = 0;
    while (have < bytes.size()) {
        const ssize_t got = files::retryOnInterrupt(
            [&] { return ::pread(fd, bytes.data() + have, std::size_t(bytes.size() - have), have); });
        if (got < 0)
            return base::Error::system(errno, base::Side::Input);
        if (got == 0)
            break;
        have += got;
    }
    bytes.truncate(have);
    const std::optional<std::string> repaired =
        guess::repairMojibake(std::string_view(bytes.constData(), std::size_t(bytes.size())), through);
    if (!repaired)
        return base::Error::fault(base::Fault::BadValue, base::Side::Input);
    return QByteArray(repaired->data(), qsizetype(repaired->size()));
}

// Whether the file starts with a UTF-8 byte-order mark.
base::Expected<bool> startsWithMark(int fd)
{
    char start[kMarkSize] = {};
    const ssize_t got = files::retryOnInterrupt([&] { return ::pread(fd, start, sizeof start, 0); });
    if (got < 0)
        return base::Error::system(errno, base::Side::Input);
    return got == kMarkSize && std::memcmp(start, kMark, std::size_t(kMarkSize)) == 0;
}

// The file as it is opened for the job: never through a link, never waiting on a FIFO, and only when it
// is still the file the walk saw.
base::Expected<Descriptor> openInput(int folder, const Node& node)
{
    // Read without touching its access time where the user may (the file's owner): a rescue leaves the
    // dates as they were.
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    Descriptor file(retryOnInterrupt([&] { return ::openat(folder, node.name.constData(), flags | O_NOATIME); }));
    if (!file && errno == EPERM)
        file = Descriptor(retryOnInterrupt([&] { return ::openat(folder, node.name.constData(), flags); }));
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

// What a link says, read from its folder, as long as it is still the link the walk saw.
base::Expected<QByteArray> readLink(int folder, const Node& node)
{
    struct stat now;
    if (::fstatat(folder, node.name.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0)
        return base::Error::system(errno, base::Side::Input);
    if (!S_ISLNK(now.st_mode) || FileId::of(now) != node.id())
        return base::Error::fault(base::Fault::FileChanged, base::Side::Input);
    QByteArray target(PATH_MAX, Qt::Uninitialized);
    const ssize_t length = ::readlinkat(folder, node.name.constData(), target.data(), std::size_t(target.size()));
    if (length < 0 || length == target.size())
        return base::Error::system(length < 0 ? errno : ENAMETOOLONG, base::Side::Input);
    target.truncate(length);
    return target;
}

// The link made under a name of its own, given its times, then renamed over name: whatever was there
// (a link of an earlier run) goes in one step, a folder stays.
base::Error makeLink(int folder, const QByteArray& name, const QByteArray& target, const struct stat& times)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temporary = files::temporaryName();
        if (::symlinkat(target.constData(), folder, temporary.constData()) != 0) {
            if (errno == EEXIST)
                continue;
            return base::Error::system(errno, base::Side::Output);
        }
        const timespec dates[2] = {times.st_atim, times.st_mtim};
        if (::utimensat(folder, temporary.constData(), dates, AT_SYMLINK_NOFOLLOW) != 0) {
            const int failed = errno;
            ::unlinkat(folder, temporary.constData(), 0);
            return base::Error::system(failed, base::Side::Output);
        }
        struct stat there;
        if (::fstatat(folder, name.constData(), &there, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(there.st_mode)) {
            ::unlinkat(folder, temporary.constData(), 0);
            return base::Error::system(EISDIR, base::Side::Output);
        }
        if (::renameat(folder, temporary.constData(), folder, name.constData()) != 0) {
            const int failed = errno;
            ::unlinkat(folder, temporary.constData(), 0);
            return base::Error::system(failed, base::Side::Output);
        }
        return {};
    }
    return base::Error::system(EEXIST, base::Side::Output);
}

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
        if (m_shared.request.delivery == Delivery::OutputDir)
            return link(i);
        result.add({Code::SymbolicLink, {}, 0, {}, {}});
        return done;
    case Kind::Special:
        result.add({Code::SpecialFile, {}, 0, {}, {}});
        return done;
    case Kind::Folder: // met again; its contents were walked once
        result.add({Code::SameFileAs, m_shared.plan.node(node.sameAs).path, 0, {}, {}});
        result.again = true;
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
        const auto override = m_shared.request.overrides.constFind(i);
        chosen = override == m_shared.request.overrides.constEnd() ? m_shared.conversions.choose(*guessed)
                                                                   : m_shared.conversions.chosen(override->encoding);
        for (const guess::Likelihood& candidate : guessed->ranked) {
            if (candidate.confidence >= guess::kCloseRunnerUp || result.candidates.empty())
                result.candidates.push_back(candidate);
        }
        if (override != m_shared.request.overrides.constEnd() && override->skip) {
            result.from = chosen->from;
            result.add({Code::UserSkipped, {}, 0, {}, {}});
            return done;
        }
        if (guessed->language() != guess::Language::Unknown) {
            const std::string_view language = guess::languageName(guessed->language());
            result.language = QString::fromLatin1(language.data(), qsizetype(language.size()));
        }
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
        base::Expected<bool> changes = lineEndsChange(input->get(), m_shared.request.lineEnds);
        if (changes && !*changes)
            changes = markChanges(input->get());
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
    const Writing how = writing(input->get(), choice, result);
    return deliver(i, *folder, input->get(), std::move(result), how);
}

// Whether a UTF-8 file (or ASCII) written into UTF-8 changes by its byte-order mark alone.
base::Expected<bool> Work::markChanges(int input) const
{
    const rescue::Request::Bom bom = m_shared.request.bom;
    if (bom == Request::Bom::Keep || !m_shared.request.target || !m_shared.request.target->isUtf8())
        return false;
    const base::Expected<bool> marked = startsWithMark(input);
    if (!marked)
        return marked;
    return bom == Request::Bom::Strip ? *marked : !*marked;
}

Writing Work::writing(int, const Choice& choice, Result&) const
{
    Writing how;
    how.converter = choice.converter;
    how.wide = choice.wide;
    how.repairThrough = choice.repairThrough;
    const bool toUtf8 = m_shared.request.target && m_shared.request.target->isUtf8();
    const bool fromUtf8 = toUtf8 && !choice.wide && choice.converter == &m_shared.conversions.identity();
    how.stripMark = fromUtf8 && m_shared.request.bom != Request::Bom::Keep;
    how.addMark = toUtf8 && m_shared.request.bom == Request::Bom::Add;
    return how;
}

// A link under an output folder is made again there with the same target, never followed.
Done Work::link(qsizetype i)
{
    const Node& node = m_shared.plan.node(i);
    const Place& place = m_shared.plan.place(i);
    Done done;
    Result& result = done.result;
    result.add({Code::SymbolicLink, {}, 0, {}, {}});
    if (place.overwrites >= 0 || !place.nameTakenBy.isEmpty()) {
        result.fail(Action::Failed,
                    place.overwrites >= 0
                        ? Reason{Code::WouldOverwrite, m_shared.plan.node(place.overwrites).path, 0, {}, {}}
                        : Reason{Code::NameTaken, place.nameTakenBy, 0, {}, {}});
        return done;
    }
    const base::Expected<int> folder = m_input.containerOf(i);
    base::Expected<QByteArray> target = folder ? readLink(*folder, node) : base::Expected<QByteArray>(folder.error());
    if (!target) {
        result.fail(target.error().is(base::Fault::FileChanged) ? Action::Skipped : Action::Failed,
                    failure(target.error()));
        return done;
    }
    const base::Expected<std::optional<int>> out = outputFolder(i);
    if (!out) {
        result.fail(Action::Failed, failure(out.error(), outputPath(i)));
        return done;
    }
    result.action = Action::Copied;
    if (m_shared.request.dryRun)
        return done;
    if (const base::Error failed = makeLink(**out, place.outputName, *target, node.info))
        result.fail(Action::Failed, failure(failed, outputPath(i)));
    return done;
}

// The output folder entry i lands in; nothing in a dry run where the real run would make it.
base::Expected<std::optional<int>> Work::outputFolder(qsizetype i) const
{
    if (!m_output)
        return std::optional<int>();
    const base::Expected<int> out = m_output->containerOf(i);
    if (out)
        return std::optional<int>(*out);
    if (m_shared.request.dryRun && out.error().is(ENOENT))
        return std::optional<int>();
    return out.error();
}

// What writing the result would do, told as the real run tells it, with nothing written: the checks
// of where it goes that need no write, and the conversion into nothing, for its counts and loss.
Done Work::predict(qsizetype i, int inputFolder, int input, Result result, const Writing& writing)
{
    const Node& node = m_shared.plan.node(i);
    const Place& place = m_shared.plan.place(i);
    Done done;
    const auto failed = [&](Action as, Reason reason) {
        done.result = std::move(result);
        done.result.fail(as, std::move(reason));
        return std::move(done);
    };
    struct stat there;
    switch (m_shared.request.delivery) {
    case Delivery::Batch: {
        base::Expected<files::Destination> destination = files::findDestination(batchOutput(node.path));
        if (destination && landingOf(*destination) != m_shared.plan.root(node.root).output)
            return failed(Action::Skipped, failure(base::Error::fault(base::Fault::FileChanged, base::Side::Output),
                                                   batchOutput(node.path)));
        if (!destination)
            return failed(Action::Failed, failure(destination.error(), batchOutput(node.path)));
        break;
    }
    case Delivery::InPlace: {
        const QByteArray renameTo = place.newName();
        if (!renameTo.isEmpty() && ::fstatat(inputFolder, renameTo.constData(), &there, AT_SYMLINK_NOFOLLOW) == 0)
            return failed(Action::Failed, {Code::NameTaken, renameTo, 0, {}, {}});
        const QByteArray backup = m_shared.request.backupSuffix ? node.name + *m_shared.request.backupSuffix : "";
        if (!backup.isEmpty() && ::fstatat(inputFolder, backup.constData(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
            FileId::of(there) != node.id())
            return failed(Action::Failed, {Code::BackupFailed, backup, 0, {}, base::Error::system(EEXIST)});
        if (::faccessat(inputFolder, node.name.constData(), W_OK, AT_EACCESS) != 0 ||
            ::faccessat(inputFolder, ".", W_OK | X_OK, AT_EACCESS) != 0)
            return failed(Action::Failed, failure(base::Error::system(errno, base::Side::Output)));
        result.newName = renameTo;
        break;
    }
    case Delivery::OutputDir: {
        const base::Expected<std::optional<int>> out = outputFolder(i);
        if (!out)
            return failed(Action::Failed, failure(out.error(), outputPath(i)));
        if (*out) {
            const base::Expected<files::Destination> destination = files::destinationAt(**out, place.outputName);
            if (!destination)
                return failed(Action::Failed, failure(destination.error(), outputPath(i)));
        }
        break;
    }
    }
    const files::Descriptor nowhere(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    if (const base::Error wrote = writing.converter ? write(input, nowhere.get(), result, writing) : base::Error{}) {
        if (wrote.is(base::Fault::CharactersLost)) {
            result.counts.changed = 0;
            return failed(Action::Skipped, {Code::WouldLose, {}, result.counts.lost + result.counts.invalid, {}, {}});
        }
        if (wrote.is(base::Fault::BadValue) && writing.repairThrough)
            return failed(Action::Skipped, {Code::DoubleEncoded, {}, 0, nameOf(*writing.repairThrough), {}});
        return failed(Action::Failed, failure(wrote));
    }
    done.result = std::move(result);
    return done;
}

// A file whose contents stay as they are still gets its new name.
void Work::rename(int folder, const QByteArray& name, const QByteArray& newName, Result& result) const
{
    if (newName.isEmpty())
        return;
    struct stat taken;
    const int failed = !m_shared.request.dryRun
                           ? files::renameNoReplaceAt(folder, name.constData(), newName.constData())
                       : ::fstatat(folder, newName.constData(), &taken, AT_SYMLINK_NOFOLLOW) == 0 ? EEXIST
                                                                                                  : 0;
    if (failed) {
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
Done Work::deliver(qsizetype i, int inputFolder, int input, Result result, const Writing& writing)
{
    if (m_shared.request.dryRun)
        return predict(i, inputFolder, input, std::move(result), writing);
    const Node& node = m_shared.plan.node(i);
    const Place& place = m_shared.plan.place(i);
    const bool inPlace = m_shared.request.delivery == Delivery::InPlace;
    Done done;
    auto pending = std::make_unique<Pending>();
    const auto failed = [&](Action as, Reason reason) {
        if (!pending->backup.isEmpty())
            ::unlinkat(inputFolder, pending->backup.constData(), 0);
        done.result = std::move(result);
        done.result.backup.clear();
        done.result.sha256.clear();
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
            result.backup = pending->backup;
        }
    } else {
        const base::Expected<std::optional<int>> out = outputFolder(i);
        if (!out)
            return failed(Action::Failed, failure(out.error(), outputPath(i)));
        folder = **out;
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
    if (const base::Error wrote = write(input, pending->output->descriptor(), result, writing)) {
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
        if (wrote.is(base::Fault::BadValue) &&
            writing.repairThrough) // more than the part the guess saw was UTF-8 proper
            return failed(Action::Skipped, {Code::DoubleEncoded, {}, 0, nameOf(*writing.repairThrough), {}});
        return failed(Action::Failed,
                      failure(wrote, wrote.side == base::Side::Output && !inPlace ? outputPath(i) : QByteArray()));
    }
    const timespec times[2] = {node.info.st_atim, node.info.st_mtim};
    if (m_shared.request.preserveTimes && ::futimens(pending->output->descriptor(), times) != 0)
        return failed(Action::Failed, failure(base::Error::system(errno, base::Side::Output)));
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
base::Error Work::write(int input, int output, Result& result, const Writing& writing) const
{
    if (::lseek(input, 0, SEEK_SET) != 0)
        return base::Error::system(errno, base::Side::Input);
    if (!writing.converter)
        return files::copyFileData(input, output, &m_shared.abandon);
    StoppableSource file(input, m_shared.abandon);
    std::optional<MemorySource> repaired;
    if (writing.repairThrough) {
        base::Expected<QByteArray> text = repairedText(input, *writing.repairThrough);
        if (!text)
            return text.error();
        repaired.emplace(std::move(*text));
    }
    std::optional<charset::WideSource> wide;
    if (writing.wide)
        wide.emplace(*writing.wide, file);
    convert::ByteSource& read = repaired ? static_cast<convert::ByteSource&>(*repaired)
                                : wide   ? static_cast<convert::ByteSource&>(*wide)
                                         : file;
    MarkSource source(read, writing.stripMark);
    const bool undoable = m_shared.request.delivery == Delivery::InPlace && m_shared.request.backupSuffix;
    OutputSink sink(output, writing.addMark, undoable);
    convert::EngineOptions options;
    options.lineEnds = m_shared.request.lineEnds;
    convert::EngineResult converted = convert::convertStream(source, sink, *writing.converter, options);
    if (converted.ok && !sink.finish()) {
        converted.ok = false;
        converted.error = sink.error();
    }
    if (wide)
        converted.counts.invalid += wide->invalid();
    result.counts = converted.counts;
    result.sha256 = sink.sha256();
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
