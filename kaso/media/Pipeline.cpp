#include "kaso/media/Pipeline.h"

#include <algorithm>
#include <bit>
#include <vector>

#include <gst/app/gstappsink.h>

#include "kaso/media/GstRuntime.h"
#include "kaso/platform/Log.h"

namespace kaso::media {

namespace {

auto logger() { return kaso::log::target("kaso::media"); }

// Cairo's RGB24 is a native-endian 32-bit word x R G B; GStreamer names formats by byte order.
constexpr char const* cairo_rgb24_format = std::endian::native == std::endian::little ? "BGRx" : "xRGB";

GstFlowReturn on_new_preroll(GstAppSink* sink, gpointer slot)
{
    if (GstSample* sample = gst_app_sink_pull_preroll(sink))
        static_cast<FrameSlot*>(slot)->store(sample);
    return GST_FLOW_OK;
}

GstFlowReturn on_new_sample(GstAppSink* sink, gpointer slot)
{
    if (GstSample* sample = gst_app_sink_pull_sample(sink))
        static_cast<FrameSlot*>(slot)->store(sample);
    return GST_FLOW_OK;
}

GstPadProbeReturn on_sink_event(GstPad*, GstPadProbeInfo* info, gpointer slot)
{
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (!event)
        return GST_PAD_PROBE_OK;
    if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP)
        static_cast<FrameSlot*>(slot)->note_flush_stop(gst_event_get_seqnum(event));
    else if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT)
        static_cast<FrameSlot*>(slot)->note_segment(gst_event_get_seqnum(event));
    return GST_PAD_PROBE_OK;
}

// Runs on whichever thread posts: drops the chatty messages nobody reads, so a bus that is not
// polled for a while (a hidden player) does not pile them up, and wakes the reader for the rest.
GstBusSyncReply drop_unread_messages(GstBus*, GstMessage* message, gpointer slot)
{
    // Extended message types are not single bits, so no mask: one case each.
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_QOS:
    case GST_MESSAGE_TAG:
    case GST_MESSAGE_STREAM_STATUS:
    case GST_MESSAGE_PROGRESS:
    case GST_MESSAGE_ELEMENT:
    case GST_MESSAGE_STREAM_START:
    case GST_MESSAGE_NEW_CLOCK:
    case GST_MESSAGE_INFO:
    case GST_MESSAGE_STREAM_COLLECTION:
    case GST_MESSAGE_STREAMS_SELECTED:
        return GST_BUS_DROP;
    default:
        static_cast<FrameSlot const*>(slot)->wake();
        return GST_BUS_PASS;
    }
}

GstElement* make_appsink(GstCaps* caps)
{
    GstElement* sink = gst_element_factory_make("appsink", "kaso-video-sink");
    if (!sink) {
        gst_caps_unref(caps);
        return nullptr;
    }
    g_object_set(sink, "caps", caps, "sync", TRUE, "qos", TRUE, "max-buffers", 1, "drop", TRUE,
        "enable-last-sample", FALSE, "emit-signals", FALSE, nullptr);
    gst_caps_unref(caps);
    return sink;
}

// The default audio device through autoaudiosink. It opens its device when the stream's sound
// reaches it, on a streaming thread, and where no device answers it plays into a synchronised
// fakesink of its own, so the video is never held back by sound. Without autoaudiosink a
// fakesink with sync=true keeps time the same way.
GstElement* make_audio_sink()
{
    if (GstElement* sink = gst_element_factory_make("autoaudiosink", "kaso-audio-sink"))
        return sink;
    GstElement* fallback = gst_element_factory_make("fakesink", "kaso-audio-sink");
    if (fallback)
        g_object_set(fallback, "sync", TRUE, nullptr);
    return fallback;
}

// The pictures' format as the sink takes them: the painter copies them as they come.
std::string picture_caps() { return fmt::format("video/x-raw,format={}", cairo_rgb24_format); }

// Pictures arrive scaled to square pixels, so the painter can take width and height as they
// come; inside a box, when one is given, as large as fits while keeping their shape, never
// enlarged (the scaler fixes the size nearest the stream's own within the ranges). No format:
// the scaler keeps the decoder's.
std::string picture_size_caps(uint32_t box_width, uint32_t box_height)
{
    std::string caps = "video/x-raw,pixel-aspect-ratio=1/1";
    if (box_width > 0 && box_height > 0)
        caps += fmt::format(",width=[1,{}],height=[1,{}]", box_width, box_height);
    return caps;
}

