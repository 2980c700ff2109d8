#pragma once

// Internal to kaso/media: where the streaming thread leaves the latest picture for the UI thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include <gst/gst.h>
#include <gst/video/video.h>

#include "kaso/media/VideoFrame.h"

namespace kaso::media {

// The newest frame and the seek it belongs to. A flushing seek hands its sequence number to the
// flush and segment events it causes, so a picture that reached the sink after an event with a
// seek's number is that seek's result. Both numbers are kept, so that one element along the way
// renumbering one of the two events does not hide the seek's landing.
struct TaggedFrame {
    std::shared_ptr<VideoFrame const> frame;
    uint32_t flush_seqnum { 0 };    // of the last flush-stop before the picture
    uint32_t segment_seqnum { 0 };  // of the last segment before the picture

    bool belongs_to(uint32_t seek_seqnum) const
    {
        return frame && (flush_seqnum == seek_seqnum || segment_seqnum == seek_seqnum);
    }
};

// What the streaming threads call when they leave something for the UI thread to read: a picture
// or a bus message. Shared between an engine and each pipeline it opens, so the function can be
// set or changed whenever the engine's owner likes.
class Waker {
public:
    void set(std::function<void()> function)
    {
        std::lock_guard lock(m_mutex);
        m_function = std::move(function);
    }

    // Any thread.
    void wake() const
    {
        std::lock_guard lock(m_mutex);
        if (m_function)
            m_function();
    }

private:
    mutable std::mutex m_mutex;
    std::function<void()> m_function; // protected by m_mutex
};

class FrameSlot {
public:
    explicit FrameSlot(std::shared_ptr<Waker const> waker)
        : m_waker(std::move(waker))
    {
    }
    FrameSlot(FrameSlot const&) = delete;
    FrameSlot& operator=(FrameSlot const&) = delete;
    ~FrameSlot();

    // Streaming thread: maps the sample's picture, makes it the latest frame and wakes the reader.
    void store(GstSample* sample);

    // Any thread: tells the reader there is something new to read.
    void wake() const { m_waker->wake(); }

    // Streaming thread: a flush-stop or segment event went past the sink pad.
    void note_flush_stop(uint32_t seqnum) { m_flush_seqnum.store(seqnum, std::memory_order_release); }
    void note_segment(uint32_t seqnum) { m_segment_seqnum.store(seqnum, std::memory_order_release); }

    // Any thread: the latest frame (empty before the first picture).
    TaggedFrame latest() const;

    // How many pictures were stored, the first being 1.
    uint64_t count() const { return m_count.load(std::memory_order_acquire); }

private:
    // Makes the sample the latest frame; false when it was dropped.
    bool keep(GstSample* sample);

    std::shared_ptr<Waker const> m_waker;
    mutable std::mutex m_mutex;
    TaggedFrame m_latest;             // protected by m_mutex
    GstCaps* m_info_caps { nullptr }; // protected by m_mutex: the caps m_info was read from (a reference)
    GstVideoInfo m_info {};           // protected by m_mutex
    std::atomic<uint64_t> m_count { 0 };
    std::atomic<uint32_t> m_flush_seqnum { 0 };
    std::atomic<uint32_t> m_segment_seqnum { 0 };
};

}
