// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/windowstate.h"
#include "app/windowview.h"
#include "platform/platform.h"

namespace trelvick::app {

// One conversion of the run: an input and the output it goes into.
struct Job
{
    QString input;
    QString output;
};

// What sets the two kinds of run apart; the run itself is the same for both.
class RunPolicy
{
public:
    virtual ~RunPolicy() = default;
    virtual QList<Job> jobs() const = 0;
    // An output that would replace one of the inputs: the run is refused before anything is converted.
    virtual bool namesClash() const = 0;
    // Whether to ask before replacing what an earlier run wrote.
    virtual bool asksBeforeReplacing() const = 0;
    // The status line while file `number` of `count` is converted; a null string leaves it alone.
    virtual QString fileLabel(lang::Language language, qsizetype number, qsizetype count) const = 0;
    // Whether each result is shown with its count of changed characters.
    virtual bool reportsResult() const = 0;
};

// Convert: the chosen input into the chosen output, or, with a batch listed, each listed file into
// its name followed by ".out".
//
// First one check of all the names, which changes nothing when it refuses: a name the window could
// not decode, an output that would replace an input, and for the chosen output the question before
// replacing an earlier result. Then, file by file, the converter's code section is read, the file
// converted with the commands unavailable and the window's events let through, and the commands
// given back. A faulty code section or a failed conversion reports itself and ends the program; the
// outputs of earlier files stay.
class ConversionRun
{
public:
    ConversionRun(platform::Platform& platform, WindowState& state, ProgressView& view);

    // converter: the position in the state's converter list of the converter chosen.
    void run(int converter);

private:
    bool passesChecks(const RunPolicy& policy, const QList<Job>& jobs);
    bool refuse(const lang::Message& message);
    bool convert(const RunPolicy& policy, const Job& job, qsizetype number, qsizetype count,
                 const config::Converter& converter);
    void fail(const lang::Message& message);

    platform::Platform& m_platform;
    WindowState& m_state;
    ProgressView& m_view;
};

} // namespace trelvick::app
