// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/availability.h"
#include "app/windowstate.h"
#include "app/windowview.h"
#include "platform/platform.h"

#include <functional>

class QWidget;

namespace trelvick::app {

// Select for the input (one file, or several offered for conversion in one go) and for the output.
// A selection only sets the state; which commands it opens up follows from that.
class FileSelection
{
public:
    // press runs a command as a click would, availability test included: the batch presses Convert
    // and Exit that way.
    FileSelection(platform::Platform& platform, WindowState& state, WindowView& view, QWidget& window,
                  std::function<void(Command)> press);

    void selectInput();
    void selectOutput();

private:
    platform::FileDialogResult SelectFiles(const QString& folder);
    // True when the user took the offer and the batch has run.
    bool offerMultipleFileConversion(const QStringList& names);

    platform::Platform& m_platform;
    WindowState& m_state;
    WindowView& m_view;
    QWidget& m_window;
    std::function<void(Command)> m_press;
};

} // namespace trelvick::app
