// Looks at a program's window on an X server the way a person would: waits for a top-level
// window with the given title, reports its size, checks that it shows more than one colour,
// optionally saves it as a PNG, and closes it the way a window manager does (WM_DELETE_WINDOW).
//
//   x11_probe --title Vexa [--timeout-ms 15000] [--png out.png] [--expect-size 1280x800]
//             [--pixel X,Y ...] [--hash [--hash-exclude-right N] [--hash-from-y N]] [--clipboard] [--close]
//   x11_probe --clipboard-and-leave
//
// --pixel prints "pixel X,Y RRGGBB" for each point, --hash prints "hash H" of the whole picture
// (for telling whether two looks are the same). Every look that finds the window prints
// "id N", the window's X id, for driving it with other tools. --clipboard asks the owner of the
// CLIPBOARD selection for its text and prints "clipboard TEXT" (nothing when no one owns it).
// --clipboard-and-leave asks for it too, but exits at once without waiting for the answer.
// Exits 0 when every check held, 1 otherwise, with one line saying why.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/window/x11_window.h"

namespace {

using x11_window::Found;

struct Options {
    std::string title;
    int timeout_ms { 15000 };
    std::optional<std::string> png;
    std::optional<std::pair<int, int>> expect_size;
    bool close { false };
    bool hash { false };
    bool clipboard { false };
    bool clipboard_and_leave { false };
    int hash_exclude_right { 0 }; // columns at the right edge left out of the hash
    int hash_from_y { 0 };        // rows above this one are left out of the hash
    std::vector<std::pair<int, int>> pixels;
};

// The CLIPBOARD selection's text as UTF-8, asked of its owner the way a pasting program asks;
// none when no one owns it or the owner does not answer in time.
std::optional<std::string> clipboard_text(Display* display, std::chrono::steady_clock::time_point deadline)
{
    Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom property = XInternAtom(display, "X11_PROBE_CLIPBOARD", False);
    if (XGetSelectionOwner(display, clipboard) == None)
        return std::nullopt;
    Window requestor = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XConvertSelection(display, clipboard, utf8, property, requestor, CurrentTime);
    XFlush(display);
    std::optional<std::string> text;
    while (std::chrono::steady_clock::now() < deadline) {
        XEvent event;
        if (!XCheckTypedWindowEvent(display, requestor, SelectionNotify, &event)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        if (event.xselection.property == None)
            break;
        Atom type = None;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, requestor, property, 0, 1 << 20, True, AnyPropertyType, &type, &format, &count, &remaining, &data)
                == Success
            && data) {
            text = std::string(reinterpret_cast<char*>(data), count);
            XFree(data);
        }
        break;
    }
    XDestroyWindow(display, requestor);
    return text;
}

int fail(char const* why)
{
    std::printf("x11_probe: %s\n", why);
    return 1;
}

}

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (word == "--title")
            options.title = next();
        else if (word == "--timeout-ms")
            options.timeout_ms = std::atoi(next().c_str());
        else if (word == "--png")
            options.png = next();
        else if (word == "--expect-size") {
            int w = 0, h = 0;
            if (std::sscanf(next().c_str(), "%dx%d", &w, &h) == 2)
                options.expect_size = std::pair { w, h };
        } else if (word == "--close") {
            options.close = true;
        } else if (word == "--clipboard") {
            options.clipboard = true;
        } else if (word == "--clipboard-and-leave") {
            options.clipboard_and_leave = true;
        } else if (word == "--hash") {
            options.hash = true;
        } else if (word == "--hash-from-y") {
            options.hash_from_y = std::atoi(next().c_str());
        } else if (word == "--hash-exclude-right") {
            options.hash_exclude_right = std::atoi(next().c_str());
        } else if (word == "--pixel") {
            int x = 0, y = 0;
            if (std::sscanf(next().c_str(), "%d,%d", &x, &y) == 2)
                options.pixels.emplace_back(x, y);
        }
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return fail("cannot open the display");
    XSetErrorHandler(x11_window::ignore_error);
    if (options.clipboard_and_leave) {
        // Asks for the clipboard's text and is gone before the owner can answer, as a pasting
        // program that exits (or is killed) at the wrong moment is.
        Window requestor = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
        XConvertSelection(display, XInternAtom(display, "CLIPBOARD", False), XInternAtom(display, "UTF8_STRING", False),
            XInternAtom(display, "X11_PROBE_CLIPBOARD", False), requestor, CurrentTime);
        XCloseDisplay(display);
        return 0;
    }

    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.timeout_ms);
    Window window = None;
    int width = 0, height = 0;
    std::size_t colours = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        auto found = x11_window::find_window(display, DefaultRootWindow(display), options.title).value_or(Found {});
        window = found.window;
        if (window != None) {
            width = found.width;
            height = found.height;
            bool size_ok = !options.expect_size || (options.expect_size->first == width && options.expect_size->second == height);
            if (size_ok && width > 0 && height > 0) {
                XImage* image = XGetImage(display, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
                if (image) {
                    colours = x11_window::colours_seen(image);
                    if (colours > 1) {
                        for (auto [x, y] : options.pixels)
                            if (x >= 0 && y >= 0 && x < width && y < height)
                                std::printf("pixel %d,%d %06lx\n", x, y, XGetPixel(image, x, y) & 0xffffff);
                        if (options.hash) {
                            uint64_t hash = 0xcbf29ce484222325ull;
                            for (int y = std::max(0, options.hash_from_y); y < height; ++y)
                                for (int x = 0; x < width - options.hash_exclude_right; ++x) {
                                    hash ^= XGetPixel(image, x, y) & 0xffffff;
                                    hash *= 0x100000001b3ull;
                                }
                            std::printf("hash %016llx\n", (unsigned long long)hash);
                        }
                    }
                    if (colours > 1 && options.png) {
                        auto* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
                        auto* data = cairo_image_surface_get_data(surface);
                        int stride = cairo_image_surface_get_stride(surface);
                        for (int y = 0; y < height; ++y)
                            for (int x = 0; x < width; ++x) {
                                uint32_t pixel = uint32_t(XGetPixel(image, x, y) & 0xffffff);
                                std::memcpy(data + y * stride + x * 4, &pixel, 4);
                            }
                        cairo_surface_mark_dirty(surface);
                        cairo_surface_write_to_png(surface, options.png->c_str());
                        cairo_surface_destroy(surface);
                    }
                    XDestroyImage(image);
                    if (colours > 1)
                        break;
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (window == None)
        return fail("no window with that title appeared in time");
    std::printf("id %lu\n", (unsigned long)window);
    std::printf("x11_probe: window %dx%d, %zu colours seen\n", width, height, colours);
    if (options.expect_size && (options.expect_size->first != width || options.expect_size->second != height))
        return fail("the window has the wrong size");
    if (colours <= 1)
        return fail("the window shows a single colour");
    if (options.clipboard) {
        if (auto text = clipboard_text(display, std::chrono::steady_clock::now() + std::chrono::milliseconds(options.timeout_ms)))
            std::printf("clipboard %s\n", text->c_str());
    }
    if (options.close) {
        Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
        Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XEvent event {};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = protocols;
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(delete_window);
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
        XFlush(display);
    }
    XCloseDisplay(display);
    return 0;
}
