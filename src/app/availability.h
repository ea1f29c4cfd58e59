// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/windowstate.h"

#include <array>
#include <cstddef>

namespace trelvick::app {

// The window's fifteen commands, one picture button each.
enum class Command
{
    InputDefine,
    InputView,
    InputEdit,
    InputRename,
    InputDelete,
    OutputDefine,
    OutputView,
    OutputEdit,
    OutputRename,
    OutputDelete,
    Convert,
    Exit,
    Greek,
    English,
    Info,
};
inline constexpr std::size_t kCommandCount = std::size_t(Command::Info) + 1;

// What the user may do at a moment: each command's availability and whether the converter may be
// changed. Unavailable commands keep their button usable-looking; a press just does nothing.
struct Availability
{
    std::array<bool, kCommandCount> commands{};
    bool converterChoice = true;

    bool operator[](Command command) const { return commands[std::size_t(command)]; }
};

// Availability follows from the state alone, so that no command has to remember which buttons an
// earlier one touched:
//  - before start-up, the window's design: Select input, Exit, the languages and help;
//  - while a conversion runs, and once the program has been told to end, nothing;
//  - otherwise both Selects, Exit, the languages and help; a frame holding a file offers Rename and
//    Delete, and View and Edit where tq.ini names a usable program; Convert needs both files, or
//    a batch handed to it.
Availability availability(const WindowState& state);

} // namespace trelvick::app
