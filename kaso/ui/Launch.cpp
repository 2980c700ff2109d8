#include "kaso/ui/Launch.h"

#include <SDL.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "kaso/actions/LibraryStore.h"
#include "kaso/media/MediaEngine.h"
#include "kaso/platform/Clock.h"
#include "kaso/platform/Log.h"
#include "kaso/ui/FrameCanvas.h"
#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/SdlInput.h"
#include "kaso/ui/TextRenderer.h"
#include "kaso/ui/WakeHandle.h"
#include "kaso/ui/WindowSystemErrors.h"

namespace kaso::ui::launch {

namespace {

// While something is animating or the root asks for idle syncs, frames come this often; never
// faster, so an idle request is not a busy spin.
constexpr uint64_t frame_interval_ms = 16;

struct SdlSession {
    SDL_Window* window { nullptr };
    // The window surface last drawn into, and its size: a new one (after a resize) gets the
    // whole picture.
    SDL_Surface* surface { nullptr };
    int surface_width { 0 };
    int surface_height { 0 };
    // The X server lost what the window showed (it was covered, or just mapped).
    bool exposed { true };

    ~SdlSession()
    {
        if (window)
            SDL_DestroyWindow(window);
        SDL_Quit();
    }
};

// The text sizes the first frame's fonts are loaded in ahead of it: those of the usual labels,
// titles and headings.
constexpr float first_frame_text_sizes[] = { 12, 12.5f, 13, 14, 14.5f, 16, 18, 21 };

// Reading the font configuration, loading the fonts and reading GStreamer's plugin registry
// take tens of milliseconds. They begin on threads of their own while the window system starts,
// so the first frame finds them done (or under way) instead of doing them in turn on the UI
// thread; GStreamer only when the first page plays.
void warm_up_in_background(std::string font_family, bool media)
{
    std::thread([family = std::move(font_family)] {
        FcInit();
        TextRenderer::prepare_fonts(family, first_frame_text_sizes);
    }).detach();
    if (media)
        kaso::media::MediaEngine::start_runtime_in_background();
}

std::unexpected<LaunchError> sdl_error(std::string_view what)
{
    return std::unexpected(LaunchError { fmt::format("{}: {}", what, SDL_GetError()) });
}

// The window's pixels are painted on the CPU, so they are shown through the window's own
// surface (shared-memory images on X11) rather than through an OpenGL texture: on a machine
// without a GPU driver that would load a whole software OpenGL stack (some 60 MB) only to copy
// pixels. SDL's texture framebuffer can still be asked for from outside
// (SDL_FRAMEBUFFER_ACCELERATION), since a hint from the environment wins over this default.
void prefer_native_window_surface() { SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0"); }

// Copies `rect` of the canvas into the window surface, converting when the surface does not
// hold Cairo's native-endian 32-bit xRGB.
bool copy_to_surface(SDL_Surface* surface, Image const& image, SDL_Rect const& rect)
{
    auto const* from = image.data() + std::size_t(rect.y) * std::size_t(image.stride) + std::size_t(rect.x) * 4;
    auto bytes_per_pixel = std::size_t(surface->format->BytesPerPixel);
    auto* to = static_cast<uint8_t*>(surface->pixels) + std::size_t(rect.y) * std::size_t(surface->pitch) + std::size_t(rect.x) * bytes_per_pixel;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0)
        return false;
    bool copied = true;
    auto format = surface->format->format;
    if (format == SDL_PIXELFORMAT_ARGB8888 || format == SDL_PIXELFORMAT_RGB888) {
        for (int row = 0; row < rect.h; ++row)
            std::memcpy(to + std::size_t(row) * std::size_t(surface->pitch), from + std::size_t(row) * std::size_t(image.stride), std::size_t(rect.w) * 4);
    } else {
        copied = SDL_ConvertPixels(rect.w, rect.h, SDL_PIXELFORMAT_ARGB8888, from, image.stride, format, to, surface->pitch) == 0;
    }
    if (SDL_MUSTLOCK(surface))
        SDL_UnlockSurface(surface);
    return copied;
}

// The window surface holds Cairo's native-endian 32-bit xRGB, so frames can be painted straight
// into it; it keeps its pixels from frame to frame until it is made anew (after a resize).
bool paints_in_place(SDL_Surface const* surface)
{
    auto format = surface->format->format;
    return !SDL_MUSTLOCK(surface) && surface->pitch % 4 == 0 && (format == SDL_PIXELFORMAT_ARGB8888 || format == SDL_PIXELFORMAT_RGB888);
}

// Paints the driver's scene and shows what changed through the window surface. The pixels are
// kept from frame to frame, so a frame that only scrolled or did not change at all costs a
// fraction of a whole repaint, and a frame that changed nothing shows nothing. Where the surface
// holds another pixel format, the frame is painted into the canvas's own picture and converted.
bool present(SdlSession& session, FrameCanvas& canvas, FrameDriver& driver, int drawable_width, int drawable_height)
{
    SDL_Surface* surface = SDL_GetWindowSurface(session.window);
    if (!surface)
        return false;
    bool in_place = paints_in_place(surface) && surface->w == drawable_width && surface->h == drawable_height;
    auto damage = in_place
        ? canvas.paint_into(static_cast<uint8_t*>(surface->pixels), surface->pitch, driver.scene(), driver.text(), driver.scale(),
              driver.theme().background, drawable_width, drawable_height)
        : canvas.paint(driver.scene(), driver.text(), driver.scale(), driver.theme().background, drawable_width, drawable_height);
    if (!damage) {
        kaso::log::target("kaso::launch")->warn("frame not painted error={}", kaso::debug_text(damage.error().message));
        canvas.invalidate();
        return false;
    }
    bool fresh_surface = surface != session.surface || surface->w != session.surface_width || surface->h != session.surface_height;
    session.surface = surface;
    session.surface_width = surface->w;
    session.surface_height = surface->h;
    Rect whole { 0, 0, double(drawable_width), double(drawable_height) };
    Rect changed = fresh_surface || session.exposed ? whole : damage->bounds;
    changed = changed.intersected({ 0, 0, double(std::min(drawable_width, surface->w)), double(std::min(drawable_height, surface->h)) });
    session.exposed = false;
    if (changed.is_empty())
        return true;
    SDL_Rect rect { int(changed.x0), int(changed.y0), int(changed.width()), int(changed.height()) };
    if (!in_place && !copy_to_surface(surface, canvas.image(), rect))
        return false;
    return SDL_UpdateWindowSurfaceRects(session.window, &rect, 1) == 0;
}

}

Builder builder_for(LaunchArgs const& args) { return args.is_plain() ? Builder::Default : Builder::FromArgs; }

std::string window_title(std::string_view application_id)
{
    auto dot = application_id.rfind('.');
    std::string title(dot == std::string_view::npos ? application_id : application_id.substr(dot + 1));
    if (!title.empty() && title[0] >= 'a' && title[0] <= 'z')
        title[0] = static_cast<char>(title[0] - 'a' + 'A');
    return title;
}

std::vector<std::string> process_arguments()
{
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < all.size()) {
        auto end = all.find('\0', start);
        if (end == std::string::npos)
            end = all.size();
        words.emplace_back(all.substr(start, end - start));
        start = end + 1;
    }
    if (!words.empty())
        words.erase(words.begin());
    return words;
}

