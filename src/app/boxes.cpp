// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/boxes.h"

namespace trelvick::app {

platform::Answer showBox(platform::Platform& platform, const WindowState& state, const lang::Message& message,
                         platform::Icon icon, platform::Buttons buttons)
{
    return platform.messageBox(
        {message.title, message.text, icon, buttons, lang::buttonTexts(state.InterfaceLanguage)});
}

void showFailure(platform::Platform& platform, const WindowState& state, const lang::Message& message)
{
    platform.beep();
    showBox(platform, state, message, platform::Icon::Exclamation);
}

void endProgram(platform::Platform& platform, WindowState& state, int status)
{
    state.ended = true;
    platform.endProgram(status);
}

} // namespace trelvick::app
