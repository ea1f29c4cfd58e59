// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rescue/work.h"

#include <QHash>
#include <chrono>
#include <functional>
#include <vector>

namespace trelvick::rescue {

// The results of a job in the order of its entries, on the calling thread. Replacements are committed
// in groups: the new files of a group are made durable together (one syncfs per file system) before
// any of them takes its name, and each folder is flushed once after, so that after a power cut every
// file is still old or new, for the price of one flush per group rather than two per file.
class Committer final
{
public:
    using Tell = std::function<void(qsizetype i, const Result& result)>;

    Committer(Shared& shared, InputCursor& input, OutputCursor* output, Tell tell, std::size_t groupSize = kGroupSize)
        : m_shared(shared), m_input(input), m_output(output), m_tell(std::move(tell)), m_groupSize(groupSize)
    {
    }
    ~Committer() { flush(); }
    Committer(const Committer&) = delete;
    Committer& operator=(const Committer&) = delete;

    // The result of entry i, which comes right after the last one added.
    void add(qsizetype i, Done done);
    // Commits the group when it is large or has waited long enough; commit() does it now.
    void commitIfDue();
    void flush();

    // How many results a group holds at most: what they keep open stays well inside the descriptor limit.
    static constexpr std::size_t kGroupSize = 64;

private:
    struct Entry
    {
        qsizetype i;
        Done done;
    };
    void commitGroup();
    void commit(Entry& entry);
    Result repeat(qsizetype i);
    base::Error relink(qsizetype first, const Result& firstResult, qsizetype i);

    Shared& m_shared;
    InputCursor& m_input;
    OutputCursor* m_output;
    Tell m_tell;
    std::size_t m_groupSize;
    std::vector<Entry> m_group;
    std::chrono::steady_clock::time_point m_started;
    QHash<qsizetype, Result> m_linked; // the results of files with other names still to come
};

} // namespace trelvick::rescue
