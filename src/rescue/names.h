// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rescue/codepages.h"
#include "rescue/node.h"

#include <QHash>
#include <QList>
#include <vector>

#include <QByteArray>
#include <QString>

namespace trelvick::rescue {

// What a file or folder name becomes when names are converted to UTF-8.
struct NameReading
{
    enum class Verdict
    {
        Stays,   // valid UTF-8 (ASCII included): nothing to do
        Renamed, // name holds the new name
        InDoubt, // the guess of its codepage is not sure enough; detail: the candidates
        Invalid, // read in its codepage it is no name a file can have ("", ".", "..", "/" or NUL in it)
        TooLong, // name holds the new name, longer than a name may be (255 bytes)
    };
    Verdict verdict = Verdict::Stays;
    QByteArray name;
    QString detail;
};

// The codepages the contents around each name were found in: a name was written on the machine that
// wrote the files beside it, and a short name alone cannot tell 737 from 862, or 1252 from 1250.
class NameHints final
{
public:
    NameHints() = default;
    // Reads the start of every file of the walk whose name, or a folder's name on its way, is not
    // UTF-8 (through the folders' descriptors, checked as the work checks them); no file otherwise.
    static NameHints gather(const Walked& walked);

    // Most common first: the contents of entry i's folder, else of the folders above it, else of the job;
    // for a folder, first the contents below it.
    QList<guess::Encoding> around(const Walked& walked, qsizetype i) const;

private:
    using Counts = QHash<int, int>; // guess::Encoding: files
    std::vector<Counts> m_inFolder; // by folder node: its own files
    std::vector<Counts> m_below;    // by folder node: every file below it
    Counts m_job;
};

// File and folder names from an old codepage into UTF-8. A name that is valid UTF-8 stays; any other
// is read in the given codepage, or else in the codepage its bytes fit best when the guess is at least
// minConfidence percent sure. Any number of threads may read names at once.
//     "\x80\x90\x96\x84\x88\x8E.TXT" -> Renamed "ΑΡΧΕΙΟ.TXT" (its bytes guessed as CP737)
class NameConverter final
{
public:
    NameConverter(const Codepages& codepages, const charset::Charset* from, int minConfidence);

    // around: the codepages of the contents around the name, most common first (see NameHints). The first
    // of them that the name's own guess allows at all and that reads it as a name is taken.
    NameReading read(const QByteArray& name, const QList<guess::Encoding>& around = {}) const;

private:
    const Codepages& m_codepages;
    const charset::Charset* m_from;
    double m_least;
};

} // namespace trelvick::rescue
