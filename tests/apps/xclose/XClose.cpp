// vorn-xclose WINDOW: asks an X11 window to close, as a window manager does when its close
// button is pressed (a WM_DELETE_WINDOW message). Tests run it where no window manager exists.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vorn-xclose WINDOW-ID\n");
        return 2;
    }
    char* end = nullptr;
    unsigned long window = std::strtoul(argv[1], &end, 0);
    if (!end || *end || window == 0) {
        std::fprintf(stderr, "vorn-xclose: not a window id: %s\n", argv[1]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "vorn-xclose: cannot open the display\n");
        return 1;
    }
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent ? 0 : 1;
}
