// SPDX-License-Identifier: GPL-3.0-or-later
// trelvick-wmdelete WINDOW-ID: sends an X window the WM_DELETE_WINDOW message a window manager's close button
// sends. The end-to-end checks run in an X server without a window manager, where nothing else sends that request
// (xdotool's windowclose destroys the window instead). Exit status 0 when the message was sent.
#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    char* end = nullptr;
    const Window window = argc == 2 ? std::strtoul(argv[1], &end, 0) : 0;
    Display* display = window != 0 && *end == '\0' ? XOpenDisplay(nullptr) : nullptr;
    if (!display) {
        std::fprintf(stderr, "usage: trelvick-wmdelete WINDOW-ID, on the X display named by DISPLAY\n");
        return 2;
    }
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    Atom* announced = nullptr;
    int count = 0;
    const bool takesDelete = XGetWMProtocols(display, window, &announced, &count) &&
                             std::find(announced, announced + count, deleteWindow) != announced + count;
    if (announced)
        XFree(announced);
    if (!takesDelete) {
        std::fprintf(stderr, "trelvick-wmdelete: window %s does not take WM_DELETE_WINDOW\n", argv[1]);
        XCloseDisplay(display);
        return 2;
    }

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display);
    return sent ? 0 : 2;
}
