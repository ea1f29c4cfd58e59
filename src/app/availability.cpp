// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/availability.h"

namespace trelvick::app {

Availability availability(const WindowState& state)
{
    Availability result;
    auto set = [&result](Command command, bool available) { result.commands[std::size_t(command)] = available; };
    if (state.ended || state.ConversionRunning) {
        result.converterChoice = false;
        return result;
    }
    for (Command always : {Command::InputDefine, Command::Exit, Command::Greek, Command::English, Command::Info})
        set(always, true);
    if (!state.started)
        return result;

    set(Command::OutputDefine, true);
    const struct
    {
        bool holdsFile;
        Command view, edit, rename, remove;
    } sides[] = {
        {state.InputFileDefined, Command::InputView, Command::InputEdit, Command::InputRename, Command::InputDelete},
        {state.OutputFileDefined, Command::OutputView, Command::OutputEdit, Command::OutputRename,
         Command::OutputDelete},
    };
    for (const auto& side : sides) {
        set(side.view, side.holdsFile && state.QuickViewAvailable);
        set(side.edit, side.holdsFile && state.EditorAvailable);
        set(side.rename, side.holdsFile);
        set(side.remove, side.holdsFile);
    }
    set(Command::Convert, (state.InputFileDefined && state.OutputFileDefined) || !state.ListOfFilenames.isEmpty());
    return result;
}

} // namespace trelvick::app
