#include "kaso/media/MediaEngine.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <type_traits>

#include "kaso/media/GstRuntime.h"
#include "kaso/media/MediaAddress.h"
#include "kaso/media/Pipeline.h"
#include "kaso/media/SeekQueue.h"
#include "kaso/platform/Log.h"

namespace kaso::media {

namespace {

constexpr uint64_t synthesized_duration_ms = 600'000;
// Bus messages handled per poll, so that one poll stays short however busy the pipeline was.
constexpr int notes_per_poll = 256;
// How long a seek waits for a picture carrying its own number before any newer picture will do.
constexpr auto seek_recognition_limit = std::chrono::seconds(10);

auto logger() { return kaso::log::target("kaso::media"); }

}

char const* playback_state_name(PlaybackState state)
{
    switch (state) {
    case PlaybackState::Idle: return "idle";
    case PlaybackState::Loading: return "loading";
    case PlaybackState::Paused: return "paused";
    case PlaybackState::Playing: return "playing";
    case PlaybackState::Ended: return "ended";
    case PlaybackState::Failed: return "failed";
    }
    return "unknown";
}

struct MediaEngine::Impl {
    EngineKind kind { EngineKind::Null };
    std::string unavailable_reason;
    // The real engine learns whether GStreamer has what it needs when first asked (its kind, or
    // to open), not when made: that waits for GStreamer to start, which the window need not.
    bool elements_checked { true };
    std::string address;
    std::shared_ptr<Waker> waker { std::make_shared<Waker>() }; // handed to every pipeline

    // The open source and what is known about it; all reset by `reset_source`.
    std::unique_ptr<Pipeline> pipeline;
    SeekQueue seeks;
    std::optional<uint32_t> seek_seqnum;     // sequence number of the seek in flight
    uint64_t seek_sent_at_serial { 0 };      // pictures stored when it was sent
    std::chrono::steady_clock::time_point seek_deadline;  // when to stop waiting for its own picture
    bool want_playing { false };             // play asked for (kept across sources)
    uint32_t box_width { 0 };                // the caller's picture box (kept across sources)
    uint32_t box_height { 0 };
    bool prerolled { false };                // the first asynchronous preroll finished
    bool holding_for_first_seek { false };   // a seek asked before preroll runs; nothing shown yet
    bool pipeline_playing { false };         // the pipeline reported PLAYING
    std::optional<bool> requested_playing;   // the last state handed to the pipeline
    bool buffering_hold { false };           // held in PAUSED until the buffer fills
    bool ended { false };
    bool failed { false };
    bool first_frame_announced { false };
    uint8_t buffering { 100 };
    std::optional<uint64_t> duration;
    mutable uint64_t last_position { 0 };

    PlaybackState reported_state { PlaybackState::Idle };
    std::vector<MediaEvent> events;

    void reset_source()
    {
        pipeline.reset();
        seeks.clear();
        seek_seqnum.reset();
        prerolled = holding_for_first_seek = pipeline_playing = buffering_hold = false;
        ended = failed = first_frame_announced = false;
        requested_playing.reset();
        buffering = 100;
        duration.reset();
        last_position = 0;
    }

    void fail(std::string message)
    {
        logger()->warn("playback failed message={}", kaso::debug_text(message));
        failed = true;
        seeks.clear();
        seek_seqnum.reset();
        holding_for_first_seek = false;
        events.emplace_back(MediaError { std::move(message) });
    }

    PlaybackState derived_state() const
    {
        if (failed)
            return PlaybackState::Failed;
        if (!pipeline)
            return PlaybackState::Idle;
        if (ended)
            return PlaybackState::Ended;
        if (!prerolled || holding_for_first_seek)
            return PlaybackState::Loading;
        return pipeline_playing ? PlaybackState::Playing : PlaybackState::Paused;
    }

    void apply_pipeline_state()
    {
        if (!pipeline || failed)
            return;
        bool desired = want_playing && prerolled && !buffering_hold && !holding_for_first_seek;
        if (requested_playing == desired)
            return;
        requested_playing = desired;
        if (!pipeline->set_playing(desired))
            fail("MediaEngine: the pipeline refused to change state");
    }

    void start_seeks()
    {
        if (!pipeline || failed)
            return;
        while (auto target = seeks.start_next(prerolled)) {
            auto sent_at_serial = pipeline->frame_count();
            if (auto seqnum = pipeline->seek(*target)) {
                seek_seqnum = seqnum;
                seek_sent_at_serial = sent_at_serial;
                seek_deadline = std::chrono::steady_clock::now() + seek_recognition_limit;
                ended = false;
                return;
            }
            logger()->warn("seek refused by the pipeline target_ms={}", *target);
            seeks.finish();
            holding_for_first_seek = false;
        }
    }

