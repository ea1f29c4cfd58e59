// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace trelvick::app {

// Names the application to the desktop before any window is shown: its name, its icon and its menu
// entry (io.trelvick.Trelvick.desktop), so that the desktop matches the window to that entry and
// shows the entry's name and icon for it, on Wayland as on X11.
void setApplicationIdentity();

} // namespace trelvick::app
