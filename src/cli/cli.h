// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lang/texts.h"

#include <QString>
#include <QStringList>

// trelvick-convert: the window's conversion for scripts and pipelines, over the same core.
namespace trelvick::cli {

enum ExitStatus
{
    kDone = 0,
    kConversionFailed = 1, // also input and output that are the same file
    kBadUsage = 2,         // also a faulty tq.ini or code section
    kNotText = 3,          // --guess: no candidate codepage fits
};

// What the process runs in; tests give their own descriptors.
struct Context
{
    QString programFolder;
    QString personalConfigFolder; // a tq.ini there wins over the program folder's
    lang::Language language = lang::Language::English;
    int inputFd = 0; // -1: closed when the program started, so "-" fails with EBADF
    int outputFd = 1;
    int errorFd = 2;
    bool errorIsTerminal = false;
};

// Runs the program and returns its exit status.
int run(const QStringList& arguments, const Context& context);

} // namespace trelvick::cli
