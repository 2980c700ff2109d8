#include "tests/screens/ScreenFixtures.h"

#include <cstring>

#include "kaso/ui/Offscreen.h"
#include "src/backend/SampleCatalogue.h"
#include "src/screens/FeedPages.h"
#include "src/screens/SearchPage.h"

namespace vexa::test {

VexaModel search_catalogue()
{
    auto model = sample_catalogue();
    Playlist playlist;
    playlist.id = "pl_orbit_basics";
    playlist.title = "Orbit Lab basics";
    playlist.channel_id = "ch_orbit";
    playlist.channel_name = "Orbit Lab";
    playlist.seed = "pl_orbit_basics";
    playlist.video_count = 1200;
    model.playlists.push_back(playlist);
    model.search_query = std::string(shot_query);
    model.search_channel_ids = { "ch_orbit", "ch_pixel" };
    model.search_playlist_ids = { "pl_orbit_basics" };
    model.search_video_ids = { "vid_black_hole", "vid_comet", "vid_moon_base" };
    model.route = Route::search(std::string(shot_query));
    return model;
}

std::optional<kaso::ui::Scrollable> shot_page(std::string_view page, kaso::ui::Theme const& theme, float scale)
{
    auto queue = OperationQueue::create();
    if (page == "search") {
        auto model = search_catalogue();
        return search_screen(model, theme, scale, queue, nullptr, shot_query);
    }
    auto model = sample_catalogue();
    if (page == "home")
        return home_screen(model, theme, scale, queue, nullptr);
    if (page == "trending")
        return trending_screen(model, theme, scale, queue, nullptr);
    if (page == "subscriptions")
        return subscriptions_screen(model, theme, scale, queue, nullptr);
    return std::nullopt;
}

kaso::ui::Theme theme_named(std::string_view name)
{
    if (name == "light")
        return kaso::ui::Theme::light();
    if (name == "high-contrast")
        return kaso::ui::Theme::high_contrast();
    return kaso::ui::Theme::dark();
}

std::vector<uint8_t> solid_png(int width, int height, uint8_t red, uint8_t green, uint8_t blue)
{
    kaso::ui::Image image;
    image.width = width;
    image.height = height;
    image.stride = width * 4;
    image.opaque = true;
    image.pixels.resize(std::size_t(image.stride) * std::size_t(height));
    uint32_t pixel = 0xff000000u | (uint32_t(red) << 16) | (uint32_t(green) << 8) | uint32_t(blue);
    for (std::size_t i = 0; i < image.pixels.size(); i += 4)
        std::memcpy(&image.pixels[i], &pixel, 4);
    auto encoded = kaso::ui::encode_png(image);
    if (!encoded)
        return {};
    std::vector<uint8_t> bytes(encoded->size());
    std::memcpy(bytes.data(), encoded->data(), bytes.size());
    return bytes;
}

kaso::ui::image_store::FetchFunction fake_fetch()
{
    return [](std::string_view address) -> std::optional<std::vector<uint8_t>> {
        if (address.starts_with("bad:"))
            return std::nullopt;
        uint8_t shade = uint8_t(address.size() * 37);
        return solid_png(32, 18, shade, uint8_t(255 - shade), 0x80);
    };
}

void give_pictures(VexaModel& model)
{
    for (auto& video : model.videos)
        video.thumbnail_url = "test://thumb/" + video.id;
    for (auto& channel : model.channels)
        channel.avatar_url = "test://avatar/" + channel.id;
    for (auto& playlist : model.playlists)
        playlist.thumbnail_url = "test://playlist/" + playlist.id;
}

}
