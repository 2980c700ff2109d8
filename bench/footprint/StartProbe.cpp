// Starts a program and tells how long it took to put its first painted frame on the screen:
// from just before exec until a shown top-level window with the title holds more than one
// colour. It leaves the program running and prints
//   pid N
//   first_frame_ms T
//   footprint_start_probe --title TITLE [--timeout-ms N] [--output FILE] -- PROGRAM [ARGUMENTS...]
// The program's output goes to FILE (to /dev/null without one). Exits 1 (with one line saying why) when no such window appears in time.

#include <fcntl.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tests/window/x11_window.h"

namespace {

// Whether the window shows a painted frame.
bool painted(Display* display, Window window)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.width < 1 || attributes.height < 1)
        return false;
    XImage* image = XGetImage(display, window, 0, 0, unsigned(attributes.width), unsigned(attributes.height), AllPlanes, ZPixmap);
    if (!image)
        return false;
    bool more = x11_window::colours_seen(image, 2) > 1;
    XDestroyImage(image);
    return more;
}

}

int main(int argc, char** argv)
{
    std::string title;
    int timeout_ms = 20000;
    std::string output = "/dev/null";
    int i = 1;
    for (; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "--title" && i + 1 < argc)
            title = argv[++i];
        else if (word == "--timeout-ms" && i + 1 < argc)
            timeout_ms = std::atoi(argv[++i]);
        else if (word == "--output" && i + 1 < argc)
            output = argv[++i];
        else if (word == "--") {
            ++i;
            break;
        } else {
            std::fprintf(stderr, "unknown argument %s\n", word.c_str());
            return 2;
        }
    }
    if (title.empty() || i >= argc) {
        std::fprintf(stderr, "usage: footprint_start_probe --title TITLE [--timeout-ms N] [--output FILE] -- PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cannot open the X display\n");
        return 1;
    }
    XSetErrorHandler(x11_window::ignore_error);

    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        return 1;
    }
    if (pid == 0) {
        setpgid(0, 0);
        // Not the probe's own output: whoever reads that would wait for the program to end.
        int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (out < 0) {
            std::perror(output.c_str());
            _exit(127);
        }
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        execvp(argv[i], argv + i);
        std::perror("exec");
        _exit(127);
    }
    std::printf("pid %d\n", int(pid));
    std::fflush(stdout);
    auto deadline = start + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
        if (auto window = x11_window::find_window(display, DefaultRootWindow(display), title); window && painted(display, window->window)) {
            auto elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            std::printf("first_frame_ms %.1f\n", elapsed);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::printf("no painted window titled %s within %d ms\n", title.c_str(), timeout_ms);
    return 1;
}
