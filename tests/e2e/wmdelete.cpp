// SPDX-License-Identifier: GPL-3.0-or-later
// trelvick-wmdelete WINDOW-ID: asks an X window to close the way a window manager's close button does, by sending
// it the WM_DELETE_WINDOW message of the WM_PROTOCOLS it announced. The end-to-end checks run in a bare X server
// with no window manager, where nothing else sends that request (xdotool's windowclose destroys the window
// instead, which is not a close request). Exit status 0 when the message was sent, non-zero otherwise.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool announcesDelete(Display* display, Window window, Atom deleteWindow)
{
    Atom* protocols = nullptr;
    int count = 0;
    if (!XGetWMProtocols(display, window, &protocols, &count))
        return false;
    bool found = false;
    for (int i = 0; i < count; ++i)
        found = found || protocols[i] == deleteWindow;
    XFree(protocols);
    return found;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s WINDOW-ID\n", argv[0]);
        return 2;
    }
    char* end = nullptr;
    const unsigned long id = std::strtoul(argv[1], &end, 0);
    if (end == argv[1] || *end != '\0' || id == 0) {
        std::fprintf(stderr, "%s: not a window id: %s\n", argv[0], argv[1]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "%s: cannot open the X display\n", argv[0]);
        return 2;
    }
    const Window window = id;
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    if (!announcesDelete(display, window, deleteWindow)) {
        std::fprintf(stderr, "%s: window %s does not take WM_DELETE_WINDOW\n", argv[0], argv[1]);
        XCloseDisplay(display);
        return 2;
    }

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent ? 0 : 2;
}
