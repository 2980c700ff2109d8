#pragma once

// Internal to kaso/media: one GStreamer pipeline ending in an appsink, with its bus messages
// translated into plain notes. The engine's state machine works on notes and never on GStreamer
// types.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <variant>

#include <gst/gst.h>

#include "kaso/media/FrameSlot.h"
#include "kaso/platform/Error.h"

namespace kaso::media {

struct NoteError {
    std::string message;
};
struct NoteEndOfStream { };
struct NoteBuffering {
    uint8_t percent;
};
struct NotePrerolled { };    // the pipeline finished an asynchronous state change (preroll)
struct NoteStateChanged {
    bool playing;           // the pipeline itself now is in PLAYING
};
struct NoteDurationChanged { };

using BusNote = std::variant<NoteError, NoteEndOfStream, NoteBuffering, NotePrerolled, NoteStateChanged,
    NoteDurationChanged>;

class Pipeline {
public:
    // Both forms call `waker` from GStreamer's threads after each picture and each bus message
    // worth a note, so a reader that sleeps until told (a paused player) sees what a seek, the
    // end or an error brought.

    // playbin on `uri` with the appsink as its video sink and the default audio device, or a
    // clock-keeping sink where no device opens.
    static ErrorOr<std::unique_ptr<Pipeline>> playbin(std::string const& uri, std::shared_ptr<Waker const> waker);

    // A moving test picture of 1280 x 720 at 30 frames a second, `duration_ms` long.
    static ErrorOr<std::unique_ptr<Pipeline>> test_source(uint64_t duration_ms, std::shared_ptr<Waker const> waker);

    Pipeline(Pipeline const&) = delete;
    Pipeline& operator=(Pipeline const&) = delete;

    // Stops the streaming threads and frees the pipeline before returning.
    ~Pipeline();

    // Starts prerolling, paused, on a thread of its own: going to PAUSED sets up the source and
    // typefinds it in the calling thread, which takes milliseconds the UI thread does not have.
    // Until the pipeline reports its preroll, nothing else may change its state.
    void start_paused();
    // The start was refused outright (the bus carries the reason).
    bool start_failed() const { return m_start_failed.load(std::memory_order_acquire); }

    // PLAYING or PAUSED; false when GStreamer refused the change outright.
    bool set_playing(bool playing);

    // A flushing, accurate seek; the sequence number its picture will carry, or none when the
    // pipeline refused it.
    std::optional<uint32_t> seek(uint64_t target_ms);

    // Pictures from now on come as large as fits in `width` x `height` pixels, keeping their
    // shape and never enlarged; 0 x 0 lifts the bound. The test picture keeps its own size.
    void set_picture_box(uint32_t width, uint32_t height);

    std::optional<uint64_t> position_ms() const;
    std::optional<uint64_t> duration_ms() const;

    // The next bus message worth a note, without waiting.
    std::optional<BusNote> next_note();

    TaggedFrame latest_frame() const { return m_frames->latest(); }
    uint64_t frame_count() const { return m_frames->count(); }

private:
    Pipeline(GstElement* pipeline, GstElement* appsink, std::optional<uint64_t> stop_ms, std::shared_ptr<Waker const> waker);

    GstElement* m_pipeline { nullptr };   // owned
    GstBus* m_bus { nullptr };            // owned
    std::unique_ptr<FrameSlot> m_frames;  // written by the streaming threads, read by the UI thread
    std::optional<uint64_t> m_stop_ms;    // where every seek's segment ends, when the source says
    std::thread m_starter;                // runs the first state change; joined before teardown
    std::atomic<bool> m_start_failed { false };
    GstElement* m_size_filter { nullptr };  // held by m_pipeline; none where pictures keep their size
};

}