    void finish_seek(uint64_t landed_ms)
    {
        seeks.finish();
        seek_seqnum.reset();
        holding_for_first_seek = false;
        events.emplace_back(SeekCompleted { landed_ms });
        start_seeks();
    }

    void refresh_duration()
    {
        auto known = pipeline ? pipeline->duration_ms() : std::nullopt;
        if (!known || known == duration)
            return;
        duration = known;
        events.emplace_back(DurationKnown { *known });
    }

    void handle(BusNote const& note)
    {
        std::visit(
            [this](auto const& n) {
                using Note = std::decay_t<decltype(n)>;
                if constexpr (std::is_same_v<Note, NoteError>) {
                    fail(n.message);
                } else if constexpr (std::is_same_v<Note, NoteEndOfStream>) {
                    ended = true;
                    if (seek_seqnum)
                        finish_seek(duration.value_or(last_position));
                    events.emplace_back(EndOfStream {});
                } else if constexpr (std::is_same_v<Note, NoteBuffering>) {
                    if (n.percent != buffering) {
                        buffering = n.percent;
                        events.emplace_back(BufferingChanged { n.percent });
                    }
                    buffering_hold = n.percent < 100;
                } else if constexpr (std::is_same_v<Note, NotePrerolled>) {
                    if (!prerolled) {
                        prerolled = true;
                        refresh_duration();
                        start_seeks();
                        holding_for_first_seek = seek_seqnum.has_value();
                    }
                } else if constexpr (std::is_same_v<Note, NoteStateChanged>) {
                    pipeline_playing = n.playing;
                } else if constexpr (std::is_same_v<Note, NoteDurationChanged>) {
                    refresh_duration();
                }
            },
            note);
    }