// playbin's flag that leaves the decoded video as it is, for the sink to convert.
constexpr guint native_video_flag = 1u << 6;

// Scaling and converting to RGB in one element (videoconvertscale) runs GStreamer's general
// converter, which unpacks every source pixel before it scales; scaling the decoder's own planes
// first and converting only the pixels that remain costs well under half as much for a picture
// shown smaller than it is decoded. No dithering: 8-bit video is converted to 8 bits a channel.
GstElement* make_converter()
{
    GstElement* converter = gst_element_factory_make("videoconvert", "kaso-video-convert");
    if (converter)
        g_object_set(converter, "dither", 0, nullptr);
    return converter;
}

struct VideoSink {
    GstElement* bin { nullptr };          // floating until playbin takes it
    GstElement* size_filter { nullptr };  // inside the bin: its caps say the picture's size
    bool scales { false };                // a scaler is there to satisfy a size
};

// scaler ! capsfilter ! converter ! appsink, in a bin playbin takes as its video sink; without
// a scaler, converter ! capsfilter ! appsink and pictures keep their size.
VideoSink make_video_sink(GstElement* appsink)
{
    VideoSink sink;
    if (!appsink)
        return sink;
    GstElement* bin = gst_bin_new("kaso-video-sink-bin");
    GstElement* filter = gst_element_factory_make("capsfilter", "kaso-picture-size");
    std::vector<GstElement*> chain;
    if (GstElement* scaler = gst_element_factory_make("videoscale", "kaso-video-scale")) {
        chain.push_back(scaler);
        chain.push_back(filter);
        chain.push_back(make_converter());
        sink.scales = true;
    } else {
        chain.push_back(make_converter());
        chain.push_back(filter);
    }
    chain.push_back(appsink);
    bool linked = bin && std::ranges::all_of(chain, [](GstElement* element) { return element != nullptr; });
    for (GstElement* element : chain) {
        if (element && bin)
            gst_bin_add(GST_BIN(bin), element);
    }
    for (std::size_t i = 1; linked && i < chain.size(); ++i)
        linked = gst_element_link(chain[i - 1], chain[i]);
    GstPad* pad = linked ? gst_element_get_static_pad(chain[0], "sink") : nullptr;
    linked = pad && gst_element_add_pad(bin, gst_ghost_pad_new("sink", pad));
    if (pad)
        gst_object_unref(pad);
    if (!linked) {
        // The bin owns what it holds; what it does not hold is dropped here.
        for (GstElement* element : chain)
            if (element && (!bin || GST_OBJECT_PARENT(element) != GST_OBJECT(bin)))
                gst_object_unref(gst_object_ref_sink(element));
        if (bin)
            gst_object_unref(gst_object_ref_sink(bin));
        return {};
    }
    GstCaps* caps = gst_caps_from_string(picture_size_caps(0, 0).c_str());
    g_object_set(filter, "caps", caps, nullptr);
    gst_caps_unref(caps);
    sink.bin = bin;
    sink.size_filter = filter;
    return sink;
}

std::optional<uint64_t> milliseconds(gint64 nanoseconds)
{
    if (nanoseconds < 0)
        return std::nullopt;
    return static_cast<uint64_t>(nanoseconds) / GST_MSECOND;
}

enum class Severity {
    Error,
    Warning,
};

std::string gerror_text(GstMessage* message, Severity severity)
{
    bool is_error = severity == Severity::Error;
    GError* error = nullptr;
    gchar* debug = nullptr;
    if (is_error)
        gst_message_parse_error(message, &error, &debug);
    else
        gst_message_parse_warning(message, &error, &debug);
    std::string text = error && error->message ? error->message : "unknown GStreamer error";
    logger()->debug("GStreamer {} from={} message={} debug={}", is_error ? "error" : "warning",
        GST_OBJECT_NAME(GST_MESSAGE_SRC(message)), kaso::debug_text(text), kaso::debug_text(debug ? debug : ""));
    if (error)
        g_error_free(error);
    g_free(debug);
    return text;
}

}

