// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QStringList>
#include <optional>

namespace trelvick::app {

// What the window program answers on its command line instead of opening the window.
struct CommandLineAnswer
{
    int status = 0;
    QByteArray standardOutput;
    QByteArray standardError;
};

// trelvick's arguments, without the program's name, each giving back its very bytes.
QStringList argumentsOf(int argc, const char* const* argv);

// Read before the application exists, so that they need no display: --help (-h) and --version (-V),
// whichever comes first, up to a "--".
std::optional<CommandLineAnswer> answerBeforeStart(const QStringList& arguments);

// Read once Qt has taken its own options (-platform, -display, -style ...) out of the arguments: the
// window takes nothing else, so anything left is refused with status 2 before any window is made.
std::optional<CommandLineAnswer> refuseLeftOver(const QStringList& arguments);

// Writes the answer out and gives the status to end with: the answer's own, or 1 when standard output
// could not take it.
int deliver(const CommandLineAnswer& answer);

} // namespace trelvick::app