    void check_frames()
    {
        if (!pipeline || failed)
            return;
        auto latest = pipeline->latest_frame();
        if (!latest.frame)
            return;
        if (seek_seqnum && latest.belongs_to(*seek_seqnum)) {
            finish_seek(latest.frame->pts_ms);
        } else if (seek_seqnum && std::chrono::steady_clock::now() >= seek_deadline && latest.frame->serial > seek_sent_at_serial) {
            // Pictures flow but none carries the seek's number: an element renumbered both
            // events. Take the newest picture as the landing rather than wait forever.
            logger()->warn("seek landing not recognised; taking the newest picture pts_ms={}", latest.frame->pts_ms);
            finish_seek(latest.frame->pts_ms);
        }
        // The preroll picture is stored before the bus says the preroll finished, and a seek
        // asked for before preroll is sent only then: announcing earlier would show the start.
        if (!first_frame_announced && prerolled && !holding_for_first_seek) {
            first_frame_announced = true;
            events.emplace_back(FirstFrame { latest.frame->width, latest.frame->height, latest.frame->pts_ms });
        }
    }
};

MediaEngine::MediaEngine(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{
}

MediaEngine::~MediaEngine() = default;

std::unique_ptr<MediaEngine> MediaEngine::create()
{
    auto impl = std::make_unique<Impl>();
    impl->kind = EngineKind::Real;
    impl->elements_checked = false;
    return std::unique_ptr<MediaEngine>(new MediaEngine(std::move(impl)));
}

MediaEngine::Impl& MediaEngine::checked_impl() const
{
    auto& impl = *m_impl;
    if (!impl.elements_checked) {
        impl.elements_checked = true;
        if (auto available = gst_runtime::require_elements({ "playbin", "appsink", "videoconvert" }); !available) {
            logger()->warn("media engine unavailable reason={}", kaso::debug_text(available.error().message));
            impl.kind = EngineKind::Null;
            impl.unavailable_reason = available.error().message;
        }
    }
    return impl;
}

std::unique_ptr<MediaEngine> MediaEngine::create_synthesized()
{
    auto available = gst_runtime::require_elements({ "videotestsrc", "appsink" });
    if (!available)
        return create_null(available.error().message);
    auto impl = std::make_unique<Impl>();
    impl->kind = EngineKind::Synthesized;
    return std::unique_ptr<MediaEngine>(new MediaEngine(std::move(impl)));
}

std::unique_ptr<MediaEngine> MediaEngine::create_null(std::string reason)
{
    logger()->warn("media engine unavailable reason={}", kaso::debug_text(reason));
    auto impl = std::make_unique<Impl>();
    impl->kind = EngineKind::Null;
    impl->unavailable_reason = std::move(reason);
    return std::unique_ptr<MediaEngine>(new MediaEngine(std::move(impl)));
}

void MediaEngine::start_runtime_in_background()
{
    static std::once_flag s_started;
    std::call_once(s_started, [] { std::thread([] { (void)gst_runtime::ensure_started(); }).detach(); });
}

void MediaEngine::set_waker(std::function<void()> waker) { m_impl->waker->set(std::move(waker)); }

EngineKind MediaEngine::kind() const { return checked_impl().kind; }
bool MediaEngine::decodes_real_media() const { return checked_impl().kind == EngineKind::Real; }
std::string const& MediaEngine::unavailable_reason() const { return checked_impl().unavailable_reason; }
std::string const& MediaEngine::address() const { return m_impl->address; }

ErrorOr<void> MediaEngine::open(std::string_view address)
{
    auto& impl = checked_impl();
    impl.reset_source();
    impl.address = std::string(address);

    auto pipeline = [&]() -> ErrorOr<std::unique_ptr<Pipeline>> {
        switch (impl.kind) {
        case EngineKind::Null:
            return std::unexpected(Error::format("MediaEngine: no media engine: {}", impl.unavailable_reason));
        case EngineKind::Synthesized:
            return Pipeline::test_source(synthesized_duration_ms, impl.waker);
        case EngineKind::Real:
            break;
        }
        auto uri = TRY(checked_media_address(address));
        return Pipeline::playbin(uri, impl.waker);
    }();
    if (!pipeline) {
        impl.fail(pipeline.error().message);
        return std::unexpected(pipeline.error());
    }

    impl.pipeline = std::move(*pipeline);
    impl.requested_playing = false;
    if (impl.box_width > 0 && impl.box_height > 0)
        impl.pipeline->set_picture_box(impl.box_width, impl.box_height);
    impl.pipeline->start_paused();
    return {};
}

void MediaEngine::close()
{
    m_impl->reset_source();
    m_impl->address.clear();
}

void MediaEngine::play()
{
    auto& impl = *m_impl;
    impl.want_playing = true;
    if (impl.ended && impl.pipeline && !impl.failed) {
        // Play after the end starts again from the beginning.
        impl.seeks.request(0);
        impl.start_seeks();
    }
    impl.apply_pipeline_state();
}

void MediaEngine::pause()
{
    m_impl->want_playing = false;
    m_impl->apply_pipeline_state();
}

void MediaEngine::set_picture_box(uint32_t width, uint32_t height)
{
    auto& impl = *m_impl;
    if (width == 0 || height == 0)
        width = height = 0;
    if (width == impl.box_width && height == impl.box_height)
        return;
    impl.box_width = width;
    impl.box_height = height;
    if (impl.pipeline)
        impl.pipeline->set_picture_box(width, height);
}

void MediaEngine::seek_to_ms(uint64_t position_ms)
{
    auto& impl = *m_impl;
    if (!impl.pipeline || impl.failed)
        return;
    if (impl.duration)
        position_ms = std::min(position_ms, *impl.duration);
    impl.seeks.request(position_ms);
    impl.start_seeks();
}

std::vector<MediaEvent> MediaEngine::poll()
{
    auto& impl = *m_impl;
    if (impl.pipeline) {
        for (int handled = 0; handled < notes_per_poll; ++handled) {
            auto note = impl.pipeline ? impl.pipeline->next_note() : std::nullopt;
            if (!note)
                break;
            impl.handle(*note);
        }
        if (impl.pipeline->start_failed() && !impl.failed)
            impl.fail("MediaEngine: the pipeline refused to start");
        impl.check_frames();
        if (impl.prerolled && !impl.duration && !impl.failed)
            impl.refresh_duration();
        impl.apply_pipeline_state();
    }
    if (auto state = impl.derived_state(); state != impl.reported_state) {
        impl.reported_state = state;
        impl.events.emplace_back(StateChanged { state });
    }
    return std::exchange(impl.events, {});
}

PlaybackState MediaEngine::state() const { return m_impl->derived_state(); }

bool MediaEngine::is_playing() const
{
    auto const& impl = *m_impl;
    return impl.want_playing && impl.pipeline && !impl.ended && !impl.failed;
}

bool MediaEngine::is_ready() const { return m_impl->first_frame_announced; }

uint64_t MediaEngine::position_ms() const
{
    auto const& impl = *m_impl;
    if (auto target = impl.seeks.target_ms())
        return *target;
    if (!impl.pipeline || !impl.prerolled)
        return impl.last_position;
    if (impl.ended)
        return impl.duration.value_or(impl.last_position);
    if (auto position = impl.pipeline->position_ms())
        impl.last_position = impl.duration ? std::min(*position, *impl.duration) : *position;
    return impl.last_position;
}

std::optional<uint64_t> MediaEngine::duration_ms() const { return m_impl->duration; }
uint8_t MediaEngine::buffering_percent() const { return m_impl->buffering; }

std::shared_ptr<VideoFrame const> MediaEngine::current_frame() const
{
    auto const& impl = *m_impl;
    // While a seek asked for before preroll runs, the picture at the start is not shown.
    if (!impl.pipeline || impl.failed || impl.holding_for_first_seek)
        return nullptr;
    return impl.pipeline->latest_frame().frame;
}

}
