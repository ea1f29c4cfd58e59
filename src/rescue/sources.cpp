// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescue/sources.h"

#include "files/descriptor.h"
#include "files/destination.h"
#include "files/paths.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace trelvick::rescue {

namespace {

using files::Descriptor;
using files::retryOnInterrupt;
using Kind = Node::Kind;

// No real tree is this deep; the bound only guards against a file system that never reaches its end.
constexpr int kDeepestFolder = 4096;
constexpr qsizetype kListReadSize = 64 * 1024;

Kind kindOf(const struct stat& info)
{
    if (S_ISREG(info.st_mode))
        return Kind::File;
    if (S_ISDIR(info.st_mode))
        return Kind::Folder;
    if (S_ISLNK(info.st_mode))
        return Kind::Link;
    return Kind::Special;
}

QByteArray join(const QByteArray& folder, const QByteArray& name)
{
    if (folder.isEmpty())
        return name;
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QByteArray withoutTrailingSlashes(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

QByteArray baseName(const QByteArray& path)
{
    const QByteArray trimmed = withoutTrailingSlashes(path);
    return trimmed.mid(trimmed.lastIndexOf('/') + 1);
}

// The path with every link in it resolved, or the errno of the failure.
base::Expected<QByteArray> resolved(const QByteArray& path)
{
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.constData(), nullptr), &std::free);
    if (!real)
        return base::Error::system(errno, base::Side::Input);
    return QByteArray(real.get());
}

Descriptor openFolderAt(int folder, const char* name)
{
    return Descriptor(retryOnInterrupt(
        [&] { return ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY); }));
}

// The names in an open folder, in byte order, or the reason they cannot be listed.
base::Expected<QList<QByteArray>> namesIn(int folder)
{
    Descriptor listing(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    if (!listing)
        return base::Error::system(errno, base::Side::Input);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(listing.get()), ::closedir);
    if (!dir)
        return base::Error::system(errno, base::Side::Input);
    static_cast<void>(listing.release());
    ::rewinddir(dir.get());
    QList<QByteArray> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
        errno = 0;
    }
    if (errno != 0)
        return base::Error::system(errno, base::Side::Input);
    std::sort(names.begin(), names.end());
    return names;
}

class Walker
{
public:
    explicit Walker(bool recursive) : m_recursive(recursive) {}

