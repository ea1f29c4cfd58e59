// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

namespace trelvick::rescueapp {

// What trelvick-rescue answers on its command line instead of opening the window.
struct CommandLineAnswer
{
    int status = 0;
    QByteArray standardOutput;
    QByteArray standardError;
};

// Read before the application exists, so that they need no display: --help (-h) and --version (-V),
// whichever comes first, up to a "--".
std::optional<CommandLineAnswer> answerBeforeStart(int argc, const char* const* argv);

struct Operands
{
    QList<QByteArray> paths; // absolute, as bytes: a name is whatever the file system holds
    std::optional<CommandLineAnswer> refusal;
};

// The folders and files named once Qt has taken its own options: each made absolute from
// currentFolder, "." components and trailing slashes dropped (".." stays: a link may lead up). An
// option left is refused with status 2; after "--" everything is a name.
Operands operandsOf(int argc, const char* const* argv, const QByteArray& currentFolder);

// Writes the answer out and gives the status to end with: the answer's own, or 1 when standard output
// could not take it.
int deliver(const CommandLineAnswer& answer);

} // namespace trelvick::rescueapp
