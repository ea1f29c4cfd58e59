// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rescue/codepages.h"

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

// File and folder names from an old codepage into UTF-8. A name that is valid UTF-8 stays; any other
// is read in the given codepage, or else in the codepage its bytes fit best when the guess is at least
// minConfidence percent sure. Any number of threads may read names at once.
//     "\x80\x90\x96\x84\x88\x8E.TXT" -> Renamed "ΑΡΧΕΙΟ.TXT" (its bytes guessed as CP737)
class NameConverter final
{
public:
    NameConverter(const Codepages& codepages, const charset::Charset* from, int minConfidence);

    NameReading read(const QByteArray& name) const;

private:
    const Codepages& m_codepages;
    const charset::Charset* m_from;
    double m_least;
};

} // namespace trelvick::rescue
