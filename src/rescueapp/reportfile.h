// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/error.h"
#include "files/descriptor.h"

#include <QByteArray>
#include <QDateTime>

namespace trelvick::rescueapp {

// The report of a conversion (rescue::reportLine's lines), written as the results come, so that even
// a run the system cut short leaves the lines an undo needs. A new file of its own, never one that was
// there: rescue-20240131-154502.tsv in the reports folder, -2, -3 ... after it when that is taken.
class ReportFile final
{
public:
    // Makes the folder (and those above it) and the file.
    base::Error open(const QByteArray& folder, const QDateTime& now);
    const QByteArray& path() const { return m_path; }
    // Takes a line; after a failure nothing more is written, and finish() tells it.
    void add(const QByteArray& line);
    // Writes the lines taken so far (the job does so each time it tells the window).
    void flush();
    // Everything on the disk, and the file closed: the first failure of the lot.
    base::Error finish();

private:
    files::Descriptor m_file;
    QByteArray m_path;
    QByteArray m_buffer;
    base::Error m_error;
};

// Where the reports go: $XDG_DATA_HOME/trelvick/reports (~/.local/share/trelvick/reports).
QByteArray reportFolder();

} // namespace trelvick::rescueapp
