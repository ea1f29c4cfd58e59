// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QStringList>

namespace trelvick::files {

// What a batch may do with one of its inputs, whose output is its name followed by ".out", judged
// for all of them before anything is converted.
struct BatchEntry
{
    enum class Verdict
    {
        Convert,
        Repeat,          // the same file as input `other`, under this name or another: converted once
        OwnInput,        // the output would replace the input itself (a link, another hard link)
        OtherInput,      // the output would replace input `other`
        SharedOutput,    // the output is also the output of input `other` (a link between them)
        OutputNotRegular // the output exists and is no regular file (a FIFO, a device, a stream)
    };
    Verdict verdict = Verdict::Convert;
    qsizetype other = -1;

    // Whether the input must not be converted, because of what its output is.
    bool refused() const { return verdict != Verdict::Convert && verdict != Verdict::Repeat; }
};

// For example, for "a" and "./a" the second is a Repeat of 0; with "e.out" a link to "f.out", both
// "e" and "f" are SharedOutput, of each other.
QList<BatchEntry> checkBatch(const QStringList& inputs);

} // namespace trelvick::files