    void input(const Request::Input& given, int root)
    {
        Node node;
        node.path = given.path;
        node.root = root;
        node.relative = baseName(given.path);
        m_walked.roots.emplace_back();
        Root& place = m_walked.roots.back();

        // The folder the input lies in, and its name there, without a link on the way.
        QByteArray folder;
        QByteArray name;
        if (given.followLink) {
            base::Expected<QByteArray> real = resolved(given.path);
            if (!real)
                return fail(std::move(node), real.error());
            folder = *real;
        } else {
            const QByteArray path = withoutTrailingSlashes(given.path);
            const files::SplitPath split = files::splitPath(path);
            base::Expected<QByteArray> real = resolved(split.folder);
            if (!real)
                return fail(std::move(node), real.error());
            folder = *real;
            name = split.name;
        }
        Descriptor opened(
            retryOnInterrupt([&] { return ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
        struct stat info;
        if (!opened && given.followLink && errno == ENOTDIR) { // the input is a file: its folder holds it
            const files::SplitPath split = files::splitPath(folder);
            folder = split.folder;
            name = split.name;
            opened = Descriptor(
                retryOnInterrupt([&] { return ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
        }
        if (!opened || ::fstat(opened.get(), &info) != 0)
            return fail(std::move(node), base::Error::system(errno, base::Side::Input));
        place.folder = folder;
        place.folderId = FileId::of(info);
        place.resolved = true;

        node.name = name;
        if (!name.isEmpty() && ::fstatat(opened.get(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            return fail(std::move(node), base::Error::system(errno, base::Side::Input));
        node.info = info;
        node.kind = kindOf(info);
        if (node.kind != Kind::Folder) {
            add(std::move(node));
            return;
        }
        node.relative.clear();
        if (!m_recursive)
            return fail(std::move(node), base::Error::system(EISDIR, base::Side::Input));
        Descriptor self = name.isEmpty() ? std::move(opened) : openFolderAt(opened.get(), name.constData());
        const qsizetype at = add(std::move(node));
        if (at >= 0)
            enter(at, std::move(self), 0);
    }

    Walked take() { return std::move(m_walked); }

private:
    std::vector<Node>& nodes() { return m_walked.nodes; }

    void fail(Node node, base::Error error)
    {
        node.kind = Kind::Failed;
        node.error = std::move(error);
        nodes().push_back(std::move(node));
    }

    // The node's index, or -1 for a folder already walked (a loop, or one given twice).
    qsizetype add(Node node)
    {
        const auto index = static_cast<qsizetype>(nodes().size());
        if (node.kind == Kind::File || node.kind == Kind::Folder) {
            const auto seen = m_seen.constFind(node.id());
            if (seen != m_seen.constEnd()) {
                node.sameAs = *seen;
                const bool folder = node.kind == Kind::Folder;
                nodes().push_back(std::move(node));
                return folder ? -1 : index;
            }
            m_seen.insert(node.id(), index);
        }
        nodes().push_back(std::move(node));
        return index;
    }

    // A folder node's contents, listed from the folder opened as the node it was seen as.
    void enter(qsizetype folderIndex, Descriptor folder, int depth)
    {
        struct stat info;
        const auto node = [&]() -> Node& { return nodes()[std::size_t(folderIndex)]; };
        if (!folder || ::fstat(folder.get(), &info) != 0) {
            node().error = base::Error::system(errno, base::Side::Input);
            return;
        }
        if (FileId::of(info) != node().id()) {
            node().error = base::Error::fault(base::Fault::FileChanged, base::Side::Input);
            return;
        }
        if (depth >= kDeepestFolder) {
            node().error = base::Error::system(ELOOP, base::Side::Input);
            return;
        }
        const base::Expected<QList<QByteArray>> names = namesIn(folder.get());
        if (!names) {
            node().error = names.error();
            return;
        }
        const QByteArray path = node().path;
        const QByteArray relative = node().relative;
        const int root = node().root;
        for (const QByteArray& name : *names) {
            Node entry;
            entry.path = join(path, name);
            entry.name = name;
            entry.relative = join(relative, name);
            entry.parent = folderIndex;
            entry.root = root;
            if (::fstatat(folder.get(), name.constData(), &entry.info, AT_SYMLINK_NOFOLLOW) != 0) {
                fail(std::move(entry), base::Error::system(errno, base::Side::Input));
                continue;
            }
            entry.kind = kindOf(entry.info);
            const qsizetype at = add(std::move(entry));
            if (at >= 0 && nodes()[std::size_t(at)].kind == Kind::Folder)
                enter(at, openFolderAt(folder.get(), name.constData()), depth + 1);
        }
    }

    const bool m_recursive;
    Walked m_walked;
    QHash<FileId, qsizetype> m_seen;
};

} // namespace

base::Expected<QList<QByteArray>> readNameList(int fd, bool nulSeparated, std::int64_t maxBytes)
{
    const char separator = nulSeparated ? '\0' : '\n';
    QList<QByteArray> names;
    QByteArray pending;
    std::int64_t total = 0;
    QByteArray buffer(kListReadSize, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = retryOnInterrupt([&] { return ::read(fd, buffer.data(), std::size_t(buffer.size())); });
        if (got < 0)
            return base::Error::system(errno, base::Side::Input);
        if (got == 0)
            break;
        total += got;
        if (total > maxBytes)
            return base::Error::fault(base::Fault::TooLarge, base::Side::Input);
        const char* at = buffer.constData();
        const char* const end = at + got;
        while (at < end) {
            while (pending.isEmpty() && at < end && *at == separator) // empty names, quickly
                ++at;
            if (at == end)
                break;
            const auto* next = static_cast<const char*>(std::memchr(at, separator, std::size_t(end - at)));
            pending.append(at, (next ? next : end) - at);
            if (pending.size() >= PATH_MAX)
                return base::Error::system(ENAMETOOLONG, base::Side::Input);
            if (!next)
                break;
            if (!pending.isEmpty())
                names.append(std::exchange(pending, QByteArray()));
            if (names.size() > kListMaxNames)
                return base::Error::fault(base::Fault::TooLarge, base::Side::Input);
            at = next + 1;
        }
    }
    if (!pending.isEmpty())
        names.append(pending);
    return names;
}

Walked walk(const QList<Request::Input>& inputs, bool recursive)
{
    Walker walker(recursive);
    for (qsizetype i = 0; i < inputs.size(); ++i)
        walker.input(inputs.at(i), static_cast<int>(i));
    return walker.take();
}

Landing landingOf(const QByteArray& path)
{
    const base::Expected<files::Destination> found = files::findDestination(path);
    return found ? landingOf(*found) : Landing();
}

Landing landingOf(const files::Destination& found)
{
    Landing landing;
    struct stat folder;
    switch (found.kind) {
    case files::Destination::Kind::New:
        if (::fstat(found.folder.get(), &folder) != 0)
            return landing;
        landing.kind = Landing::Kind::New;
        landing.folder = FileId::of(folder);
        landing.name = found.name;
        break;
    case files::Destination::Kind::Replace:
        landing.kind = Landing::Kind::Existing;
        landing.file = FileId::of(found.info);
        break;
    case files::Destination::Kind::InPlace:
    case files::Destination::Kind::Stream:
        landing.kind = Landing::Kind::NotRegular;
        landing.file = FileId::of(found.info);
        break;
    }
    return landing;
}

Walked walk(const Request& request)
{
    Walked walked = walk(request.inputs, request.recursive);
    if (request.delivery == Delivery::Batch) {
        for (const Node& node : walked.nodes)
            walked.roots[std::size_t(node.root)].output = landingOf(batchOutput(node.path));
    }
    return walked;
}

bool liesInside(const QByteArray& folder, const Walked& walked)
{
    QSet<FileId> ids;
    for (const Node& node : walked.nodes) {
        if (node.kind == Kind::Folder)
            ids.insert(node.id());
    }
    // The nearest part of the path that exists.
    QByteArray existing = folder;
    struct stat info;
    while (::stat(existing.isEmpty() ? "." : existing.constData(), &info) != 0) {
        if (existing.isEmpty() || existing == "/")
            return false;
        existing = withoutTrailingSlashes(existing);
        const qsizetype slash = existing.lastIndexOf('/');
        existing = slash < 0 ? QByteArray() : slash == 0 ? QByteArray("/") : existing.left(slash);
    }
    // Up through its parents by descriptor, so that links and ".." in the spelling do not matter.
    Descriptor at(::open(existing.isEmpty() ? "." : existing.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    for (int depth = 0; at && depth < kDeepestFolder; ++depth) {
        if (::fstat(at.get(), &info) != 0)
            return false;
        if (ids.contains(FileId::of(info)))
            return true;
        Descriptor parent(::openat(at.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        struct stat above;
        if (!parent || ::fstat(parent.get(), &above) != 0 || FileId::of(above) == FileId::of(info))
            return false; // the root, whose parent is itself
        at = std::move(parent);
    }
    return false;
}

} // namespace trelvick::rescue
