// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/windowstate.h"
#include "app/windowview.h"
#include "platform/platform.h"

namespace trelvick::app {

// View, Edit, Rename and Delete for the file of one frame. A failure beeps, shows its command's
// message and changes nothing else; only the input's commands touch the information line.
class FileCommands
{
public:
    FileCommands(platform::Platform& platform, WindowState& state, WindowView& view, lang::Side side);

    void view();
    void edit();
    void rename();
    void remove();

private:
    using FailureMessage = lang::Message (*)(lang::Language, const QString&);
    // After the input file changed on disk or in name: its line rebuilt, or the command's failure
    // shown when it cannot be read.
    void refreshInputInfo(FailureMessage failure);
    // The error is worded in the language in force.
    void fail(FailureMessage failure, const base::Error& error);

    platform::Platform& m_platform;
    WindowState& m_state;
    WindowView& m_view;
    lang::Side m_side;
};

} // namespace trelvick::app
