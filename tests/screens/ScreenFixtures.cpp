#include "tests/screens/ScreenFixtures.h"

#include <cstring>

#include "kaso/ui/LocalTextCell.h"
#include "kaso/ui/Offscreen.h"
#include "src/backend/SampleCatalogue.h"
#include "src/screens/FeedPages.h"
#include "src/screens/HistoryPage.h"
#include "src/screens/ListPages.h"
#include "src/screens/SearchPage.h"
#include "src/screens/SettingsPage.h"

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

VexaModel queue_catalogue()
{
    auto model = sample_catalogue();
    model.queue = { "vid_comet", "vid_gone", "vid_night_train" };
    model.route = Route::queue();
    return model;
}

VexaModel playlist_catalogue()
{
    auto model = sample_catalogue();
    Playlist playlist;
    playlist.id = std::string(shot_playlist);
    playlist.title = "Night walks and slow trains";
    playlist.channel_id = "ch_trail";
    playlist.channel_name = "Trail Notes";
    playlist.seed = "pl_night_walks";
    playlist.video_ids = { "vid_night_train", "vid_ridge_walk", "vid_moon_base" };
    playlist.video_count = 3;
    model.playlists.push_back(playlist);
    model.route = Route::playlist(std::string(shot_playlist));
    return model;
}

namespace {

sync::PeerRecord peer(std::string id, std::string name, bool pending)
{
    sync::PeerRecord record;
    record.id = std::move(id);
    record.name = std::move(name);
    record.descriptor.public_key = record.id;
    record.descriptor.addresses = { "192.0.2.10" };
    record.descriptor.port = 12315;
    record.approved_at = shot_now_seconds - 86'400;
    record.pending_approval = pending;
    return record;
}

sync::DeviceSyncStatus demo_status()
{
    sync::DeviceSyncStatus status;
    status.state = sync::DeviceSyncState::Ready;
    status.message = "Two devices are ready; one awaits your approval.";
    status.local_key = "VX7K2M9QPL4RT8WN3HJD";
    auto phone = peer("6A:1C:92:7E:4B:80", "Pixel phone", false);
    phone.last_sync_at = shot_now_seconds - 180;
    status.peers = { phone, peer("B5:73:0D:11:9A:CE", "Living-room tablet", true) };
    return status;
}

}

DeviceSectionInput device_fixture(std::string_view name)
{
    DeviceSectionInput input;
    input.now_seconds = shot_now_seconds;
    if (name == "none")
        return input;
    input.pairing_invite = kaso::ui::LocalTextCell::create();
    sync::DeviceSyncStatus status;
    if (name == "unavailable") {
        status.message = "Start the live app to initialize device sync.";
    } else if (name == "no-peers") {
        status.state = sync::DeviceSyncState::Ready;
        status.message = "Paste an invite to pair your first device.";
        status.local_key = "VX7K2M9QPL4RT8WN3HJD";
    } else if (name == "syncing") {
        status = demo_status();
        status.state = sync::DeviceSyncState::Syncing;
        status.message = "Syncing with 2 devices…";
        auto old = peer("C0:FF:EE:00:11:22", "Old laptop", false);
        old.revoked_at = shot_now_seconds - 3'600;
        status.peers.push_back(old);
        status.peers.push_back(peer("D1:E2:F3:04:15:26", "Work phone", false));
    } else if (name == "attention") {
        status = demo_status();
        status.state = sync::DeviceSyncState::NeedsAttention;
        status.message = "1 device could not be synced.";
        status.peers[0].last_error = "connection refused by 192.0.2.10:12315 after the handshake; the device may be asleep, on another network, "
                                     "or its Grayjay sync may be switched off. Open Grayjay on the device, check that sync is on, and try again.";
    } else {
        status = demo_status();
    }
    input.status = std::move(status);
    return input;
}

std::optional<kaso::ui::Scrollable> shot_page(std::string_view page, kaso::ui::Theme const& theme, float scale, double width)
{
    auto queue = OperationQueue::create();
    if (page == "queue") {
        auto model = queue_catalogue();
        return queue_screen(model, theme, scale, queue, nullptr, width);
    }
    if (page == "channel") {
        auto model = sample_catalogue();
        return channel_screen(model, theme, scale, queue, nullptr, shot_channel);
    }
    if (page == "playlist") {
        auto model = playlist_catalogue();
        return playlist_screen(model, theme, queue, nullptr, shot_playlist);
    }
    if (page == "history") {
        auto model = sample_catalogue();
        return history_screen(model, theme, scale, queue, nullptr);
    }
    if (page == "settings") {
        auto model = sample_catalogue();
        return settings_screen(model, theme, scale, queue, device_fixture("demo"));
    }
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
