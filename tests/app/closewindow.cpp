// Asks an X window to close as a window manager's close button does: a
// WM_DELETE_WINDOW message, which the toolkit turns into a close event. The
// desktop tests have no window manager to send it.
//
//   closewindow WINDOW-ID
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: closewindow WINDOW-ID\n");
        return 2;
    }
    char *end = nullptr;
    const Window window = std::strtoul(argv[1], &end, 0);
    if (*end != '\0' || window == 0) {
        std::fprintf(stderr, "closewindow: not a window id: %s\n", argv[1]);
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "closewindow: cannot open the display\n");
        return 1;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent ? 0 : 1;
}
