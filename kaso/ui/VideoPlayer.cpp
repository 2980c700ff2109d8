#include "kaso/ui/VideoPlayer.h"

#include "kaso/platform/Log.h"
#include "kaso/ui/Scene.h"

namespace kaso::ui {

std::shared_ptr<VideoPlayer> VideoPlayer::with_engine(std::unique_ptr<media::MediaEngine> engine)
{
    std::shared_ptr<VideoPlayer> player(new VideoPlayer());
    player->m_engine = std::move(engine);
    return player;
}

void VideoPlayer::set_engine(std::unique_ptr<media::MediaEngine> engine)
{
    m_engine = std::move(engine);
    m_ready_at_ms.reset();
    m_ended = false;
    m_last_error.reset();
}

ErrorOr<void> VideoPlayer::open(std::string const& address)
{
    m_ready_at_ms.reset();
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

void VideoPlayer::reveal_controls() { m_controls_revealed = true; }

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
}

void VideoPlayer::draw(Scene& scene, DrawContext&)
{
    scene.fill_rect(m_rect, Color::rgb(0, 0, 0));
    if (!m_engine)
        return;
    auto frame = m_engine->current_frame();
    if (!frame || frame->width == 0 || frame->height == 0)
        return;
    auto image = std::make_shared<Image>();
    image->width = static_cast<int>(frame->width);
    image->height = static_cast<int>(frame->height);
    image->stride = static_cast<int>(frame->stride);
    image->opaque = true;
    image->external = frame->bytes.data();
    image->keep_alive = frame;
    scene.draw_image(std::move(image), m_rect, 0, ImageFit::Contain);
}

bool VideoPlayer::needs_animation_frame() const { return is_playing(); }

}
