// The floor the application's footprint is measured against: what the libraries themselves cost
// for one window. It opens an SDL window, paints one frame with Cairo and one Pango text into
// the window's own surface, shows it, and waits until the window is closed.
//   footprint_floor [WIDTHxHEIGHT]

#include <SDL.h>
#include <cairo.h>
#include <cstdio>
#include <pango/pangocairo.h>

namespace {

void paint(SDL_Surface* surface)
{
    auto* target = cairo_image_surface_create_for_data(static_cast<unsigned char*>(surface->pixels), CAIRO_FORMAT_RGB24, surface->w, surface->h, surface->pitch);
    auto* cr = cairo_create(target);
    cairo_set_source_rgb(cr, 0.06, 0.06, 0.07);
    cairo_paint(cr);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string("Sans 14");
    pango_layout_set_font_description(layout, font);
    pango_layout_set_text(layout, "Home", -1);
    cairo_set_source_rgb(cr, 0.95, 0.95, 0.95);
    cairo_move_to(cr, 24, 24);
    pango_cairo_show_layout(cr, layout);
    pango_font_description_free(font);
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_flush(target);
    cairo_surface_destroy(target);
}

}

int main(int argc, char** argv)
{
    int width = 1280, height = 800;
    if (argc > 1 && std::sscanf(argv[1], "%dx%d", &width, &height) != 2) {
        std::fprintf(stderr, "usage: footprint_floor [WIDTHxHEIGHT]\n");
        return 2;
    }
    // The window's own surface, drawn with the X server's shared-memory images: no OpenGL.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window = SDL_CreateWindow("Floor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, SDL_WINDOW_SHOWN);
    SDL_Surface* surface = window ? SDL_GetWindowSurface(window) : nullptr;
    if (!surface || surface->format->BytesPerPixel != 4) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    paint(surface);
    SDL_UpdateWindowSurface(window);
    SDL_Event event;
    while (SDL_WaitEvent(&event)) {
        if (event.type == SDL_QUIT)
            break;
        if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED)
            SDL_UpdateWindowSurface(window);
    }
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
