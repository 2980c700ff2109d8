#include "kaso/media/FrameSlot.h"

#include "kaso/platform/Log.h"

namespace kaso::media {

namespace {

// Keeps the sample and its mapping alive for as long as any holder of the frame needs the bytes.
struct MappedSample {
    GstSample* sample { nullptr };
    GstVideoFrame mapping {};
    bool is_mapped { false };
    VideoFrame frame;

    MappedSample() = default;
    MappedSample(MappedSample const&) = delete;
    MappedSample& operator=(MappedSample const&) = delete;
    ~MappedSample()
    {
        if (is_mapped)
            gst_video_frame_unmap(&mapping);
        gst_sample_unref(sample);
    }
};

uint64_t stream_time_ms(GstSample* sample, GstBuffer* buffer)
{
    GstClockTime pts = GST_BUFFER_PTS(buffer);
    if (!GST_CLOCK_TIME_IS_VALID(pts))
        return 0;
    GstClockTime stream_time = pts;
    if (GstSegment const* segment = gst_sample_get_segment(sample); segment && segment->format == GST_FORMAT_TIME) {
        GstClockTime converted = gst_segment_to_stream_time(segment, GST_FORMAT_TIME, pts);
        if (GST_CLOCK_TIME_IS_VALID(converted))
            stream_time = converted;
    }
    return stream_time / GST_MSECOND;
}

}

void FrameSlot::store(GstSample* sample)
{
    // The reader is woken after the lock is let go, so it never waits on it when it looks.
    if (keep(sample))
        m_waker->wake();
}

bool FrameSlot::keep(GstSample* sample)
{
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstCaps* caps = gst_sample_get_caps(sample);
    if (!buffer || !caps) {
        gst_sample_unref(sample);
        return false;
    }

    std::lock_guard lock(m_mutex);
    if (!m_info_caps || !gst_caps_is_equal(caps, m_info_caps)) {
        if (!gst_video_info_from_caps(&m_info, caps)) {
            kaso::log::target("kaso::media")->warn("video caps not understood; picture dropped");
            gst_sample_unref(sample);
            return false;
        }
        gst_caps_replace(&m_info_caps, caps);
    }

    auto mapped = std::make_shared<MappedSample>();
    mapped->sample = sample;
    if (!gst_video_frame_map(&mapped->mapping, &m_info, buffer, GST_MAP_READ)) {
        kaso::log::target("kaso::media")->warn("video buffer could not be mapped; picture dropped");
        return false;
    }
    mapped->is_mapped = true;
    auto const& mapping = mapped->mapping;

    uint32_t width = GST_VIDEO_FRAME_WIDTH(&mapping);
    uint32_t height = GST_VIDEO_FRAME_HEIGHT(&mapping);
    auto stride = static_cast<uint32_t>(GST_VIDEO_FRAME_PLANE_STRIDE(&mapping, 0));
    auto const* data = static_cast<uint8_t const*>(GST_VIDEO_FRAME_PLANE_DATA(&mapping, 0));
    mapped->frame = VideoFrame {
        .width = width,
        .height = height,
        .stride = stride,
        .pts_ms = stream_time_ms(sample, buffer),
        .serial = m_count.load(std::memory_order_relaxed) + 1,
        .bytes = std::span<uint8_t const>(data, static_cast<size_t>(stride) * height),
    };

    m_latest = TaggedFrame {
        .frame = std::shared_ptr<VideoFrame const>(mapped, &mapped->frame),
        .flush_seqnum = m_flush_seqnum.load(std::memory_order_acquire),
        .segment_seqnum = m_segment_seqnum.load(std::memory_order_acquire),
    };
    m_count.fetch_add(1, std::memory_order_release);
    return true;
}

FrameSlot::~FrameSlot()
{
    if (m_info_caps)
        gst_caps_unref(m_info_caps);
}

TaggedFrame FrameSlot::latest() const
{
    std::lock_guard lock(m_mutex);
    return m_latest;
}

}