Pipeline::Pipeline(GstElement* pipeline, GstElement* appsink, std::optional<uint64_t> stop_ms, std::shared_ptr<Waker const> waker)
    : m_pipeline(GST_ELEMENT(gst_object_ref_sink(pipeline)))
    , m_bus(gst_element_get_bus(pipeline))
    , m_frames(std::make_unique<FrameSlot>(std::move(waker)))
    , m_stop_ms(stop_ms)
{
    gst_bus_set_sync_handler(m_bus, drop_unread_messages, m_frames.get(), nullptr);
    GstAppSinkCallbacks callbacks {};
    callbacks.new_preroll = on_new_preroll;
    callbacks.new_sample = on_new_sample;
    gst_app_sink_set_callbacks(GST_APP_SINK(appsink), &callbacks, m_frames.get(), nullptr);
    if (GstPad* pad = gst_element_get_static_pad(appsink, "sink")) {
        gst_pad_add_probe(pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM | GST_PAD_PROBE_TYPE_EVENT_FLUSH),
            on_sink_event, m_frames.get(), nullptr);
        gst_object_unref(pad);
    }
}

Pipeline::~Pipeline()
{
    if (m_starter.joinable())
        m_starter.join();
    // Setting NULL joins the streaming threads, so no callback can touch m_frames afterwards.
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    gst_object_unref(m_bus);
    gst_object_unref(m_pipeline);
}

ErrorOr<std::unique_ptr<Pipeline>> Pipeline::playbin(std::string const& uri, std::shared_ptr<Waker const> waker)
{
    TRY(gst_runtime::require_elements({ "playbin", "appsink", "videoconvert", "capsfilter" }));
    GstElement* playbin = gst_element_factory_make("playbin", "kaso-playbin");
    GstElement* appsink = make_appsink(gst_caps_from_string(picture_caps().c_str()));
    auto video_sink = make_video_sink(appsink);
    GstElement* audio_sink = make_audio_sink();
    if (!playbin || !video_sink.bin || !audio_sink) {
        for (GstElement* element : { playbin, video_sink.bin, audio_sink })
            if (element)
                gst_object_unref(gst_object_ref_sink(element));
        return make_error("MediaEngine: the playback pipeline could not be built");
    }
    // Our own sink converts: playbin's converters would turn the whole decoded picture into
    // RGB first and scale it afterwards, where scaling first leaves fewer pixels to convert.
    guint flags = 0;
    g_object_get(playbin, "flags", &flags, nullptr);
    g_object_set(playbin, "uri", uri.c_str(), "video-sink", video_sink.bin, "audio-sink", audio_sink, "flags",
        flags | native_video_flag, nullptr);
    auto pipeline = std::unique_ptr<Pipeline>(new Pipeline(playbin, appsink, std::nullopt, std::move(waker)));
    if (video_sink.scales)
        pipeline->m_size_filter = video_sink.size_filter;
    return pipeline;
}

ErrorOr<std::unique_ptr<Pipeline>> Pipeline::test_source(uint64_t duration_ms, std::shared_ptr<Waker const> waker)
{
    TRY(gst_runtime::require_elements({ "videotestsrc", "appsink" }));
    constexpr int frames_per_second = 30;
    GstElement* pipeline = gst_pipeline_new("kaso-test-source");
    GstElement* source = gst_element_factory_make("videotestsrc", "kaso-test-picture");
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, cairo_rgb24_format, "width", G_TYPE_INT,
        1280, "height", G_TYPE_INT, 720, "framerate", GST_TYPE_FRACTION, frames_per_second, 1, "pixel-aspect-ratio",
        GST_TYPE_FRACTION, 1, 1, nullptr);
    GstElement* sink = make_appsink(caps);
    if (!pipeline || !source || !sink) {
        for (GstElement* element : { pipeline, source, sink })
            if (element)
                gst_object_unref(gst_object_ref_sink(element));
        return make_error("MediaEngine: the test-picture pipeline could not be built");
    }
    // A scrolling pattern: every picture differs from the one before it. The number of buffers
    // bounds the source, which is what gives it a duration and makes it seekable. videotestsrc
    // counts that number again from every seek, so seeks also end their segment at the duration.
    auto buffers = static_cast<gint>(std::min<uint64_t>(duration_ms * frames_per_second / 1000, G_MAXINT));
    g_object_set(source, "is-live", FALSE, "num-buffers", buffers, "horizontal-speed", 4, nullptr);
    gst_bin_add_many(GST_BIN(pipeline), source, sink, nullptr);
    if (!gst_element_link(source, sink)) {
        gst_object_unref(pipeline);
        return make_error("MediaEngine: the test picture could not be linked to the video sink");
    }
    return std::unique_ptr<Pipeline>(new Pipeline(pipeline, sink, duration_ms, std::move(waker)));
}

