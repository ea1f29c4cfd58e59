// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/options.h"
#include "cli/treenames.h"
#include "convert/engine.h"
#include "lang/texts.h"
#include "tree/walk.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <optional>
#include <vector>

namespace trelvick::cli {

// What happened to a file: the report's fourth field, the same in every language.
enum class Outcome
{
    Converted,
    Copied,    // not text, or a text that cannot be converted here: the output tree gets it as it is
    Unchanged, // already in the target codepage
    Skipped,
    Failed,
};

struct Result
{
    Outcome outcome = Outcome::Skipped;
    QString from;
    QString to;
    convert::Counts counts;
    QByteArray newName; // the name it was given (--names)
    QString reason;
    bool problem = false; // exit status 1, and a message whatever --quiet says
    bool warning = false; // a message whatever --quiet says, but no failure
    QByteArray finalPath; // where the file (-i) or its output now lies, for its other hard links
};

// Where each node lies and where its result goes, settled before any file is converted.
struct Place
{
    QByteArray at;          // the file as it lies now (its folders may have been renamed)
    QByteArray output;      // --output-dir: its result; -i: the same as at
    QByteArray newName;     // --names: its new last name, when it changes and is free
    QByteArray nameTakenBy; // the new name it would have had, when another file has it
};

// A native path as the messages and the report show it.
QString shownPath(const QByteArray& path);
QByteArray joined(const QByteArray& folder, const QByteArray& name);

// The nodes of a run and the place of each. The places are settled on one thread before the workers
// start, and only read after.
class TreePlan final
{
public:
    // outputDir: the native --output-dir, empty with -i.
    TreePlan(const Options& options, lang::Language language, std::vector<tree::Node> nodes, QByteArray outputDir);

    const std::vector<tree::Node>& nodes() const { return m_nodes; }
    const tree::Node& node(qsizetype i) const { return m_nodes[std::size_t(i)]; }
    const Place& place(qsizetype i) const { return m_places[std::size_t(i)]; }
    qsizetype inputFileCount() const { return m_inputFiles.size(); }
    // How many later nodes are other names of file i.
    int repeats(qsizetype i) const { return m_repeats[std::size_t(i)]; }

    // --names: the new name of each node, where it is free.
    void plan(const std::optional<NameConverter>& names);
    // Gives each folder node its result, from making or renaming it.
    void settleFolders(std::vector<Result>& results);
    // Whether an output is one of the inputs, which writing it would destroy.
    bool outputIsInput(const QByteArray& output) const;

private:
    void locate(std::size_t i, const QHash<QByteArray, std::pair<QByteArray, QByteArray>>& folders);
    Result settleFolder(std::size_t i);

    const Options& m_options;
    lang::Language m_language;
    std::vector<tree::Node> m_nodes;
    QByteArray m_outputDir;
    std::vector<Place> m_places;
    std::vector<int> m_repeats;
    QSet<std::pair<quint64, quint64>> m_inputFiles;
};

} // namespace trelvick::cli
