// Starts the real program on an X display (the test command runs this under
// xvfb-run), waits for the main window to be on screen, closes it the way a
// window manager's close box does, and checks that the program ends cleanly.
// Prints the time from start to the main window being viewable.
//
// Usage: start_under_display <program>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kTitle = "Petitora (genera requerimentos)";

std::string TitleOf(Display* display, Window window) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 256, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    return title;
}

// A viewable window titled kTitle anywhere under parent; None if there is none.
Window FindMainWindow(Display* display, Window parent) {
    Window root = None, above = None, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, parent, &root, &above, &children, &count) == 0) return None;
    Window found = None;
    for (unsigned int i = 0; i < count && found == None; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable && TitleOf(display, children[i]) == kTitle) {
            found = children[i];
        } else {
            found = FindMainWindow(display, children[i]);
        }
    }
    if (children) XFree(children);
    return found;
}

void AskToClose(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

int Fail(pid_t child, const char* why) {
    std::fprintf(stderr, "start_under_display: %s\n", why);
    if (child > 0) kill(child, SIGKILL);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return Fail(0, "usage: start_under_display <program>");
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return Fail(0, "no X display");

    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        execl(argv[1], argv[1], static_cast<char*>(nullptr));
        _exit(127);
    }
    if (child < 0) return Fail(0, "cannot start the program");

    Window window = None;
    while (window == None && Clock::now() - start < std::chrono::seconds(30)) {
        window = FindMainWindow(display, DefaultRootWindow(display));
        if (window == None) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) return Fail(0, "the program ended early");
    }
    if (window == None) return Fail(child, "the main window did not appear");
    const auto shown = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf("[ measure  ] main window on screen %.0f ms after start\n", shown);

    AskToClose(display, window);
    int status = 0;
    const auto asked = Clock::now();
    while (waitpid(child, &status, WNOHANG) != child) {
        if (Clock::now() - asked > std::chrono::seconds(20)) {
            return Fail(child, "the program did not end after its window was closed");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    XCloseDisplay(display);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return Fail(0, "the program did not end cleanly");
    }
    std::puts("main window shown and closed; the program ended with status 0");
    return 0;
}
