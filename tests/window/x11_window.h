#pragma once

// What the window probes share: finding a program's shown top-level window by its title, and
// telling whether it shows a painted frame rather than a bare background.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <optional>
#include <set>
#include <string>

namespace x11_window {

// A shown window with the title, and its size when it was found.
struct Found {
    Window window { None };
    int width { 0 };
    int height { 0 };
};

inline std::optional<Found> find_window(Display* display, Window window, std::string const& title)
{
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        bool match = title == name;
        XFree(name);
        XWindowAttributes attributes;
        if (match && XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable)
            return Found { window, attributes.width, attributes.height };
    }
    Window root, parent;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return std::nullopt;
    std::optional<Found> found;
    for (unsigned i = 0; i < count && !found; ++i)
        found = find_window(display, children[i], title);
    if (children)
        XFree(children);
    return found;
}

// Windows come and go while the tree is walked (a program's short-lived helper windows, a window
// closing): a request about one that has just gone fails with BadWindow or BadDrawable, and
// Xlib's default handler would end the probe for it. Such a failure only means "not this window
// now"; every call whose answer is used is checked, so the error itself is ignored.
inline int ignore_error(Display*, XErrorEvent*) { return 0; }

// How many colours a picture shows, counted on every third pixel of every third row up to
// `limit`. A window counts as painted once it shows more than one.
inline std::size_t colours_seen(XImage* image, std::size_t limit = 64)
{
    std::set<unsigned long> seen;
    for (int y = 0; y < image->height && seen.size() < limit; y += 3)
        for (int x = 0; x < image->width && seen.size() < limit; x += 3)
            seen.insert(XGetPixel(image, x, y) & 0xffffff);
    return seen.size();
}

}
