#include "kaso/ui/WindowSystemErrors.h"

#include <SDL.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <cstring>

#include "kaso/platform/Log.h"

namespace kaso::ui {

namespace {

// Runs inside Xlib with its display locked: it makes no Xlib call, only logs.
int log_protocol_error(Display*, XErrorEvent* error)
{
    kaso::log::target("kaso::window")->warn("window system refused a request error={} request={}.{} resource={:#x}", int(error->error_code),
        int(error->request_code), int(error->minor_code), error->resourceid);
    return 0;
}

}

void survive_window_system_errors()
{
    char const* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0)
        return;
    // The window system's client library is the one SDL loaded; it is never loaded here.
    void* xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (!xlib)
        return;
    using SetHandler = XErrorHandler (*)(XErrorHandler);
    if (auto set_handler = reinterpret_cast<SetHandler>(dlsym(xlib, "XSetErrorHandler")))
        set_handler(log_protocol_error);
    dlclose(xlib);
}

}
