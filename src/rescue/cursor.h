// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/descriptor.h"
#include "rescue/plan.h"

#include <QByteArray>
#include <utility>
#include <vector>

namespace trelvick::rescue {

// What the settling of the folders made of them before the files are done: the name each folder has
// now (renamed in place) and, under an output folder, the identity of the folder made for it. Written
// on one thread before the workers start, only read after.
struct Folders
{
    std::vector<QByteArray> currentName;  // by node; empty: its own name
    std::vector<FileId> outputId;         // by node: the output folder made for a folder node
    std::vector<base::Error> outputError; // by node: why its output folder could not be made
    FileId outputRootId;
    QByteArray outputRoot;
};

// The open folders on the way to the last entry looked at, reused for the next one: entries come in
// the order walked, so most need no open at all. Every folder is opened from its parent's descriptor
// without following a link, and only taken when it is still the folder the walk saw (or the job
// made); anything else is Fault::FileChanged. One cursor per thread.
class Cursor
{
public:
    Cursor(const Walked& walked, const Folders& folders) : m_walked(walked), m_folders(folders) {}
    virtual ~Cursor() = default;
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    // The descriptor of the folder that entry i lies in (or lands in), valid until the next call.
    base::Expected<int> containerOf(qsizetype i);

protected:
    // The folder that holds the inputs of root r; the output folder itself under an output folder.
    virtual base::Expected<int> top(int root) = 0;
    // Folder node f opened from the folder it lies in.
    virtual base::Expected<files::Descriptor> openBelow(int parent, qsizetype f) = 0;
    // Whether folder node f stands for its container itself (an input folder under an output folder).
    virtual bool isContainer(qsizetype f) const = 0;

    const Node& node(qsizetype i) const { return m_walked.nodes[std::size_t(i)]; }

    const Walked& m_walked;
    const Folders& m_folders;

private:
    base::Expected<int> folder(qsizetype f);

    std::vector<std::pair<qsizetype, files::Descriptor>> m_chain; // from an input's folder down
};

// The input tree, where the files lie.
class InputCursor final : public Cursor
{
public:
    InputCursor(const Walked& walked, const Folders& folders) : Cursor(walked, folders) {}
    InputCursor(const Plan& plan, const Folders& folders) : Cursor(plan.walked(), folders) {}

private:
    base::Expected<int> top(int root) override;
    base::Expected<files::Descriptor> openBelow(int parent, qsizetype f) override;
    bool isContainer(qsizetype) const override { return false; }

    int m_topRoot = -1;
    files::Descriptor m_top;
};

// The output tree, as the job made it.
class OutputCursor final : public Cursor
{
public:
    OutputCursor(const Plan& plan, const Folders& folders, int outputRoot)
        : Cursor(plan.walked(), folders), m_plan(plan), m_outputRoot(outputRoot)
    {
    }

private:
    base::Expected<int> top(int) override { return m_outputRoot; }
    base::Expected<files::Descriptor> openBelow(int parent, qsizetype f) override;
    bool isContainer(qsizetype f) const override { return node(f).isInput(); }

    const Plan& m_plan;
    int m_outputRoot;
};

// A folder opened from its parent without following a link, checked to be the one expected.
base::Expected<files::Descriptor> openFolder(int parent, const QByteArray& name, const FileId& expected);

} // namespace trelvick::rescue
