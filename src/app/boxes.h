// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/windowstate.h"
#include "platform/platform.h"

namespace trelvick::app {

// A message box with the buttons captioned in the language in force.
platform::Answer showBox(platform::Platform& platform, const WindowState& state, const lang::Message& message,
                         platform::Icon icon, platform::Buttons buttons = platform::Buttons::Ok);

// A command's failure: the beep, then its message with the exclamation icon.
void showFailure(platform::Platform& platform, const WindowState& state, const lang::Message& message);

// Tells the platform to end the program; no command runs after this.
void endProgram(platform::Platform& platform, WindowState& state, int status);

} // namespace trelvick::app
