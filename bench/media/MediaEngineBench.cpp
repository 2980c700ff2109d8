#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <cairo.h>

#include "kaso/media/MediaEngine.h"

using namespace kaso::media;

namespace {

constexpr auto frame_wait_limit = std::chrono::seconds(10);

double process_cpu_seconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Polls until a picture newer than `after` is there; the UI thread does the same once a frame.
std::shared_ptr<VideoFrame const> wait_for_frame_after(MediaEngine& engine, uint64_t after)
{
    auto deadline = std::chrono::steady_clock::now() + frame_wait_limit;
    while (std::chrono::steady_clock::now() < deadline) {
        engine.poll();
        if (auto frame = engine.current_frame(); frame && frame->serial > after)
            return frame;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return nullptr;
}

// Paints the picture scaled into the target, as the player widget does.
void paint(VideoFrame const& frame, cairo_t* target, int width, int height)
{
    // Cairo only reads a source surface; the cast does not let it write into the frame.
    auto* data = const_cast<unsigned char*>(frame.bytes.data());
    cairo_surface_t* picture = cairo_image_surface_create_for_data(data, CAIRO_FORMAT_RGB24,
        static_cast<int>(frame.width), static_cast<int>(frame.height), static_cast<int>(frame.stride));
    cairo_save(target);
    cairo_scale(target, static_cast<double>(width) / frame.width, static_cast<double>(height) / frame.height);
    cairo_set_source_surface(target, picture, 0, 0);
    cairo_paint(target);
    cairo_restore(target);
    cairo_surface_destroy(picture);
}

void BM_SynthesizedOpenToFirstFrame(benchmark::State& state)
{
    for (auto _ : state) {
        auto engine = MediaEngine::create_synthesized();
        if (!engine->open("https://demo.kaso.invalid/clip.mp4") || !wait_for_frame_after(*engine, 0)) {
            state.SkipWithError("no first picture");
            return;
        }
        state.PauseTiming();
        engine.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SynthesizedOpenToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

// Plays the opened engine and paints every new picture into a 1280 x 720 window surface,
// reporting the CPU time of all threads per painted picture and the delivery rate.
void decode_and_paint(benchmark::State& state, MediaEngine& engine)
{
    constexpr int width = 1280;
    constexpr int height = 720;
    engine.play();
    auto frame = wait_for_frame_after(engine, 0);
    if (!frame) {
        state.SkipWithError("no first picture");
        return;
    }
    cairo_surface_t* window = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* target = cairo_create(window);

    uint64_t painted = 0;
    uint64_t first_serial = frame->serial;
    double cpu_start = process_cpu_seconds();
    auto wall_start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        frame = wait_for_frame_after(engine, frame->serial);
        if (!frame) {
            state.SkipWithError("pictures stopped");
            break;
        }
        paint(*frame, target, width, height);
        cairo_surface_flush(window);
        ++painted;
    }
    double cpu_seconds = process_cpu_seconds() - cpu_start;
    double wall_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
    if (painted > 0 && frame) {
        state.counters["cpu_ms_per_frame"] = cpu_seconds * 1000.0 / static_cast<double>(painted);
        state.counters["frames_per_second"] = static_cast<double>(painted) / wall_seconds;
        state.counters["frames_skipped"] = static_cast<double>(frame->serial - first_serial - painted);
    }
    cairo_destroy(target);
    cairo_surface_destroy(window);
}

void BM_SynthesizedDecodeAndPaint720p(benchmark::State& state)
{
    auto engine = MediaEngine::create_synthesized();
    if (auto opened = engine->open("https://demo.kaso.invalid/clip.mp4"); !opened) {
        state.SkipWithError(opened.error().message.c_str());
        return;
    }
    decode_and_paint(state, *engine);
}
BENCHMARK(BM_SynthesizedDecodeAndPaint720p)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(150);

// A 720p VP8 clip made once with gst-launch-1.0, for comparing real decoding with the test picture.
struct RemovedAtExit {
    std::filesystem::path path;
    ~RemovedAtExit()
    {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

std::string real_clip_address()
{
    static RemovedAtExit s_clip { std::filesystem::temp_directory_path() / ("kaso-media-bench-" + std::to_string(getpid()) + ".webm") };
    static std::string address = [] {
        auto const& path = s_clip.path;
        auto command = "timeout 120 gst-launch-1.0 -q videotestsrc num-buffers=180 horizontal-speed=4 "
                       "! video/x-raw,width=1280,height=720,framerate=30/1 ! vp8enc deadline=1 ! webmmux ! filesink location='"
            + path.string() + "'";
        return std::system(command.c_str()) == 0 ? "file://" + path.string() : std::string();
    }();
    return address;
}

void BM_RealWebmOpenToFirstFrame(benchmark::State& state)
{
    auto address = real_clip_address();
    if (address.empty()) {
        state.SkipWithError("no clip: gst-launch-1.0 failed");
        return;
    }
    for (auto _ : state) {
        auto engine = MediaEngine::create();
        if (!engine->open(address) || !wait_for_frame_after(*engine, 0)) {
            state.SkipWithError("no first picture");
            return;
        }
        state.PauseTiming();
        engine.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RealWebmOpenToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_RealWebmDecodeAndPaint720p(benchmark::State& state)
{
    auto address = real_clip_address();
    if (address.empty()) {
        state.SkipWithError("no clip: gst-launch-1.0 failed");
        return;
    }
    auto engine = MediaEngine::create();
    if (auto opened = engine->open(address); !opened) {
        state.SkipWithError(opened.error().message.c_str());
        return;
    }
    decode_and_paint(state, *engine);
}
BENCHMARK(BM_RealWebmDecodeAndPaint720p)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(120);

}

BENCHMARK_MAIN();
