// SPDX-License-Identifier: GPL-3.0-or-later
#include "tree/walk.h"

#include <QHash>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <utility>

namespace trelvick::tree {

namespace {

using Kind = Node::Kind;
using FileId = std::pair<dev_t, ino_t>;

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

QByteArray baseName(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path.mid(path.lastIndexOf('/') + 1);
}

// No real tree is this deep; the bound only guards against a file system that never reaches its root.
constexpr int kDeepestFolder = 4096;

struct Descriptor
{
    explicit Descriptor(int descriptor) : fd(descriptor) {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd;
};

struct DirCloser
{
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// The names in a folder, in byte order, or the reason they cannot be listed.
base::Expected<QList<QByteArray>> namesIn(const QByteArray& folder)
{
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.constData()));
    if (!dir)
        return base::Error::system(errno, base::Side::Input);
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

    void input(const QByteArray& path, int root)
    {
        Node node;
        node.path = path;
        node.root = root;
        if (::stat(path.constData(), &node.info) != 0) {
            fail(std::move(node), errno);
            return;
        }
        node.kind = kindOf(node.info);
        if (node.kind != Kind::Folder) {
            node.relative = baseName(path);
            add(std::move(node));
            return;
        }
        if (!m_recursive) {
            fail(std::move(node), EISDIR);
            return;
        }
        const qsizetype at = add(std::move(node));
        if (at >= 0)
            descend(at);
    }

    std::vector<Node> take() { return std::move(m_nodes); }

private:
    void fail(Node node, int errnum)
    {
        node.kind = Kind::Failed;
        node.error = base::Error::system(errnum, base::Side::Input);
        m_nodes.push_back(std::move(node));
    }

    // The node's index, or -1 for a folder already walked (a loop, or one given twice).
    qsizetype add(Node node)
    {
        const auto index = static_cast<qsizetype>(m_nodes.size());
        if (node.kind == Kind::File || node.kind == Kind::Folder) {
            const FileId id{node.info.st_dev, node.info.st_ino};
            const auto seen = m_seen.constFind(id);
            if (seen != m_seen.constEnd()) {
                node.sameAs = *seen;
                m_nodes.push_back(std::move(node));
                return m_nodes.back().kind == Kind::Folder ? -1 : index;
            }
            m_seen.insert(id, index);
        }
        m_nodes.push_back(std::move(node));
        return index;
    }

    void descend(qsizetype folderIndex)
    {
        const Node folder = m_nodes[static_cast<std::size_t>(folderIndex)];
        const base::Expected<QList<QByteArray>> names = namesIn(folder.path);
        if (!names) {
            Node& node = m_nodes[static_cast<std::size_t>(folderIndex)];
            node.kind = Kind::Failed;
            node.error = names.error();
            return;
        }
        for (const QByteArray& name : *names) {
            Node node;
            node.path = join(folder.path, name);
            node.relative = join(folder.relative, name);
            node.root = folder.root;
            if (::lstat(node.path.constData(), &node.info) != 0) {
                fail(std::move(node), errno);
                continue;
            }
            node.kind = kindOf(node.info);
            const qsizetype at = add(std::move(node));
            if (at >= 0 && m_nodes[static_cast<std::size_t>(at)].kind == Kind::Folder)
                descend(at);
        }
    }

    const bool m_recursive;
    std::vector<Node> m_nodes;
    QHash<FileId, qsizetype> m_seen;
};

} // namespace

std::vector<Node> walk(const QList<QByteArray>& inputs, bool recursive)
{
    Walker walker(recursive);
    for (qsizetype i = 0; i < inputs.size(); ++i)
        walker.input(inputs.at(i), static_cast<int>(i));
    return walker.take();
}

QList<QByteArray> splitFileList(const QByteArray& list, bool nulSeparated)
{
    QList<QByteArray> names = list.split(nulSeparated ? '\0' : '\n');
    names.removeAll(QByteArray());
    return names;
}

bool liesInside(const QByteArray& folder, const std::vector<Node>& folders)
{
    QList<FileId> ids;
    for (const Node& node : folders) {
        if (node.kind == Kind::Folder)
            ids.append({node.info.st_dev, node.info.st_ino});
    }
    // The nearest part of the path that exists.
    QByteArray existing = folder;
    struct stat info;
    while (::stat(existing.isEmpty() ? "." : existing.constData(), &info) != 0) {
        if (existing.isEmpty() || existing == "/")
            return false;
        while (existing.size() > 1 && existing.endsWith('/'))
            existing.chop(1);
        const qsizetype slash = existing.lastIndexOf('/');
        existing = slash < 0 ? QByteArray() : slash == 0 ? QByteArray("/") : existing.left(slash);
    }
    // Up through its parents by descriptor, so that links and ".." in the spelling do not matter.
    Descriptor at(::open(existing.isEmpty() ? "." : existing.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    for (int depth = 0; at.fd >= 0 && depth < kDeepestFolder; ++depth) {
        if (::fstat(at.fd, &info) != 0)
            return false;
        if (ids.contains(FileId{info.st_dev, info.st_ino}))
            return true;
        Descriptor parent(::openat(at.fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        struct stat above;
        if (parent.fd < 0 || ::fstat(parent.fd, &above) != 0 ||
            (above.st_dev == info.st_dev && above.st_ino == info.st_ino))
            return false; // the root, whose parent is itself
        std::swap(at.fd, parent.fd);
    }
    return false;
}

} // namespace trelvick::tree
