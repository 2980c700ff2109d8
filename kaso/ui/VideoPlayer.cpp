#include "kaso/ui/VideoPlayer.h"

#include <algorithm>
#include <cmath>

#include "kaso/platform/Clock.h"
#include "kaso/platform/Log.h"
#include "kaso/ui/Scene.h"
#include "kaso/ui/WakeHandle.h"

namespace kaso::ui {

std::shared_ptr<VideoPlayer> VideoPlayer::with_engine(std::unique_ptr<media::MediaEngine> engine)
{
    std::shared_ptr<VideoPlayer> player(new VideoPlayer());
    player->set_engine(std::move(engine));
    return player;
}

void VideoPlayer::set_engine(std::unique_ptr<media::MediaEngine> engine)
{
    m_engine = std::move(engine);
    // While paused the loop sleeps until something happens; what the engine brings by itself
    // (the picture a seek lands on, the end, an error) must wake it too.
    if (m_engine)
        m_engine->set_waker([wake = wake::WakeHandle()] { wake.wake(); });
    m_ready_at_ms.reset();
    m_ended = false;
    m_last_error.reset();
    m_picture.reset();
    m_picture_seen_ms.reset();
}

ErrorOr<void> VideoPlayer::open(std::string const& address)
{
    m_ready_at_ms.reset();
    m_picture_seen_ms.reset();
    m_ended = false;
    m_last_error.reset();
    if (!m_engine)
        return make_error("video player: no media engine");
    auto opened = m_engine->open(address);
    if (!opened)
        m_last_error = opened.error().message;
    return opened;
}

void VideoPlayer::play()
{
    if (m_engine)
        m_engine->play();
}

void VideoPlayer::pause()
{
    if (m_engine)
        m_engine->pause();
}

void VideoPlayer::seek_to_ms(uint64_t position_ms)
{
    if (m_engine) {
        m_ended = false;
        m_engine->seek_to_ms(position_ms);
    }
}

namespace {

// How long the controls stay after the pointer last moved over the video.
constexpr uint64_t controls_linger_ms = 3000;

// While pictures keep coming, each one wakes the loop and its frame also moves the position text
// and the timeline: the player asks for no frames of its own. When none has come for this long
// while playing (a stream without pictures, or one whose pictures stopped) it asks for every
// frame again, so the controls keep moving.
constexpr uint64_t pictures_stalled_ms = 100;

}

void VideoPlayer::reveal_controls()
{
    m_controls_until_ms = kaso::platform::monotonic_ms() + controls_linger_ms;
    m_dirty = true;
}

bool VideoPlayer::controls_revealed() const
{
    return m_menu_open || !is_playing() || kaso::platform::monotonic_ms() < m_controls_until_ms;
}

void VideoPlayer::toggle_playback()
{
    if (is_playing())
        pause();
    else
        play();
    m_dirty = true;
}

void VideoPlayer::set_marks(std::vector<TimelineMark> marks)
{
    m_marks = std::move(marks);
    m_dirty = true;
}

void VideoPlayer::set_setting(PlayerSetting setting)
{
    setting.selected = setting.options.empty() ? 0 : std::min(setting.selected, setting.options.size() - 1);
    if (setting == m_setting)
        return;
    m_setting = std::move(setting);
    m_dirty = true;
}

void VideoPlayer::set_mode(bool on)
{
    if (m_mode && *m_mode == on)
        return;
    m_mode = on;
    m_dirty = true;
}

void VideoPlayer::set_focus(bool focused)
{
    if (focused != m_focused) {
        m_focused = focused;
        m_dirty = true;
    }
}

void VideoPlayer::enable_mpris(std::string service_name, std::string display_name)
{
    if (!m_controls)
        m_controls = media::MediaControls::start(std::move(service_name), std::move(display_name));
}

void VideoPlayer::set_now_playing(std::optional<media::NowPlaying> now_playing)
{
    if (m_controls)
        m_controls->set_now_playing(std::move(now_playing));
}

void VideoPlayer::pump_media_controls()
{
    if (!m_controls)
        return;
    auto status = media::ControlsStatus::Stopped;
    if (m_engine && m_engine->state() != media::PlaybackState::Idle)
        status = is_playing() ? media::ControlsStatus::Playing : media::ControlsStatus::Paused;
    m_controls->set_playback(status, position_ms());
    for (auto const& command : m_controls->pump()) {
        using Kind = media::MediaCommand::Kind;
        switch (command.kind) {
        case Kind::Play: play(); break;
        case Kind::Pause:
        case Kind::Stop: pause(); break;
        case Kind::PlayPause: is_playing() ? pause() : play(); break;
        case Kind::SeekBy: {
            int64_t target = int64_t(position_ms()) + command.milliseconds;
            seek_to_ms(target < 0 ? 0 : uint64_t(target));
            break;
        }
        case Kind::SetPosition: seek_to_ms(uint64_t(std::max<int64_t>(0, command.milliseconds))); break;
        case Kind::Next:
        case Kind::Previous: break;
        }
    }
}

uint64_t VideoPlayer::position_ms() const { return m_engine ? m_engine->position_ms() : 0; }

std::optional<uint64_t> VideoPlayer::duration_ms() const { return m_engine ? m_engine->duration_ms() : std::nullopt; }

bool VideoPlayer::is_playing() const { return m_engine && m_engine->is_playing(); }

void VideoPlayer::sync(SyncContext& context)
{
    m_now_ms = context.now_ms;
    if (!m_engine)
        return;
    for (auto const& event : m_engine->poll()) {
        std::visit(
            [&](auto const& e) {
                using T = std::decay_t<decltype(e)>;
                if constexpr (std::is_same_v<T, media::FirstFrame>) {
                    m_ready_at_ms = context.now_ms;
                } else if constexpr (std::is_same_v<T, media::SeekCompleted>) {
                    ++m_seeks_completed;
                    if (m_controls)
                        m_controls->notify_seeked(e.position_ms);
                } else if constexpr (std::is_same_v<T, media::EndOfStream>) {
                    m_ended = true;
                } else if constexpr (std::is_same_v<T, media::MediaError>) {
                    m_last_error = e.message;
                    kaso::log::target("kaso::player")->warn("playback failed error={}", kaso::debug_text(e.message));
                }
            },
            event);
    }
    // A picture that arrived before anyone polled still makes the player ready.
    if (!m_ready_at_ms && m_engine->is_ready())
        m_ready_at_ms = context.now_ms;
    if (auto frame = m_engine->current_frame(); frame && frame->serial != m_drawn_serial) {
        m_dirty = true;
        m_picture_seen_ms = kaso::platform::monotonic_ms();
    }
}

std::optional<Rect> VideoPlayer::unscaled_picture_rect(Rect const& box, double scale, uint32_t width, uint32_t height)
{
    if (width == 0 || height == 0 || box.is_empty() || !(scale > 0))
        return std::nullopt;
    // As the painter places a picture that fits its box: centred at the size that fits, and
    // copied pixel for pixel when that size is its own to within a pixel.
    double fit = std::min(box.width() / width, box.height() / height);
    if (std::abs(fit * scale - 1) * std::max(width, height) >= 1)
        return std::nullopt;
    double x = std::round((box.x0 + (box.width() - width * fit) / 2) * scale);
    double y = std::round((box.y0 + (box.height() - height * fit) / 2) * scale);
    Rect placed { x / scale, y / scale, (x + width) / scale, (y + height) / scale };
    if (placed.x0 < box.x0 || placed.y0 < box.y0 || placed.x1 > box.x1 || placed.y1 > box.y1)
        return std::nullopt;
    return placed;
}

void VideoPlayer::draw(Scene& scene, DrawContext& context)
{
    auto const black = Color::rgb(0, 0, 0);
    std::shared_ptr<media::VideoFrame const> frame;
    // A player on screen is about to play: GStreamer starts now, if the launch did not start it,
    // while the stream's address is still being found.
    media::MediaEngine::start_runtime_in_background();
    if (m_engine) {
        // Pictures come at the size they are shown, so painting one is a copy, not a scaling.
        auto box_width = std::lround(std::clamp(m_rect.width() * context.scale, 0.0, 16384.0));
        auto box_height = std::lround(std::clamp(m_rect.height() * context.scale, 0.0, 16384.0));
        m_engine->set_picture_box(uint32_t(box_width), uint32_t(box_height));
        frame = m_engine->current_frame();
    }
    if (!frame || frame->width == 0 || frame->height == 0) {
        m_picture.reset();
        scene.fill_rect(m_rect, black);
    } else {
        m_drawn_serial = frame->serial;
        // The engine never writes into a picture it handed out: the same picture keeps its
        // handle, so a frame in which only the controls changed does not paint it again.
        if (!m_picture || m_picture->keep_alive.get() != static_cast<void const*>(frame.get())) {
            auto image = std::make_shared<Image>();
            image->width = static_cast<int>(frame->width);
            image->height = static_cast<int>(frame->height);
            image->stride = static_cast<int>(frame->stride);
            image->opaque = true;
            image->external = frame->bytes.data();
            image->keep_alive = frame;
            image->external_fixed = true;
            m_picture = std::move(image);
        }
        ImageHandle image = m_picture;
        if (auto placed = unscaled_picture_rect(m_rect, context.scale, frame->width, frame->height)) {
            // Black only where the picture leaves the box bare: every pixel of the picture is
            // painted anew each frame, and need not be painted black first.
            for (auto const& bar : std::initializer_list<Rect> { { m_rect.x0, m_rect.y0, m_rect.x1, placed->y0 },
                     { m_rect.x0, placed->y1, m_rect.x1, m_rect.y1 }, { m_rect.x0, placed->y0, placed->x0, placed->y1 },
                     { placed->x1, placed->y0, m_rect.x1, placed->y1 } })
                if (!bar.is_empty())
                    scene.fill_rect(bar, black);
            scene.draw_image(std::move(image), *placed, 0, ImageFit::Contain);
        } else {
            scene.fill_rect(m_rect, black);
            scene.draw_image(std::move(image), m_rect, 0, ImageFit::Contain);
        }
    }
    if (!m_engine)
        return;
    if (controls_revealed() && m_rect.height() > 60) {
        PlayerControlsState state;
        state.playing = is_playing();
        state.position_ms = position_ms();
        state.duration_ms = duration_ms();
        state.marks = m_marks;
        state.menu_options = m_setting.options;
        state.selected_option = m_setting.selected;
        state.menu_open = m_menu_open;
        paint_player_controls(scene, PlayerControlsLayout::for_rect(m_rect, m_setting.options.size()), state, context.theme);
    }
}

void VideoPlayer::handle_event(EventContext& context)
{
    if (context.handled)
        return;
    auto position = context.logical_position();
    bool inside = position && m_rect.contains(*position);
    auto layout = PlayerControlsLayout::for_rect(m_rect, m_setting.options.size());
    if (std::holds_alternative<PointerMove>(context.event)) {
        if (inside)
            reveal_controls();
        return;
    }
    if (auto const* down = std::get_if<PointerDown>(&context.event)) {
        if (down->button != PointerButton::Primary)
            return;
        // The open menu reaches above the player's rectangle.
        auto hit = layout.hit(*position, m_menu_open);
        if (!inside && hit.part != PlayerControlsLayout::Part::MenuItem) {
            if (m_menu_open) {
                m_menu_open = false;
                m_dirty = true;
            }
            return;
        }
        context.handled = true;
        context.focus_request = FocusRequest::element("video_player");
        bool controls = controls_revealed();
        reveal_controls();
        switch (hit.part) {
        case PlayerControlsLayout::Part::MenuItem:
            m_setting.selected = hit.menu_index;
            m_setting_choices.push_back(SettingChoice { m_setting.id, hit.menu_index });
            m_menu_open = false;
            break;
        case PlayerControlsLayout::Part::SettingsButton:
            if (controls)
                m_menu_open = !m_menu_open;
            break;
        case PlayerControlsLayout::Part::Timeline:
            if (controls) {
                if (auto duration = duration_ms())
                    seek_to_ms(uint64_t(hit.fraction * double(*duration)));
                break;
            }
            [[fallthrough]];
        case PlayerControlsLayout::Part::PlayButton:
        case PlayerControlsLayout::Part::Video:
            if (m_menu_open)
                m_menu_open = false;
            else
                toggle_playback();
            break;
        case PlayerControlsLayout::Part::Bar:
            break;
        }
        return;
    }
    if (auto const* key = std::get_if<KeyDown>(&context.event); key && m_focused) {
        if (key->key == Key::Space || key->key == Key::MediaPlayPause) {
            toggle_playback();
            reveal_controls();
            context.handled = true;
        } else if (key->key == Key::Escape && m_menu_open) {
            m_menu_open = false;
            m_dirty = true;
            context.handled = true;
        }
    }
}

CursorShape VideoPlayer::cursor_shape(Point point) const { return m_rect.contains(point) ? CursorShape::Pointer : CursorShape::Default; }

std::optional<AccessNode> VideoPlayer::accessibility() const
{
    AccessNode node;
    node.role = AccessRole::Image;
    node.name = is_playing() ? "Video player, playing" : "Video player, paused";
    node.bounds = m_rect;
    node.focused = m_focused;
    return node;
}

std::optional<uint64_t> VideoPlayer::next_wake_deadline() const
{
    uint64_t now = kaso::platform::monotonic_ms();
    std::optional<uint64_t> deadline;
    if (m_controls_until_ms > now)
        deadline = m_controls_until_ms;
    // Playing on pictures: woken by the next one, or, should it not come, when they count as
    // stalled.
    if (is_playing() && m_picture_seen_ms) {
        uint64_t stalled_at = *m_picture_seen_ms + pictures_stalled_ms;
        deadline = deadline ? std::min(*deadline, stalled_at) : stalled_at;
    }
    return deadline;
}

bool VideoPlayer::needs_animation_frame() const
{
    if (!is_playing())
        return false;
    return !m_picture_seen_ms || kaso::platform::monotonic_ms() >= *m_picture_seen_ms + pictures_stalled_ms;
}

}
