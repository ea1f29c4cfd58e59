// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/identity.h"

#include <QGuiApplication>
#include <QIcon>

namespace trelvick::app {

void setApplicationIdentity()
{
    // Also the X11 window class, which the menu entry's StartupWMClass names.
    QGuiApplication::setApplicationName(u"Trelvick"_qs);
    // The menu entry's file name without ".desktop": the Wayland application id.
    QGuiApplication::setDesktopFileName(u"io.trelvick.Trelvick"_qs);
    QGuiApplication::setWindowIcon(QIcon(u":/icons/trelvick.png"_qs));
}

} // namespace trelvick::app