void Pipeline::start_paused()
{
    if (m_starter.joinable())
        return;
    m_starter = std::thread([this] {
        if (gst_element_set_state(m_pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
            m_start_failed.store(true, std::memory_order_release);
    });
}

bool Pipeline::set_playing(bool playing)
{
    return gst_element_set_state(m_pipeline, playing ? GST_STATE_PLAYING : GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE;
}

void Pipeline::set_picture_box(uint32_t width, uint32_t height)
{
    if (!m_size_filter)
        return;
    // The capsfilter asks upstream to negotiate again when its caps change; the next picture
    // comes at the new size, and FrameSlot reads its layout from the new caps.
    GstCaps* caps = gst_caps_from_string(picture_size_caps(width, height).c_str());
    g_object_set(m_size_filter, "caps", caps, nullptr);
    gst_caps_unref(caps);
}

std::optional<uint32_t> Pipeline::seek(uint64_t target_ms)
{
    auto nanoseconds = [](uint64_t ms) {
        return static_cast<gint64>(std::min<uint64_t>(ms, G_MAXINT64 / GST_MSECOND) * GST_MSECOND);
    };
    GstEvent* event = gst_event_new_seek(1.0, GST_FORMAT_TIME,
        static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), GST_SEEK_TYPE_SET,
        nanoseconds(target_ms), m_stop_ms ? GST_SEEK_TYPE_SET : GST_SEEK_TYPE_NONE,
        m_stop_ms ? nanoseconds(*m_stop_ms) : static_cast<gint64>(GST_CLOCK_TIME_NONE));
    uint32_t seqnum = gst_event_get_seqnum(event);
    if (!gst_element_send_event(m_pipeline, event))
        return std::nullopt;
    return seqnum;
}

std::optional<uint64_t> Pipeline::position_ms() const
{
    gint64 position = -1;
    if (!gst_element_query_position(m_pipeline, GST_FORMAT_TIME, &position))
        return std::nullopt;
    return milliseconds(position);
}

std::optional<uint64_t> Pipeline::duration_ms() const
{
    gint64 duration = -1;
    if (!gst_element_query_duration(m_pipeline, GST_FORMAT_TIME, &duration))
        return std::nullopt;
    return milliseconds(duration);
}

std::optional<BusNote> Pipeline::next_note()
{
    while (GstMessage* message = gst_bus_pop(m_bus)) {
        std::optional<BusNote> note;
        bool from_pipeline = GST_MESSAGE_SRC(message) == GST_OBJECT_CAST(m_pipeline);
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR:
            note = NoteError { gerror_text(message, Severity::Error) };
            break;
        case GST_MESSAGE_WARNING:
            logger()->warn("GStreamer warning message={}", kaso::debug_text(gerror_text(message, Severity::Warning)));
            break;
        case GST_MESSAGE_EOS:
            note = NoteEndOfStream {};
            break;
        case GST_MESSAGE_BUFFERING: {
            gint percent = 0;
            gst_message_parse_buffering(message, &percent);
            note = NoteBuffering { static_cast<uint8_t>(std::clamp(percent, 0, 100)) };
            break;
        }
        case GST_MESSAGE_ASYNC_DONE:
            if (from_pipeline)
                note = NotePrerolled {};
            break;
        case GST_MESSAGE_STATE_CHANGED:
            if (from_pipeline) {
                GstState old_state, new_state, pending;
                gst_message_parse_state_changed(message, &old_state, &new_state, &pending);
                note = NoteStateChanged { new_state == GST_STATE_PLAYING };
            }
            break;
        case GST_MESSAGE_DURATION_CHANGED:
            note = NoteDurationChanged {};
            break;
        case GST_MESSAGE_LATENCY:
            gst_bin_recalculate_latency(GST_BIN(m_pipeline));
            break;
        case GST_MESSAGE_CLOCK_LOST: {
            // The pipeline must choose a new clock: pausing and resuming does that.
            GstState state = GST_STATE_NULL;
            gst_element_get_state(m_pipeline, &state, nullptr, 0);
            if (state == GST_STATE_PLAYING) {
                gst_element_set_state(m_pipeline, GST_STATE_PAUSED);
                gst_element_set_state(m_pipeline, GST_STATE_PLAYING);
            }
            break;
        }
        default:
            break;
        }
        gst_message_unref(message);
        if (note)
            return note;
    }
    return std::nullopt;
}

}
