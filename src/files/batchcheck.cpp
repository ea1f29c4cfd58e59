// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/batchcheck.h"

#include "files/destination.h"
#include "files/fileops.h"

#include <QHash>
#include <map>
#include <sys/stat.h>
#include <tuple>

namespace trelvick::files {

namespace {

using Verdict = BatchEntry::Verdict;
using FileId = std::pair<quint64, quint64>;

// Where an output lands: an existing file by device and inode, a new one by its folder's and its name.
using Landing = std::tuple<quint64, quint64, QByteArray>;

std::optional<FileId> idOf(const QByteArray& path)
{
    struct stat info;
    if (::stat(path.constData(), &info) != 0)
        return std::nullopt;
    return FileId{info.st_dev, info.st_ino};
}

// Where the output would land, or nothing when finding that fails (the conversion reports it).
std::optional<Landing> landingOf(const Destination& destination)
{
    if (destination.kind != Destination::Kind::New)
        return Landing{destination.info.st_dev, destination.info.st_ino, {}};
    struct stat folder;
    if (::fstat(destination.folder.get(), &folder) != 0)
        return std::nullopt;
    return Landing{folder.st_dev, folder.st_ino, destination.name};
}

} // namespace

QList<BatchEntry> checkBatch(const QStringList& inputs)
{
    QList<BatchEntry> entries(inputs.size());
    QList<QByteArray> names;
    QHash<QByteArray, qsizetype> byName;
    QHash<FileId, qsizetype> byFile;
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        names << nativePath(inputs.at(i));
        const std::optional<FileId> id = idOf(names.at(i));
        const qsizetype first = byName.value(names.at(i), id ? byFile.value(*id, -1) : -1);
        if (first >= 0)
            entries[i] = {Verdict::Repeat, first};
        byName.insert(names.at(i), byName.value(names.at(i), i));
        if (id && first < 0)
            byFile.insert(*id, i);
    }

    std::map<Landing, qsizetype> byLanding;
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        if (entries.at(i).verdict == Verdict::Repeat)
            continue;
        const QByteArray output = names.at(i) + ".out";
        const base::Expected<Destination> destination = findDestination(output);
        const qsizetype input =
            byName.value(output, destination && destination->kind == Destination::Kind::Replace
                                     ? byFile.value({destination->info.st_dev, destination->info.st_ino}, -1)
                                     : -1);
        if (input >= 0) {
            entries[i] = {input == i ? Verdict::OwnInput : Verdict::OtherInput, input};
        } else if (destination && (destination->kind == Destination::Kind::InPlace ||
                                   destination->kind == Destination::Kind::Stream)) {
            entries[i] = {Verdict::OutputNotRegular, -1};
        } else if (const std::optional<Landing> landing = destination ? landingOf(*destination) : std::nullopt) {
            const auto [known, added] = byLanding.try_emplace(*landing, i);
            if (!added) {
                entries[i] = {Verdict::SharedOutput, known->second};
                if (!entries.at(known->second).refused())
                    entries[known->second] = {Verdict::SharedOutput, i};
            }
        }
    }
    return entries;
}

} // namespace trelvick::files
