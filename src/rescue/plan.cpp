// SPDX-License-Identifier: GPL-3.0-or-later
#include "rescue/plan.h"

#include "rescue/sources.h"

#include <QHash>

namespace trelvick::rescue {

namespace {

using Kind = Node::Kind;
using Verdict = NameReading::Verdict;

QByteArray joined(const QByteArray& folder, const QByteArray& name)
{
    return folder.isEmpty() ? name : folder + '/' + name;
}

QByteArray idKey(const FileId& id)
{
    return QByteArray::number(quint64(id.device)) + ':' + QByteArray::number(quint64(id.inode));
}

} // namespace

Plan::Plan(const Request& request, Walked walked, const NameConverter* names, const NameHints* hints)
    : m_request(request), m_walked(std::move(walked))
{
    m_places.resize(m_walked.nodes.size());
    m_repeats.assign(m_walked.nodes.size(), 0);
    const bool marksBackups = request.delivery == Delivery::InPlace && request.backupSuffix;
    for (qsizetype i = 0; i < size(); ++i) {
        const Node& n = node(i);
        if (n.kind == Kind::File && n.sameAs < 0) {
            ++m_fileCount;
            m_totalBytes += n.info.st_size;
        }
        if (marksBackups && n.kind == Kind::File && oldName(i).endsWith(*request.backupSuffix))
            m_places[std::size_t(i)].isBackup = true;
        if (names && takesPart(i))
            m_places[std::size_t(i)].name =
                names->read(oldName(i), hints ? hints->around(m_walked, i) : QList<guess::Encoding>());
    }
    findRepeats();
    if (request.delivery == Delivery::Batch)
        judgeBatch();
    else
        claimNames();
}

// Each output against the inputs and the other outputs, as it lands: for "a" and "./a" the second is a
// repeat; with "e.out" a link to "f.out", e and f share an output and neither is converted.
void Plan::judgeBatch()
{
    QHash<QByteArray, qsizetype> byName;
    QHash<FileId, qsizetype> byFile;
    for (qsizetype i = 0; i < size(); ++i) {
        if (!byName.contains(node(i).path))
            byName.insert(node(i).path, i);
        if (node(i).kind == Kind::File && node(i).sameAs < 0)
            byFile.insert(node(i).id(), i);
    }
    QHash<QByteArray, qsizetype> landed;
    for (qsizetype i = 0; i < size(); ++i) {
        const Node& n = node(i);
        if (n.kind != Kind::File || n.sameAs >= 0)
            continue;
        Place& place = m_places[std::size_t(i)];
        const Landing& output = root(n.root).output;
        qsizetype input = byName.value(batchOutput(n.path), -1);
        if (input < 0 && output.kind == Landing::Kind::Existing)
            input = byFile.value(output.file, -1);
        if (input >= 0) {
            place.refusal = input == i ? Place::Refusal::OwnInput : Place::Refusal::OtherInput;
            place.refusedFor = input;
        } else if (output.kind == Landing::Kind::NotRegular) {
            place.refusal = Place::Refusal::OutputNotRegular;
        } else if (output.kind != Landing::Kind::Unknown) {
            const QByteArray key =
                output.kind == Landing::Kind::New ? idKey(output.folder) + '/' + output.name : idKey(output.file);
            const auto first = landed.constFind(key);
            if (first == landed.constEnd()) {
                landed.insert(key, i);
                continue;
            }
            place.refusal = Place::Refusal::SharedOutput;
            place.refusedFor = *first;
            Place& other = m_places[std::size_t(*first)];
            if (other.refusal == Place::Refusal::None) {
                other.refusal = Place::Refusal::SharedOutput;
                other.refusedFor = i;
            }
        }
    }
}

// Whether node i has a name of its own to keep, change or land under: an input folder keeps the name
// it was given by, and an entry that could not be looked at has nothing to deliver.
bool Plan::takesPart(qsizetype i) const
{
    const Node& n = node(i);
    return n.kind != Kind::Failed && !(n.isInput() && n.kind == Kind::Folder);
}

bool batchRefuses(const QList<QByteArray>& inputs)
{
    Request request;
    request.delivery = Delivery::Batch;
    for (const QByteArray& input : inputs)
        request.inputs.append({input, true});
    const Plan plan(request, walk(request), nullptr);
    for (qsizetype i = 0; i < plan.size(); ++i) {
        if (plan.place(i).refusal != Place::Refusal::None)
            return true;
    }
    return false;
}

// Its name where it lies (with -i, the entry itself; an input file reached through a link is the
// file the link leads to), or the name its output takes otherwise.
QByteArray Plan::oldName(qsizetype i) const
{
    const Node& n = node(i);
    if (n.isInput() && m_request.delivery == Delivery::OutputDir)
        return n.relative;
    return n.name;
}

// The folder its name is claimed in: the real folder with -i, its output folder otherwise.
QByteArray Plan::containerKey(qsizetype i) const
{
    const Node& n = node(i);
    if (m_request.delivery == Delivery::OutputDir)
        return n.isInput() ? QByteArray() : m_places[std::size_t(n.parent)].outputRelative;
    return idKey(n.isInput() ? root(n.root).folderId : node(n.parent).id());
}

// A file named again as the very entry it was first named as (a list holding "I/a.txt" and
// "./I/a.txt") is done once and nothing more; another name of it (a hard link) becomes a name of its
// result too.
void Plan::findRepeats()
{
    for (qsizetype i = 0; i < size(); ++i) {
        const Node& n = node(i);
        if (n.kind != Kind::File || n.sameAs < 0 || m_places[std::size_t(i)].isBackup)
            continue; // a backup that is still a name of its original (a run cut short) stays the original's
        const Node& first = node(n.sameAs);
        const FileId folder = n.isInput() ? root(n.root).folderId : node(n.parent).id();
        const FileId firstFolder = first.isInput() ? root(first.root).folderId : node(first.parent).id();
        if (folder == firstFolder && n.name == first.name)
            m_places[std::size_t(i)].sameEntry = true;
        else
            ++m_repeats[std::size_t(n.sameAs)];
    }
}

// Each name is claimed in its folder: the names that stay first, so that a name already there keeps
// its file, then the new ones in the order walked; of two entries that would take one name, the first
// keeps it. Under an output folder a later entry whose output lands where an earlier one's did is
// refused, folders aside, which merge. A folder's contents are placed once the folder is, so that they
// land below its new name.
void Plan::claimNames()
{
    std::vector<std::vector<qsizetype>> contents(m_places.size());
    std::vector<qsizetype> inputs;
    for (qsizetype i = 0; i < size(); ++i)
        (node(i).isInput() ? inputs : contents[std::size_t(node(i).parent)]).push_back(i);
    QHash<QByteArray, qsizetype> owners; // container key '/' name: the node that has it
    claimIn(inputs, owners);
    for (std::size_t folder = 0; folder < contents.size(); ++folder)
        claimIn(contents[folder], owners);
}

void Plan::claimIn(const std::vector<qsizetype>& entries, QHash<QByteArray, qsizetype>& owners)
{
    const bool outputDir = m_request.delivery == Delivery::OutputDir;
    const auto take = [&](qsizetype i, const QByteArray& name) {
        Place& place = m_places[std::size_t(i)];
        const QByteArray container = containerKey(i);
        const auto owner = owners.constFind(container + '/' + name);
        if (owner == owners.constEnd())
            owners.insert(container + '/' + name, i);
        else if (outputDir && !(node(*owner).kind == Kind::Folder && node(i).kind == Kind::Folder))
            place.overwrites = *owner;
        if (outputDir) {
            place.outputName = name;
            place.outputRelative = joined(container, name);
        }
    };
    for (const bool renamed : {false, true}) {
        for (const qsizetype i : entries) {
            Place& place = m_places[std::size_t(i)];
            if (!takesPart(i) || place.sameEntry || (place.name.verdict == Verdict::Renamed) != renamed)
                continue;
            if (!renamed) {
                take(i, oldName(i));
            } else if (owners.contains(containerKey(i) + '/' + place.name.name)) {
                place.nameTakenBy = place.name.name;
                if (node(i).kind == Kind::Folder || !outputDir) // a file so refused is written nowhere
                    take(i, oldName(i));
            } else {
                take(i, place.name.name);
            }
        }
    }
}

// The reason a name stays as it is although names are converted.
std::optional<Reason> nameProblem(const Place& place)
{
    switch (place.name.verdict) {
    case NameReading::Verdict::InDoubt:
        return Reason{Reason::Code::NameInDoubt, {}, 0, place.name.detail, {}};
    case NameReading::Verdict::Invalid:
        return Reason{Reason::Code::NameInvalid, {}, 0, {}, {}};
    case NameReading::Verdict::TooLong:
        return Reason{Reason::Code::NameTooLong, place.name.name, 0, {}, {}};
    case NameReading::Verdict::Stays:
    case NameReading::Verdict::Renamed:
        break;
    }
    return std::nullopt;
}

} // namespace trelvick::rescue
