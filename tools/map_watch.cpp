// Times one start of a program to its first mapped top-level window on the
// X display named by DISPLAY, then closes that window as a window manager
// would (WM_DELETE_WINDOW), so that the program saves its settings and the
// next start finds them warm.
//
//   map_watch PROGRAM [ARGUMENTS...]
//
// Prints the milliseconds from just before the program is started to the
// MapNotify of its first top-level window (one whose _NET_WM_PID is the
// started process; a launcher that replaces itself with exec keeps the
// process id), and after a space the milliseconds to its first picture:
// the first time a row across the middle of the window differs from what
// the screen showed there before the start (a Qt window has no background
// of its own, so the server leaves the screen below it until the program
// draws). Exit status
// 1 when no window appeared within 20 s; the second figure is -1 when no
// picture came within 5 s of the map.
//
// Built by tools/startup_compare.sh: c++ -O2 tools/map_watch.cpp -lX11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace {

double Seconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

long WindowPid(Display* display, Window window, Atom pidAtom)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        if (type == XA_CARDINAL && format == 32 && count == 1)
            pid = *reinterpret_cast<long*>(data);
        XFree(data);
    }
    return pid;
}

// Waits for an X event up to the deadline; false at the deadline.
bool WaitEvent(Display* display, XEvent& event, double deadline)
{
    while (XPending(display) == 0) {
        const double left = deadline - Seconds();
        if (left <= 0)
            return false;
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left * 1000) + 1);
    }
    XNextEvent(display, &event);
    return true;
}

bool ChildEnded(pid_t child, double deadline)
{
    while (Seconds() < deadline) {
        if (waitpid(child, nullptr, WNOHANG) == child)
            return true;
        usleep(10000);
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: map_watch PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "map_watch: cannot open the display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    // Without a window manager the top-level windows are the root's
    // children: their mapping reaches the root's substructure listeners.
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    // What the screen shows before the start, to tell the first picture by.
    XImage* screen = XGetImage(display, root, 0, 0, static_cast<unsigned>(DisplayWidth(display, DefaultScreen(display))),
                               static_cast<unsigned>(DisplayHeight(display, DefaultScreen(display))), AllPlanes,
                               ZPixmap);

    const double start = Seconds();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    if (child < 0)
        return 2;

    Window shown = None;
    double mapped = 0;
    XEvent event;
    while (shown == None && WaitEvent(display, event, start + 20)) {
        if (event.type != MapNotify || event.xmap.override_redirect || event.xmap.event != root)
            continue;
        const double at = Seconds();
        if (WindowPid(display, event.xmap.window, pidAtom) == child) {
            shown = event.xmap.window;
            mapped = at;
        }
    }
    if (shown == None) {
        std::fprintf(stderr, "map_watch: no window of %s appeared\n", argv[1]);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        return 1;
    }
    // The first picture: a row across the middle of the window, read
    // every millisecond until it differs from what the screen showed there
    // before the start (the program may have drawn before this looks).
    double painted = -1;
    XWindowAttributes attributes{};
    Window below = None;
    int x = 0, y = 0;
    if (screen != nullptr && XGetWindowAttributes(display, shown, &attributes) != 0 && attributes.width > 0 &&
        attributes.height > 0 && XTranslateCoordinates(display, shown, root, 0, 0, &x, &y, &below)) {
        const int row = attributes.height / 2;
        auto drawn = [&] {
            XImage* image = XGetImage(display, shown, 0, row, static_cast<unsigned>(attributes.width), 1, AllPlanes,
                                      ZPixmap);
            if (image == nullptr)
                return false;
            bool differs = false;
            for (int i = 0; i < attributes.width && !differs; ++i) {
                const int sx = x + i, sy = y + row;
                if (sx < 0 || sy < 0 || sx >= screen->width || sy >= screen->height)
                    continue;
                differs = ((XGetPixel(image, i, 0) ^ XGetPixel(screen, sx, sy)) & 0xffffff) != 0;
            }
            XDestroyImage(image);
            return differs;
        };
        while (Seconds() < mapped + 5) {
            if (drawn()) {
                painted = Seconds();
                break;
            }
            usleep(1000);
        }
    }
    std::printf("%.1f %.1f\n", (mapped - start) * 1000.0, painted < 0 ? -1.0 : (painted - start) * 1000.0);
    std::fflush(stdout);

    // Let the window settle, then close it as the user would.
    usleep(300000);
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = shown;
    close.xclient.message_type = protocols;
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(deleteWindow);
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, shown, False, NoEventMask, &close);
    XFlush(display);
    if (!ChildEnded(child, Seconds() + 5)) {
        kill(child, SIGTERM);
        if (!ChildEnded(child, Seconds() + 3)) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
    }
    if (screen != nullptr)
        XDestroyImage(screen);
    XCloseDisplay(display);
    return 0;
}
