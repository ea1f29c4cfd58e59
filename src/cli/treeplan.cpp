// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/treeplan.h"

#include "files/fileops.h"
#include "files/paths.h"
#include "lang/clitexts.h"
#include "lang/errortext.h"
#include "lang/escape.h"

#include <cerrno>
#include <sys/stat.h>

namespace trelvick::cli {

using namespace Qt::StringLiterals;
namespace texts = lang::cli;
using tree::Node;

namespace {

// "root\0relative": a folder node, as the nodes below it name it.
QByteArray folderKey(int root, const QByteArray& relative)
{
    return QByteArray::number(root) + '\0' + relative;
}

bool isInput(const std::vector<Node>& nodes, std::size_t i)
{
    return i == 0 || nodes[i - 1].root != nodes[i].root;
}

} // namespace

QString shownPath(const QByteArray& path)
{
    return lang::escaped(files::decodeNativePath(path.constData()));
}

QByteArray joined(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

TreePlan::TreePlan(const Options& options, lang::Language language, std::vector<Node> nodes, QByteArray outputDir)
    : m_options(options), m_language(language), m_nodes(std::move(nodes)), m_outputDir(std::move(outputDir))
{
    m_places.resize(m_nodes.size());
    m_repeats.assign(m_nodes.size(), 0);
    for (const Node& node : m_nodes) {
        if (node.kind == Node::Kind::File && node.sameAs < 0)
            m_inputFiles.insert({quint64(node.info.st_dev), quint64(node.info.st_ino)});
        else if (node.kind == Node::Kind::File)
            ++m_repeats[std::size_t(node.sameAs)];
    }
}

// The new names, each checked against its neighbours': a name that stays keeps its file, and of two
// files whose names become the same, the first keeps it and the other its old name.
void TreePlan::plan(const std::optional<NameConverter>& names)
{
    if (!names)
        return;
    // Which folder each new name lands in: a folder node's index, or for files given by name (and
    // with --output-dir, for everything right under an input folder) the output folder or the file's own.
    QHash<QByteArray, qsizetype> folderOf;
    std::vector<QByteArray> claimIn(m_nodes.size());
    std::vector<QByteArray> oldName(m_nodes.size());
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        const Node& node = m_nodes[i];
        if (node.kind == Node::Kind::Folder && node.sameAs < 0)
            folderOf.insert(folderKey(node.root, node.relative), qsizetype(i));
        if (node.relative.isEmpty() || node.kind == Node::Kind::Failed)
            continue; // an input folder keeps the name it was given by
        const qsizetype slash = node.relative.lastIndexOf('/');
        oldName[i] = node.relative.mid(slash + 1);
        if (isInput(m_nodes, i) || (slash < 0 && m_options.outputDir))
            claimIn[i] = m_options.outputDir ? QByteArray("out") : "in:" + files::splitPath(node.path).folder;
        else
            claimIn[i] = "n" + QByteArray::number(folderOf.value(
                                   folderKey(node.root, node.relative.left(std::max<qsizetype>(slash, 0))), -1));
        const std::optional<QByteArray> converted = names->convert(oldName[i]);
        if (converted && *converted != oldName[i])
            m_places[i].newName = *converted;
    }
    QSet<QByteArray> taken;
    for (const bool renamed : {false, true}) {
        for (std::size_t i = 0; i < m_nodes.size(); ++i) {
            if (claimIn[i].isEmpty() || m_places[i].newName.isEmpty() != !renamed)
                continue;
            const QByteArray name = renamed ? m_places[i].newName : oldName[i];
            if (!taken.contains(claimIn[i] + '/' + name)) {
                taken.insert(claimIn[i] + '/' + name);
            } else if (renamed) {
                m_places[i].nameTakenBy = name;
                m_places[i].newName.clear();
                taken.insert(claimIn[i] + '/' + oldName[i]);
            }
        }
    }
}

// Where every node lies and goes: output folders are made, and with -i the folders renamed, before
// any file is, so that the workers find every path ready.
void TreePlan::settleFolders(std::vector<Result>& results)
{
    QHash<QByteArray, std::pair<QByteArray, QByteArray>> folders; // "root\0relative": at, output
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        const Node& node = m_nodes[i];
        locate(i, folders);
        if (node.kind != Node::Kind::Folder || node.sameAs >= 0)
            continue;
        results[i] = settleFolder(i);
        folders.insert(folderKey(node.root, node.relative), {m_places[i].at, m_places[i].output});
    }
}

// Below its parent folder as that lies and goes now.
void TreePlan::locate(std::size_t i, const QHash<QByteArray, std::pair<QByteArray, QByteArray>>& folders)
{
    const Node& node = m_nodes[i];
    Place& place = m_places[i];
    if (isInput(m_nodes, i)) {
        place.at = node.path;
        if (node.kind == Node::Kind::Folder)
            place.output = m_options.outputDir ? m_outputDir : node.path;
        else
            place.output = m_options.outputDir
                               ? joined(m_outputDir, place.newName.isEmpty() ? node.relative : place.newName)
                               : node.path;
        return;
    }
    const qsizetype slash = node.relative.lastIndexOf('/');
    const QByteArray name = node.relative.mid(slash + 1);
    const auto& [parentAt, parentOutput] =
        folders.value(folderKey(node.root, node.relative.left(std::max<qsizetype>(slash, 0))));
    place.at = joined(parentAt, name);
    place.output =
        m_options.outputDir ? joined(parentOutput, place.newName.isEmpty() ? name : place.newName) : place.at;
}

// The folder made in the output tree, or renamed where it lies.
Result TreePlan::settleFolder(std::size_t i)
{
    const Node& node = m_nodes[i];
    Place& place = m_places[i];
    Result folderResult;
    folderResult.outcome = Outcome::Unchanged;
    if (m_options.outputDir) {
        if (::mkdir(place.output.constData(), node.info.st_mode & 07777) != 0 && errno != EEXIST) {
            folderResult.outcome = Outcome::Failed;
            folderResult.reason =
                shownPath(place.output) + u": "_s + lang::errorText(base::Error::system(errno), m_language);
            folderResult.problem = true;
        }
    } else if (!place.newName.isEmpty()) {
        const QByteArray renamed = joined(files::splitPath(place.at).folder, place.newName);
        if (const base::Error failed = files::renameNoReplace(files::decodeNativePath(place.at.constData()),
                                                              files::decodeNativePath(renamed.constData()))) {
            folderResult.reason =
                texts::renameFailed(m_language, shownPath(place.newName), lang::errorText(failed, m_language));
            folderResult.problem = true;
        } else {
            folderResult.newName = place.newName;
            place.at = renamed;
            place.output = renamed;
        }
    }
    if (m_options.outputDir && !place.newName.isEmpty())
        folderResult.newName = place.newName;
    if (!place.nameTakenBy.isEmpty()) {
        folderResult.reason = texts::nameTaken(m_language, shownPath(place.nameTakenBy));
        folderResult.problem = true;
    }
    return folderResult;
}

bool TreePlan::outputIsInput(const QByteArray& output) const
{
    struct stat info;
    return ::stat(output.constData(), &info) == 0 &&
           m_inputFiles.contains({quint64(info.st_dev), quint64(info.st_ino)});
}

} // namespace trelvick::cli
