#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kaso/media/MediaEvent.h"
#include "kaso/media/VideoFrame.h"
#include "kaso/platform/Error.h"

namespace kaso::media {

// Plays one source at a time on GStreamer, in one of three forms (`EngineKind`).
//
// Every call returns at once and is meant for one thread (the UI thread). GStreamer's own threads
// never call back into the engine: they leave pictures in a shared slot and messages on the
// pipeline's bus, and `poll` drains the bus and turns what happened into events. No GLib main
// loop is needed. Outcomes of `open`, `play`, `pause` and `seek_to_ms` (errors included) arrive
// as events from a later `poll`.
class MediaEngine {
public:
    // The real engine: playbin with a video sink that hands out Cairo-ready pictures and the
    // default audio device (or a clock-keeping sink where none opens). The null engine when
    // GStreamer or an element it needs is missing; never the synthesized source instead. Returns
    // at once: what is missing is found the first time the engine is asked its kind or to open.
    static std::unique_ptr<MediaEngine> create();

    // The synthesized engine: whatever is opened, it plays a moving test picture, 600 s long and
    // seekable, without touching the network. It says it does not decode real media. The null
    // engine when the test source itself is missing.
    static std::unique_ptr<MediaEngine> create_synthesized();

    // The null engine: opening reports `reason` as an error event; no picture ever comes.
    static std::unique_ptr<MediaEngine> create_null(std::string reason);

    // Starts GStreamer (reading its plugin registry) on a thread of its own and returns at once,
    // so that a later `create` finds it started instead of starting it on the caller's thread.
    // Harmless to call more than once, or never.
    static void start_runtime_in_background();

    MediaEngine(MediaEngine const&) = delete;
    MediaEngine& operator=(MediaEngine const&) = delete;

    // Stops and frees the pipeline before returning.
    ~MediaEngine();

    EngineKind kind() const;
    // True for the real engine only: the synthesized and null engines make no real pictures.
    bool decodes_real_media() const;
    // Why this is the null engine; empty for the other forms.
    std::string const& unavailable_reason() const;

    // Replaces the current source with `address` (http, https or file; the synthesized engine
    // takes any address and plays its test picture) and prerolls it, paused. A refused address,
    // or the null engine, gives an error here and the same message as a `MediaError` event.
    ErrorOr<void> open(std::string_view address);
    // Drops the current source, synchronously; the engine is Idle again.
    void close();

    // Harmless in every state: before `open` they only set what happens once a source is open.
    void play();
    void pause();
    // Seeks the open source. Before the first picture the seek waits and is applied then (the
    // stream starts from there); while a seek runs, later ones merge into the newest. Past a known
    // duration the target is clamped to it. Without an open source it does nothing.
    void seek_to_ms(uint64_t position_ms);

    // Drains the pipeline's messages and returns what happened since the previous call, oldest
    // first.
    std::vector<MediaEvent> poll();
    // Called from GStreamer's threads whenever there is something new for `poll` or
    // `current_frame`: a picture, a change of state, a seek's landing, the end, an error. A loop
    // that sleeps while the picture is paused uses it to wake; it may run often while playing and
    // must be cheap and safe from any thread. Can be set or replaced at any time.
    void set_waker(std::function<void()> waker);

    PlaybackState state() const;
    // Whether playback is wanted and going on: play was asked for and the stream has neither
    // ended nor failed (buffering holds included).
    bool is_playing() const;
    // The first picture of the current source has arrived.
    bool is_ready() const;
    // The playhead. While a seek is waiting or running, its target.
    uint64_t position_ms() const;
    std::optional<uint64_t> duration_ms() const;
    // The network source's fill level; 100 when nothing is being buffered.
    uint8_t buffering_percent() const;
    // The largest picture the caller shows, in pixels. Pictures then arrive as large as fits
    // inside it, keeping their shape and never enlarged, so that showing them is a copy rather
    // than a scaling every frame. 0 x 0 (the start) gives them their own size. Kept across
    // sources; the synthesized test picture always keeps its own size.
    void set_picture_box(uint32_t width, uint32_t height);
    // The newest picture of the current source (empty before the first one).
    std::shared_ptr<VideoFrame const> current_frame() const;
    // The address given to the last `open` (empty when none).
    std::string const& address() const;

private:
    struct Impl;
    explicit MediaEngine(std::unique_ptr<Impl>);

    // The state, once the real engine has checked that GStreamer has what it needs.
    Impl& checked_impl() const;
    std::unique_ptr<Impl> m_impl;
};

}
