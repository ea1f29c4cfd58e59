// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "charset/charset.h"
#include "charset/widesource.h"
#include "convert/engine.h"

#include "guess/guess.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <optional>

// What a rescue job is asked to do: which files, converted how, delivered where. The faces (the
// command line, the window) fill it in; nothing here knows of options or widgets.
namespace trelvick::rescue {

// A batch's output: the input's name, as given, followed by ".out".
inline QByteArray batchOutput(const QByteArray& input)
{
    return input + ".out";
}

// Where each result goes.
enum class Delivery
{
    OutputDir, // under outputDir, at the same place below it as the file below its input
    InPlace,   // replacing the file itself
    Batch,     // into NAME.out beside each input as it was named (a link there is followed)
};

// What a file is read as: a codepage, a converter of tq.ini, or (neither) each file's guess.
struct Source
{
    std::optional<charset::Charset> codepage;
    std::optional<charset::WideForm> wide; // UTF-16 or UTF-32, named by the user
    std::optional<convert::ConversionTable> table;
    QString tableName;      // the converter's key, as reports name the source
    int minConfidence = 90; // percent: a guess less sure leaves the file alone
};

struct Request
{
    // The inputs in the order given: operands (named on the command line: a symbolic link is
    // followed, as the user named it) and listed ones (from a list such as find's: a link is a link).
    struct Input
    {
        QByteArray path;
        bool followLink = true;
    };
    QList<Input> inputs;
    bool recursive = false;

    Source source;
    std::optional<charset::Charset> target; // the codepage written (none with a converter of tq.ini)
    // Line ends: Keep leaves them; any other choice reaches the files already in the target too.
    convert::LineEnds lineEnds = convert::LineEnds::Keep;
    // Characters the target lacks and bytes the source leaves undefined: without lossy such a file
    // is left as it is and reported; with it, it is converted and the loss counted.
    bool lossy = false;
    // A UTF-8 byte-order mark: kept where a file has one, stripped from every file, or added to every
    // file written in UTF-8 (the files already in UTF-8 or ASCII too).
    enum class Bom
    {
        Keep,
        Strip,
        Add,
    };
    Bom bom = Bom::Keep;
    // Each file written keeps its source's modification and access times, and so do the folders made
    // or changed by the job.
    bool preserveTimes = true;
    // Everything decided and told as a real run would, and nothing on the disk changed.
    bool dryRun = false;
    // UTF-8 that was once read in a single-byte codepage and saved again as UTF-8 is repaired.
    bool fixMojibake = false;

    Delivery delivery = Delivery::OutputDir;
    // Whether the guess spares files that are not text (and those already in the target): in a tree,
    // where a picture sits beside the texts. A batch converts every file named, as asked.
    bool guessesText() const
    {
        return delivery == Delivery::OutputDir || delivery == Delivery::InPlace || (!source.codepage && !source.table);
    }
    QByteArray outputDir;                   // OutputDir
    std::optional<QByteArray> backupSuffix; // InPlace: the original kept as NAME + suffix

    bool convertNames = false;                 // names that are not UTF-8 become UTF-8
    std::optional<charset::Charset> namesFrom; // none: each name's guess decides

    int jobs = 1; // worker threads

    // The user's word on single entries, by node of the plan the job runs (a window's choices after a
    // dry run): read in this codepage whatever the guess says, or left alone.
    struct Override
    {
        bool skip = false;
        guess::Encoding encoding = guess::Encoding::Ascii;
    };
    QHash<qsizetype, Override> overrides;
};

} // namespace trelvick::rescue
