#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace kaso::media::testing {

// Writes a WebM clip (VP8 video with Vorbis sound) of `seconds` seconds at 320 x 240 stored
// pixels with the given pixel shape and 30 frames a second, made with gst-launch-1.0 under a time
// limit. Returns an empty path when the tool failed, after printing why.
std::filesystem::path make_webm_clip(std::filesystem::path const& directory, int seconds, int pixel_width = 1, int pixel_height = 1);

// A loopback HTTP server on 127.0.0.1 and a free port, serving:
//   /clip.webm   the clip's bytes (with range requests), video/webm
//   /stalling.webm  the clip's first half, then nothing until `release_stall` (at most 20 s)
//   /page.html   a small HTML page (a body that is not media)
//   anything else 404
class ClipServer {
public:
    explicit ClipServer(std::filesystem::path const& clip);
    ~ClipServer();

    std::string address_of(std::string const& path) const;
    // Lets /stalling.webm send the rest of the clip.
    void release_stall();
    bool is_running() const { return m_port > 0; }

private:
    struct State;
    std::unique_ptr<State> m_state;
    int m_port { 0 };
};

}
