// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescue/cursor.h"

#include <fcntl.h>

namespace trelvick::rescue {

using files::Descriptor;
using files::retryOnInterrupt;

base::Expected<Descriptor> openFolder(int parent, const QByteArray& name, const FileId& expected)
{
    Descriptor folder(retryOnInterrupt([&] {
        return ::openat(parent, name.isEmpty() ? "." : name.constData(),
                        O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    }));
    struct stat info;
    if (!folder && (errno == ELOOP || errno == ENOTDIR)) // a link or a file took its place
        return base::Error::fault(base::Fault::FileChanged);
    if (!folder || ::fstat(folder.get(), &info) != 0)
        return base::Error::system(errno);
    if (FileId::of(info) != expected)
        return base::Error::fault(base::Fault::FileChanged);
    return folder;
}

base::Expected<int> Cursor::containerOf(qsizetype i)
{
    const Node& entry = node(i);
    return entry.isInput() ? top(entry.root) : folder(entry.parent);
}

base::Expected<int> Cursor::folder(qsizetype f)
{
    if (isContainer(f))
        return top(node(f).root);
    std::vector<qsizetype> way; // f and the folders above it, up to an input
    for (qsizetype at = f; at >= 0 && !isContainer(at); at = node(at).parent)
        way.insert(way.begin(), at);
    std::size_t kept = 0;
    while (kept < m_chain.size() && kept < way.size() && m_chain[kept].first == way[kept])
        ++kept;
    m_chain.resize(kept);
    for (std::size_t k = kept; k < way.size(); ++k) {
        int parent = -1;
        if (k > 0) {
            parent = m_chain[k - 1].second.get();
        } else {
            const base::Expected<int> above = containerOf(way[0]);
            if (!above)
                return above.error();
            parent = *above;
        }
        base::Expected<Descriptor> opened = openBelow(parent, way[k]);
        if (!opened)
            return opened.error();
        m_chain.emplace_back(way[k], std::move(*opened));
    }
    return m_chain.back().second.get();
}

base::Expected<int> InputCursor::top(int root)
{
    if (root != m_topRoot || !m_top) {
        const Root& where = m_walked.roots[std::size_t(root)];
        m_topRoot = -1;
        m_top = Descriptor(retryOnInterrupt(
            [&] { return ::open(where.folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY); }));
        struct stat info;
        if (!m_top || ::fstat(m_top.get(), &info) != 0)
            return base::Error::system(errno);
        if (FileId::of(info) != where.folderId)
            return base::Error::fault(base::Fault::FileChanged);
        m_topRoot = root;
    }
    return m_top.get();
}

base::Expected<Descriptor> InputCursor::openBelow(int parent, qsizetype f)
{
    const Node& folder = node(f);
    const QByteArray& renamed = m_folders.currentName[std::size_t(f)];
    return openFolder(parent, renamed.isEmpty() ? folder.name : renamed, folder.id());
}

base::Expected<Descriptor> OutputCursor::openBelow(int parent, qsizetype f)
{
    if (const base::Error& failed = m_folders.outputError[std::size_t(f)])
        return failed;
    return openFolder(parent, m_plan.place(f).outputName, m_folders.outputId[std::size_t(f)]);
}

} // namespace trelvick::rescue
