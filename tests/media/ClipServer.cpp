#include "tests/media/ClipServer.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include <fmt/format.h>
#include <httplib.h>

namespace kaso::media::testing {

std::filesystem::path make_webm_clip(std::filesystem::path const& directory, int seconds, int pixel_width, int pixel_height)
{
    std::filesystem::create_directories(directory);
    auto path = directory / fmt::format("clip-{}s-{}x{}.webm", seconds, pixel_width, pixel_height);
    // 441 samples a buffer at 44.1 kHz is 10 ms, so both streams end at the same moment.
    auto command = fmt::format(
        "timeout 60 gst-launch-1.0 -q videotestsrc num-buffers={} horizontal-speed=4 "
        "! video/x-raw,width=320,height=240,framerate=30/1,pixel-aspect-ratio={}/{} ! vp8enc deadline=1 ! webmmux name=mux "
        "! filesink location='{}' audiotestsrc num-buffers={} samplesperbuffer=441 ! audioconvert ! vorbisenc ! mux.",
        seconds * 30, pixel_width, pixel_height, path.string(), seconds * 100);
    int status = std::system(command.c_str());
    if (status != 0 || !std::filesystem::exists(path) || std::filesystem::file_size(path) == 0) {
        std::fprintf(stderr, "making the test clip failed (status %d): %s\n", status, command.c_str());
        return {};
    }
    return path;
}

struct ClipServer::State {
    httplib::Server server;
    std::string clip_bytes;
    std::thread thread;
    std::mutex stall_mutex;
    std::condition_variable stall_released;
    bool released { false };  // protected by stall_mutex
};

ClipServer::ClipServer(std::filesystem::path const& clip)
    : m_state(std::make_unique<State>())
{
    std::ifstream file(clip, std::ios::binary);
    m_state->clip_bytes.assign(std::istreambuf_iterator<char>(file), {});

    auto& server = m_state->server;
    server.Get("/clip.webm", [this](httplib::Request const&, httplib::Response& response) {
        response.set_content(m_state->clip_bytes, "video/webm");
    });
    server.Get("/stalling.webm", [this](httplib::Request const&, httplib::Response& response) {
        response.set_content_provider(m_state->clip_bytes.size(), "video/webm",
            [this](size_t offset, size_t length, httplib::DataSink& sink) {
                auto& state = *m_state;
                size_t chunk = std::min<size_t>(length, 8192);
                if (offset + chunk > state.clip_bytes.size() / 2) {
                    std::unique_lock lock(state.stall_mutex);
                    state.stall_released.wait_for(lock, std::chrono::seconds(20), [&] { return state.released; });
                }
                sink.write(state.clip_bytes.data() + offset, chunk);
                return true;
            });
    });
    server.Get("/page.html", [](httplib::Request const&, httplib::Response& response) {
        std::string page = "<!doctype html><html><head><title>Not a video</title></head><body>";
        for (int line = 0; line < 200; ++line)
            page += "<p>This page is text, not a stream.</p>\n";
        response.set_content(page + "</body></html>", "text/html");
    });
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);

    m_port = server.bind_to_any_port("127.0.0.1");
    if (m_port <= 0) {
        m_port = 0;
        return;
    }
    m_state->thread = std::thread([this] { m_state->server.listen_after_bind(); });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!server.is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void ClipServer::release_stall()
{
    std::lock_guard lock(m_state->stall_mutex);
    m_state->released = true;
    m_state->stall_released.notify_all();
}

ClipServer::~ClipServer()
{
    release_stall();
    m_state->server.stop();
    if (m_state->thread.joinable())
        m_state->thread.join();
}

std::string ClipServer::address_of(std::string const& path) const
{
    return fmt::format("http://127.0.0.1:{}{}", m_port, path);
}

}