base::ErrorOr<void, LaunchError> run(LaunchDescriptor descriptor)
{
    auto log = kaso::log::target("kaso::launch");
    auto arguments = descriptor.arguments ? *descriptor.arguments : process_arguments();
    auto args = LaunchArgs::parse(arguments, descriptor.bool_flags, descriptor.value_flags);
    for (auto const& word : args.unknown())
        log->warn("ignoring unknown argument argument={}", kaso::debug_text(word));

    app::App application;
    if (descriptor.register_actions)
        descriptor.register_actions(application);
    auto persistence = descriptor.open_persistence ? descriptor.open_persistence(descriptor.application_id) : nullptr;
    (void)persistence;

    WindowSize size = descriptor.initial_window_size ? descriptor.initial_window_size(args) : WindowSize { 1280, 800 };
    if (auto explicit_size = args.window_size())
        size = *explicit_size;

    auto theme = descriptor.theme.value_or(Theme::dark());
    warm_up_in_background(theme.font_family, !descriptor.plays_at_launch || descriptor.plays_at_launch(args));
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    prefer_native_window_surface();
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
        return sdl_error("cannot start the window system");
    survive_window_system_errors();
    SdlSession session;
    Uint32 flags = SDL_WINDOW_SHOWN;
    if (descriptor.resizable)
        flags |= SDL_WINDOW_RESIZABLE;
    if (descriptor.high_dpi)
        flags |= SDL_WINDOW_ALLOW_HIGHDPI;
    if (descriptor.fullscreen)
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    auto title = window_title(descriptor.application_id);
    session.window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, int(size.width), int(size.height), flags);
    if (!session.window)
        return sdl_error("cannot open the window");
    if (!SDL_GetWindowSurface(session.window))
        return sdl_error("cannot paint into the window");

    Uint32 wake_event = SDL_RegisterEvents(1);
    wake::WakeHandle::install_waker([wake_event] {
        SDL_Event event {};
        event.type = wake_event;
        SDL_PushEvent(&event);
    });

    // The shared library document: opened before the root is built, so that it outlives it. The
    // root reads it every frame, dispatches onto it, and tells the user what its notice says.
    auto library = kaso::actions::LibraryStore::open(descriptor.application_id);
    if (auto const& notice = library.notice())
        log->warn("library document notice={}", kaso::debug_text(*notice));

    WidgetBox root;
    if (builder_for(args) == Builder::Default) {
        root = descriptor.build_default();
    } else {
        auto built = descriptor.build_from_args(args);
        if (!built) {
            wake::WakeHandle::remove_waker();
            return std::unexpected(LaunchError { built.error().message });
        }
        root = std::move(*built);
    }
    FrameDriver driver(std::move(root), std::move(theme));
    driver.attach_library(library);
    driver.set_action_registry(&application.action_registry());
    SDL_StartTextInput();

    FrameCanvas canvas;
    bool running = true;
    while (running) {
        int window_width = 0, window_height = 0, drawable_width = 0, drawable_height = 0;
        SDL_GetWindowSize(session.window, &window_width, &window_height);
        SDL_GetWindowSizeInPixels(session.window, &drawable_width, &drawable_height);
        float scale = window_width > 0 ? float(drawable_width) / float(window_width) : 1.0f;
        driver.set_viewport(window_width, window_height, scale);

        uint64_t frame_start = kaso::platform::monotonic_ms();
        driver.frame(frame_start);
        if (!present(session, canvas, driver, drawable_width, drawable_height))
            log->warn("frame not shown error={}", kaso::debug_text(SDL_GetError()));

        // Sleep until an event arrives, the root's next deadline, or the next frame it asked for.
        int timeout = -1;
        if (driver.wants_frame()) {
            uint64_t elapsed = kaso::platform::monotonic_ms() - frame_start;
            timeout = elapsed >= frame_interval_ms ? 1 : int(frame_interval_ms - elapsed);
        } else if (auto deadline = driver.next_wake_deadline()) {
            uint64_t now = kaso::platform::monotonic_ms();
            timeout = *deadline <= now ? 1 : int(std::min<uint64_t>(*deadline - now, 60'000));
        }
        SDL_Event event;
        bool got = timeout < 0 ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, timeout);
        while (got) {
            if (event.type == SDL_QUIT) {
                running = false;
                break;
            }
            if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED)
                session.exposed = true;
            if (event.type != wake_event) {
                if (auto translated = translate_sdl_event(event, scale))
                    driver.dispatch(translated->event, translated->modifiers);
            }
            got = SDL_PollEvent(&event);
        }
    }
    SDL_StopTextInput();
    wake::WakeHandle::remove_waker();
    return {};
}

}
