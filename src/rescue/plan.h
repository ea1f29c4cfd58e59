// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rescue/names.h"
#include "rescue/node.h"
#include "rescue/outcome.h"
#include "rescue/request.h"

#include <QByteArray>
#include <QHash>
#include <optional>
#include <vector>

namespace trelvick::rescue {

// Where each entry's result goes and under which name, settled for all of them before anything is
// written, so that the outcome never depends on which worker comes first.
struct Place
{
    NameReading name;          // names converted: what becomes of its name; Stays otherwise
    QByteArray nameTakenBy;    // the new name it would have had, which another entry has or gets first
    QByteArray outputName;     // OutputDir: its name in its output folder
    QByteArray outputRelative; // OutputDir: below the output folder ("" for an input folder)
    qsizetype overwrites = -1; // OutputDir: the earlier entry whose result lands on the same output
    bool sameEntry = false;    // the very entry of its first node again: nothing more to do
    bool isBackup = false;     // InPlace with backups: its name says it is a backup of an earlier run

    // Batch: why the input is not converted, judged against the other inputs and outputs before any is.
    enum class Refusal
    {
        None,
        OwnInput,        // its output is the input itself (a link to it, another of its names)
        OtherInput,      // its output would replace input refusedFor
        SharedOutput,    // its output is also the output of input refusedFor (a link between them)
        OutputNotRegular // its output exists and is no regular file (a FIFO would keep the job waiting)
    };
    Refusal refusal = Refusal::None;
    qsizetype refusedFor = -1;

    // The name it gets in place of its own, or empty.
    QByteArray newName() const
    {
        return name.verdict == NameReading::Verdict::Renamed && nameTakenBy.isEmpty() ? name.name : QByteArray();
    }
};

// Whether any of the inputs, each converted into NAME.out beside it, would be refused (a repeat is not):
// the window converts such a batch not at all.
bool batchRefuses(const QList<QByteArray>& inputs);

// Why a name stays as it is although names are converted (in doubt, invalid, too long), if it does.
std::optional<Reason> nameProblem(const Place& place);

// The decisions that need nothing but the walk: names, collisions and repeats. Reads no file.
//     Plan plan(request, walk(request.inputs, true), &names);
//     plan.place(i).newName(); plan.place(i).overwrites; plan.repeats(i);
class Plan final
{
public:
    // names: the converter of names when the request converts them, else null.
    // hints: what the contents around each name say of its codepage, or null.
    Plan(const Request& request, Walked walked, const NameConverter* names, const NameHints* hints = nullptr);

    const std::vector<Node>& nodes() const { return m_walked.nodes; }
    const Node& node(qsizetype i) const { return m_walked.nodes[std::size_t(i)]; }
    const Root& root(int r) const { return m_walked.roots[std::size_t(r)]; }
    const Walked& walked() const { return m_walked; }
    const Place& place(qsizetype i) const { return m_places[std::size_t(i)]; }
    qsizetype size() const { return qsizetype(m_walked.nodes.size()); }
    // How many later nodes are other names of file i (not the same entry again).
    int repeats(qsizetype i) const { return m_repeats[std::size_t(i)]; }
    // The files met, each counted once, and their bytes: for progress.
    std::int64_t fileCount() const { return m_fileCount; }
    std::int64_t totalBytes() const { return m_totalBytes; }

private:
    bool takesPart(qsizetype i) const;
    QByteArray oldName(qsizetype i) const;
    QByteArray containerKey(qsizetype i) const;
    void claimNames();
    void claimIn(const std::vector<qsizetype>& entries, QHash<QByteArray, qsizetype>& owners);
    void findRepeats();
    void judgeBatch();

    const Request& m_request;
    Walked m_walked;
    std::vector<Place> m_places;
    std::vector<int> m_repeats;
    std::int64_t m_fileCount = 0;
    std::int64_t m_totalBytes = 0;
};

} // namespace trelvick::rescue
