// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/windowstate.h"
#include "platform/platform.h"

class QWidget;

namespace trelvick::app {

// The load step's checks: refuses a second instance, sets the state to its defaults and reads
// tq.ini into it. Every refusal beeps, shows its bilingual box and ends the program; nothing is
// written anywhere.
class StartUp
{
public:
    StartUp(platform::Platform& platform, WindowState& state, QWidget& window);

    // True when the state holds the configuration and the window may be set up and shown.
    bool run();

private:
    void refuseSecondInstance();
    void loadConfiguration(const QString& programFolder);
    void stop(const QString& text, platform::Icon icon, int status);

    platform::Platform& m_platform;
    WindowState& m_state;
    QWidget& m_window;
};

} // namespace trelvick::app
